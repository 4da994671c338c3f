// What one conversion wrote beside its document (attachment files, the documents of
// embedded messages, the folders made for them), so that a failure part way can take all
// of it back and leave nothing that looks done.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorlin {

// What a PDF of a message's document is described by: the whole subject (UTF-8, one line,
// its "FW:" or "RE:" kept as the page heading shows it), the sender's name, and when it was
// sent (seconds since 1970, UTC; none when no header would show a time).
struct DocumentFacts {
  std::string subject;
  std::string sender;
  std::optional<std::int64_t> sent;
};

class AttachmentJournal {
 public:
  AttachmentJournal() = default;
  AttachmentJournal(const AttachmentJournal&) = delete;
  AttachmentJournal& operator=(const AttachmentJournal&) = delete;

  void AddFile(std::filesystem::path path) { entries_.push_back({std::move(path), Kind::kFile}); }
  void AddDocument(std::filesystem::path path, DocumentFacts facts = {}) {
    entries_.push_back({std::move(path), Kind::kDocument});
    facts_.push_back(std::move(facts));
  }
  void AddFolder(std::filesystem::path path) { entries_.push_back({std::move(path), Kind::kFolder}); }

  // The attachment files and the embedded messages' documents written, each in order.
  std::vector<std::filesystem::path> Files() const { return Of(Kind::kFile); }
  std::vector<std::filesystem::path> Documents() const { return Of(Kind::kDocument); }
  // The facts of each embedded message's document, in the order of Documents().
  const std::vector<DocumentFacts>& DocumentsFacts() const { return facts_; }

  // Removes everything recorded, newest first: the files, then the folders this run made
  // (a folder is removed only when it is empty again, so nothing of anyone else's goes).
  void RollBack() noexcept;

 private:
  enum class Kind { kFile, kDocument, kFolder };
  struct Entry {
    std::filesystem::path path;
    Kind kind;
  };
  std::vector<std::filesystem::path> Of(Kind kind) const {
    std::vector<std::filesystem::path> paths;
    for (const Entry& entry : entries_)
      if (entry.kind == kind) paths.push_back(entry.path);
    return paths;
  }
  std::vector<Entry> entries_;
  std::vector<DocumentFacts> facts_;
};

}  // namespace quorlin
