// The run's plan: the identity of its messages, its names and its jobs.
#include "run/plan/run_plan.h"

#include <QFileInfo>
#include <QPair>

#include "platform/native_names.h"
#include "platform/paths.h"

namespace {

bool FileOf(const QString& path, std::pair<std::uint64_t, std::uint64_t>& file) {
  const auto identity = NativeFileIdentity(path);
  if (!identity) return false;
  file = *identity;
  return true;
}

// A message as the file it is (device and inode), or by its path when it cannot be looked at.
QString FileKey(const QString& path) {
  std::pair<std::uint64_t, std::uint64_t> file;
  if (!FileOf(path, file)) return QStringLiteral("path:") + path;
  return QStringLiteral("file:%1:%2").arg(file.first).arg(file.second);
}

// A document's path with its folder as the folder it is (links and "." resolved), so that
// the same place reached through a link to a folder is one place; the text when the folder
// is not there yet.
QString DocumentKey(const QString& path) {
  if (path.isEmpty()) return path;
  const QFileInfo document(path);
  const QString folder = QFileInfo(document.path()).canonicalFilePath();
  return folder.isEmpty() ? path : folder + QLatin1Char('/') + document.fileName();
}

QString WithoutTrailingSeparator(QString folder) {
  while (folder.size() > 1 && folder.endsWith(PathSeparator())) folder.chop(1);
  return folder;
}

}  // namespace

RunMessages::RunMessages(const QStringList& sources) {
  for (const QString& source : sources) {
    paths_.insert(source);
    std::pair<std::uint64_t, std::uint64_t> file;
    if (FileOf(source, file)) files_.insert(file);
  }
}

bool RunMessages::Contains(const QString& path) const {
  if (paths_.contains(path)) return true;
  std::pair<std::uint64_t, std::uint64_t> file;
  return FileOf(path, file) && files_.count(file) > 0;
}

RunNames::RunNames(const QStringList& sources, ExistingDocuments existing)
    : keep_(existing == ExistingDocuments::kKeep),
      messages_(sources),
      names_([this](const QString& path) { return Taken(path); }, ExistingDocuments::kKeep) {}

QString RunNames::Claim(const QString& source, const QString& wanted) { return names_.Claim(source, wanted); }

// A message is never a document's name; a document on disk only when existing ones are kept.
bool RunNames::Taken(const QString& path) {
  return messages_.Contains(path) || (keep_ && listings_.Exists(path));
}

RunPlan PlanRun(const RunSources& sources, const PathChoice& choice, const std::vector<QString>& stems,
                ExistingDocuments existing, const std::function<bool()>& stopped) {
  RunPlan plan;
  RunNames names(sources.paths, existing);
  // A message listed twice for the same document, by the same path or as the same file
  // under another name (a link to its folder, a second hard link), is one message of the
  // run, planned where it is first listed: converting it again would only make a numbered
  // copy of one document.
  QSet<QPair<QString, QString>> planned;
  const auto count = static_cast<std::size_t>(sources.paths.size());
  plan.messages.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 256 == 0 && stopped && stopped()) {
      RunPlan none;
      none.stopped = true;
      return none;
    }
    const auto at = static_cast<qsizetype>(i);
    PlannedMessage message;
    message.source = sources.paths[at];
    const QString root = at < sources.roots.size() ? sources.roots[at] : QString();
    const QString wanted = WantedOutputPath(choice, message.source, root, i < stems.size() ? stems[i] : QString());
    const QPair<QString, QString> made(FileKey(message.source), DocumentKey(wanted));
    if (planned.contains(made)) {
      ++plan.listedTwice;
      continue;
    }
    planned.insert(made);
    if (!wanted.isEmpty()) {
      message.output = names.Claim(message.source, wanted);
      message.numbered = message.output != wanted;
      message.skipped = existing == ExistingDocuments::kSkip && NativeExists(message.output);
    }
    if (message.skipped) {
      ++plan.skipped;
    } else {
      plan.messageOf.push_back(plan.messages.size());
      // Only a document the user agreed to replace may be replaced; anything else that
      // comes to stand at the name meanwhile (a document this run wrote) is kept.
      const bool replace =
          existing == ExistingDocuments::kReplace && !message.output.isEmpty() && NativeExists(message.output);
      plan.jobs.push_back({message.source, message.output, replace});
    }
    plan.messages.push_back(std::move(message));
  }
  return plan;
}

QStringList DocumentsAlreadyThere(const RunSources& sources, const PathChoice& choice,
                                  const std::vector<QString>& stems) {
  const RunPlan plan = PlanRun(sources, choice, stems, ExistingDocuments::kSkip);
  QStringList existing;
  for (const PlannedMessage& message : plan.messages) {
    if (message.skipped) existing.append(message.output);
  }
  return existing;
}

QString DocumentsFolder(const PathChoice& choice, const RunPlan& plan) {
  if (choice.toFolder) {
    const QString root = WithoutTrailingSeparator(ExpandHomeFolder(choice.folder));
    for (const BatchJob& job : plan.jobs)
      if (!job.output.startsWith(root + PathSeparator())) return {};
    return root;
  }
  QString common;
  for (const BatchJob& job : plan.jobs) {
    if (job.output.isEmpty()) return {};
    const QString folder = WithoutTrailingSeparator(GetFolderPart(job.output));
    if (common.isEmpty()) common = folder;
    if (folder != common) return {};
  }
  return common;
}
