// What one conversion wrote beside its document (attachment files, the documents of
// embedded messages, the folders made for them), so that a failure part way can take all
// of it back and leave nothing that looks done, and so that a finished conversion can tell
// which document each file and embedded document belongs to.
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

// A document with what was saved of its message's attachments: the files, and the
// documents of its embedded messages with what was saved of theirs, at every depth.
struct DescribedDocument {
  std::filesystem::path path;
  DocumentFacts facts;
  std::vector<std::filesystem::path> saved;  // its own attachment files, in the order saved
  std::vector<DescribedDocument> embedded;   // its embedded messages' documents, in the order made
};

class AttachmentJournal {
 public:
  AttachmentJournal() = default;
  AttachmentJournal(const AttachmentJournal&) = delete;
  AttachmentJournal& operator=(const AttachmentJournal&) = delete;

  // While it lives, the files and documents written belong to the document at `document`
  // (its message's attachments are being saved); the innermost holder counts.
  class Holder {
   public:
    Holder(AttachmentJournal& journal, std::filesystem::path document) : journal_(journal) {
      journal_.holders_.push_back(std::move(document));
    }
    ~Holder() { journal_.holders_.pop_back(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

   private:
    AttachmentJournal& journal_;
  };

  void AddFile(std::filesystem::path path) { entries_.push_back({std::move(path), Kind::kFile, HolderNow(), {}}); }
  void AddDocument(std::filesystem::path path, DocumentFacts facts = {}) {
    entries_.push_back({std::move(path), Kind::kDocument, HolderNow(), std::move(facts)});
  }
  void AddFolder(std::filesystem::path path) { entries_.push_back({std::move(path), Kind::kFolder, {}, {}}); }

  // The document at `document` (the message's own) with everything written for it, each
  // under the document it belongs to. What was written under no holder belongs to it too.
  DescribedDocument Describe(std::filesystem::path document, DocumentFacts facts) const;

  // Removes everything recorded, newest first: the files, then the folders this run made
  // (a folder is removed only when it is empty again, so nothing of anyone else's goes).
  void RollBack() noexcept;

 private:
  enum class Kind { kFile, kDocument, kFolder };
  struct Entry {
    std::filesystem::path path;
    Kind kind;
    std::filesystem::path holder;  // the document it belongs to; empty for none
    DocumentFacts facts;           // a document's
  };
  std::filesystem::path HolderNow() const { return holders_.empty() ? std::filesystem::path() : holders_.back(); }
  std::vector<Entry> entries_;
  std::vector<std::filesystem::path> holders_;
};

}  // namespace quorlin
