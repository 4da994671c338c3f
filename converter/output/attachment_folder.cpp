// Naming and writing files in an attachments folder. Names are checked against this run's
// own names (ignoring case) and against what is on disk (a link counts as taken, whatever
// it points to); the final step links the complete file to its name only if that name is
// still free (output_file.h), so a file that appears meanwhile is not replaced either.
#include "converter/base/path_text.h"
#include "converter/output/attachment_folder.h"

#include <system_error>

#include "converter/base/errors.h"
#include "converter/output/file_names.h"
#include "converter/output/output_file.h"
#include "converter/base/output_journal.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFolderSuffix = " attachments";
constexpr std::string_view kDocumentExtension = ".doc";
constexpr std::size_t kMaxStemBytes = kMaxFileNameBytes - kFolderSuffix.size();

std::string Quote(const fs::path& path) { return "\"" + Utf8Of(path) + "\""; }

}  // namespace

fs::path AttachmentFolderFor(const fs::path& document) {
  std::string stem = ShortenFileName(Utf8Of(document.stem()), kMaxStemBytes);
  return document.parent_path() / PathFromUtf8(stem + std::string(kFolderSuffix));
}

void AttachmentFolder::Create() {
  if (created_) return;
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path_, error);
  if (fs::is_symlink(status))
    throw IoError("cannot save attachments in " + Quote(path_) + ": it is a symbolic link");
  if (fs::exists(status) && !fs::is_directory(status))
    throw IoError("cannot save attachments in " + Quote(path_) + ": it is not a folder");
  if (!fs::exists(status)) {
    const JournalStep step;
    if (!fs::create_directory(path_, error) || error)
      throw IoError("cannot create folder " + Quote(path_) + ": " +
                    (error ? error.message() : "something else appeared under its name"));
    journal_.AddFolder(path_);
    try {
      JournalFolder(path_);
    } catch (...) {
      fs::remove(path_, error);
      throw;
    }
  }
  created_ = true;
}

bool AttachmentFolder::Taken(const std::string& name) const {
  if (used_.count(FileNameKey(name))) return true;
  std::error_code error;
  // A name that cannot be looked at counts as free: writing it then says why it fails.
  return fs::exists(fs::symlink_status(path_ / PathFromUtf8(name), error));
}

std::string AttachmentFolder::FirstFree(const std::string& name, std::size_t limit,
                                        const std::function<bool(const std::string&)>& accept) {
  const std::string key = FileNameKey(name);
  int& next = next_number_.try_emplace(key, 1).first->second;
  for (;; ++next) {
    const std::string candidate = next == 1 ? ShortenFileName(name, limit) : NumberedFileName(name, next, limit);
    if (accept(candidate)) {
      used_.insert(FileNameKey(candidate));
      ++next;
      return candidate;
    }
  }
}

std::string AttachmentFolder::WriteFile(const std::string& name,
                                        const std::function<void(ByteSink&)>& produce) {
  Create();
  return FirstFree(name, kMaxFileNameBytes, [&](const std::string& candidate) {
    if (Taken(candidate) || !WriteNewFile(path_ / PathFromUtf8(candidate), produce)) return false;
    journal_.AddFile(path_ / PathFromUtf8(candidate));
    return true;
  });
}

std::string AttachmentFolder::ReserveDocument(const std::string& stem) {
  Create();
  const std::string document = ShortenFileName(stem, kMaxStemBytes) + std::string(kDocumentExtension);
  return FirstFree(document, kMaxStemBytes + kDocumentExtension.size(), [&](const std::string& candidate) {
    const std::string folder =
        candidate.substr(0, candidate.size() - kDocumentExtension.size()) + std::string(kFolderSuffix);
    if (Taken(candidate) || Taken(folder)) return false;
    used_.insert(FileNameKey(folder));
    return true;
  });
}

void AttachmentFolder::WriteReserved(const std::string& name,
                                     const std::function<void(ByteSink&)>& produce, DocumentFacts facts) {
  if (!WriteNewFile(path_ / PathFromUtf8(name), produce))
    throw IoError("cannot write output file " + Quote(path_ / PathFromUtf8(name)) +
                  ": another file appeared under its name");
  journal_.AddDocument(path_ / PathFromUtf8(name), std::move(facts));
}

}  // namespace quorlin
