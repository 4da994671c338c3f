// What one conversion wrote beside its document (attachment files, the documents of
// embedded messages, the folders made for them), so that a failure part way can take all
// of it back and leave nothing that looks done.
#pragma once

#include <filesystem>
#include <vector>

namespace quorlin {

class AttachmentJournal {
 public:
  AttachmentJournal() = default;
  AttachmentJournal(const AttachmentJournal&) = delete;
  AttachmentJournal& operator=(const AttachmentJournal&) = delete;

  void AddFile(std::filesystem::path path) { entries_.push_back({std::move(path), false}); }
  void AddFolder(std::filesystem::path path) { entries_.push_back({std::move(path), true}); }

  // Removes everything recorded, newest first: the files, then the folders this run made
  // (a folder is removed only when it is empty again, so nothing of anyone else's goes).
  void RollBack() noexcept;

 private:
  struct Entry {
    std::filesystem::path path;
    bool folder;
  };
  std::vector<Entry> entries_;
};

}  // namespace quorlin
