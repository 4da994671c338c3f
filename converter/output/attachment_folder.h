// The folder a document's attachments are saved in ("Report attachments" beside
// "Report.doc"): made only when the first file goes into it, each file written complete
// under a name no file of this run and nothing already in the folder has, never in place
// of anything there, never through a link planted there.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "converter/output/attachment_journal.h"
#include "converter/base/byte_sink.h"

namespace quorlin {

// The attachments folder of the document at `document`: its name with " attachments" in
// place of its extension, shortened to the file system's name limit.
std::filesystem::path AttachmentFolderFor(const std::filesystem::path& document);

class AttachmentFolder {
 public:
  AttachmentFolder(std::filesystem::path path, AttachmentJournal& journal)
      : path_(std::move(path)), journal_(journal) {}

  const std::filesystem::path& path() const { return path_; }

  // Writes a file under `name` (a safe file name, see file_names.h) when it is free, else
  // under the first free numbered form of it ("a (2).txt"). Two names that differ only in
  // case are the same name. Returns the name used. Throws IoError when the folder or the
  // file cannot be made.
  std::string WriteFile(const std::string& name, const std::function<void(ByteSink&)>& produce);

  // Picks a free name for a document `stem` + ".doc" (stem at most 243 bytes) whose own
  // attachments folder, stem + " attachments", is free as well, and keeps both names for
  // it. Makes the folder. Returns the document's name.
  std::string ReserveDocument(const std::string& stem);

  // Writes the document reserved under `name`. Throws IoError when it cannot be written.
  void WriteReserved(const std::string& name, const std::function<void(ByteSink&)>& produce, DocumentFacts facts);

 private:
  void Create();
  bool Taken(const std::string& name) const;
  // Candidates for `name` in turn until `accept` takes one; returns it.
  std::string FirstFree(const std::string& name, std::size_t limit,
                        const std::function<bool(const std::string&)>& accept);

  std::filesystem::path path_;
  AttachmentJournal& journal_;
  bool created_ = false;
  std::set<std::string> used_;                // names given in this run, as FileNameKey
  std::map<std::string, int> next_number_;    // the next number to try per name
};

}  // namespace quorlin
