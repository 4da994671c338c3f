// The requests of a batch that makes documents where the jobs ask for them, and of one
// that asks for names.
#include "run/engine/batch_requests.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>

#include "platform/native_names.h"
#include "run/engine/converter_answer.h"

namespace {

namespace serve_protocol = quorlin::serve_protocol;
using serve_protocol::Result;

// The file at a path as its identity (device and inode, or on Windows volume and file
// index), if there is one.
struct FileId {
  bool present = false;
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileId&) const = default;
};

FileId FileAt(const QString& path) {
  const auto identity = NativeFileIdentity(path);
  if (!identity) return {};
  return {true, identity->first, identity->second};
}

// Conversions into the jobs' outputs.
class DocumentRequests : public BatchRequests {
 public:
  DocumentRequests(const std::vector<BatchJob>& jobs, const BatchSettings& settings)
      : jobs_(jobs), settings_(settings) {}

  QString Prepare(std::size_t index) override {
    if (const QString failure = folders_.Make(jobs_[index].output); !failure.isEmpty()) return failure;
    outputBefore_[index] = FileAt(jobs_[index].output);
    return {};
  }

  // The documents' options with replace as the plan decided it for this job alone.
  std::pair<std::string, std::string> Request(std::size_t index) const override {
    quorlin::ConversionOptions options = settings_.documents;
    options.replace = jobs_[index].replace;
    return {quorlin::ConversionOptionWords(options), EncodedPath(jobs_[index].output)};
  }

  std::optional<BatchOutcome> Answered(std::size_t index, const ConverterWorker::Answer& answer,
                                       BatchOutcome outcome, Clock::time_point) override {
    outputBefore_.erase(index);
    if (outcome.converted) ReadConversionDetail(answer, outcome);
    return outcome;
  }

  // What the conversion made, as its converter's journal lists it, goes (only its temporary
  // names when the document itself was finished). A converter ended after it had put the
  // finished document in place, but before its answer was read, converted the message: the
  // outcome says so, and the counts stay those of the documents on disk.
  BatchOutcome Abandoned(std::size_t index, ConversionJournal& journal, BatchOutcome outcome, bool unread) override {
    const auto before = outputBefore_.find(index);
    const FileId was = before == outputBefore_.end() ? FileId() : before->second;
    if (before != outputBefore_.end()) outputBefore_.erase(before);
    if (unread) return outcome;
    const std::string output = EncodedPath(jobs_[index].output);
    const FileId now = FileAt(jobs_[index].output);
    // The converter puts a finished document in place in one step, so another file there
    // than the one as the job began is the finished one.
    const bool finished = now.present && now != was;
    journal.Undo(output, finished);
    return finished ? BatchOutcomeOf(Result::kOk) : outcome;
  }

 private:
  const std::vector<BatchJob>& jobs_;
  const BatchSettings& settings_;
  OutputFolders folders_{settings_.makeFolders};
  // The file that stood at each output under way as its job began.
  std::map<std::size_t, FileId> outputBefore_;
};

// Name requests: the name the pattern gives each source's document; nothing is written.
class NameRequests : public BatchRequests {
 public:
  explicit NameRequests(const BatchSettings& settings)
      : pattern_(settings.namePattern.toUtf8().toStdString()) {}

  bool Journals() const override { return false; }
  QString Prepare(std::size_t) override { return {}; }
  std::pair<std::string, std::string> Request(std::size_t) const override {
    return {std::string(serve_protocol::kNameRequest), pattern_};
  }
  // The answer's detail is the document's name.
  std::optional<BatchOutcome> Answered(std::size_t, const ConverterWorker::Answer&, BatchOutcome outcome,
                                       Clock::time_point) override {
    return outcome;
  }
  BatchOutcome Abandoned(std::size_t, ConversionJournal&, BatchOutcome outcome, bool) override { return outcome; }

 private:
  const std::string pattern_;
};

}  // namespace

std::unique_ptr<BatchRequests> MakeBatchRequests(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                                                 std::size_t workers) {
  if (settings.request == BatchRequest::kName) return std::make_unique<NameRequests>(settings);
  if (settings.pdf) return MakePdfRequests(jobs, settings, workers);
  return std::make_unique<DocumentRequests>(jobs, settings);
}

QString OutputFolders::Make(const QString& output) {
  if (!make_) return {};
  const std::filesystem::path folder = NativePath(EncodedPath(output)).parent_path();
  if (folder.empty() || made_.count(NativeText(folder)) > 0) return {};
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const bool made = !error && std::filesystem::is_directory(folder, error);
  if (!made)
    return QStringLiteral("the folder %1 could not be made: %2")
        .arg(NameFromNative(QByteArray::fromStdString(NativeText(folder))),
             QString::fromLocal8Bit(error ? error.message().c_str() : "a file has its name"));
  made_.insert(NativeText(folder));
  return {};
}

BatchOutcome BatchOutcomeOf(Result result, const QString& reason) {
  BatchOutcome outcome;
  outcome.converted = result == Result::kOk;
  outcome.result = result;
  outcome.reason = reason;
  return outcome;
}

void ReadConversionDetail(const ConverterWorker::Answer& answer, BatchOutcome& outcome) {
  const std::optional<ConverterOkAnswer> read = ReadConverterOkAnswer(QByteArray::fromStdString(answer.detail));
  if (!read) return;
  outcome.attachmentFiles = std::max(read->attachments, 0);
  outcome.embeddedMessages = std::max(read->messages, 0);
  outcome.document = read->documentPath;
}

std::string EncodedPath(const QString& path) { return NativeName(path).toStdString(); }
