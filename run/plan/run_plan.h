// The plan of one run, made the same way for the window and for `lorvane convert`: every
// message with the folder it was found through, the name each document takes (named after
// the message or its file, kept apart within the run, with the user's choice about
// documents already on disk), and the jobs handed to the converters. One rule keeps a
// document from replacing a message of the run: a path that is one of the messages, by
// its text or as the same file (device and inode), is never written.
#pragma once

#include <cstdint>

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "platform/folder_listings.h"
#include "run/jobs/batch_job.h"
#include "run/plan/output_names.h"

// The messages of a run in list order, each with the folder it was found through ("Add
// All", a drop, a folder named on the command line; empty for a file named by itself).
struct RunSources {
  QStringList paths;
  QStringList roots;
};

// The run's messages, known by their paths and by the files they are.
class RunMessages {
 public:
  explicit RunMessages(const QStringList& sources);
  // Whether the path names one of the messages, also through a link or another name.
  bool Contains(const QString& path) const;

 private:
  QSet<QString> paths_;
  std::set<std::pair<std::uint64_t, std::uint64_t>> files_;
};

// The names of one run: a document of the same run is not taken by another message, and
// never a file that is itself one of the messages (that message's document takes the next
// numbered name instead). kKeep also keeps away from every document on disk (read once
// per output folder): each gets a numbered neighbour. kReplace and kSkip hand out the
// names of a run into empty folders, so a re-run names every document, numbered or not,
// as the run before did; the plan then replaces, or skips the messages of, those that are
// there, exactly the ones DocumentsAlreadyThere asks about.
class RunNames {
 public:
  RunNames(const QStringList& sources, ExistingDocuments existing);
  QString Claim(const QString& source, const QString& wanted);

 private:
  bool Taken(const QString& path);

  bool keep_;
  RunMessages messages_;
  FolderListings listings_;
  OutputNames names_;
};

// One message of the plan.
struct PlannedMessage {
  QString source;
  QString output;  // empty when no output option is chosen
  bool skipped = false;   // its document is there already and the user chose to skip it
  bool numbered = false;  // its document takes a numbered name
};

struct RunPlan {
  // Every message, in list order; a message listed again for the same document (its path
  // again, or the same file under another name, such as through a link to its folder) is
  // planned once, where it is first listed, and counted in `listedTwice`.
  std::vector<PlannedMessage> messages;
  std::vector<BatchJob> jobs;            // the messages not skipped, in list order
  std::vector<std::size_t> messageOf;    // each job's index in `messages`
  std::size_t skipped = 0;
  std::size_t listedTwice = 0;           // listings merged into a message listed before
  bool stopped = false;  // `stopped` answered true: nothing is planned
};

// The plan for the sources with the output choice, the names from the messages (`stems`,
// empty or one per source; an empty stem is the file's name) and the answer about
// documents on disk. `stopped`, asked now and then, ends the planning with an empty plan.
RunPlan PlanRun(const RunSources& sources, const PathChoice& choice, const std::vector<QString>& stems,
                ExistingDocuments existing, const std::function<bool()>& stopped = {});

// The documents of the run that already stand on disk, numbered or not, in list order: those
// kReplace replaces and kSkip leaves out (so the question's count is what the answer acts
// on); never one of the messages themselves.
QStringList DocumentsAlreadyThere(const RunSources& sources, const PathChoice& choice,
                                  const std::vector<QString>& stems);

// The one folder the documents went under: the output folder when they all went there or
// below it (kept sub-folders), else the folder they share; empty when there is none.
QString DocumentsFolder(const PathChoice& choice, const RunPlan& plan);
