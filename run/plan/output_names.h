// Where each row's document goes: the output path built from the options, the folder text
// and the source path, and the names handed out within one run so that two different
// sources never write the same document.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "platform/paths.h"

// The output path for a source: the output folder (option 1, a leading "~/" meaning the
// home folder) or the source's own folder
// (option 2), one separator, the file name without its last extension, ".doc", with doubled
// separators collapsed; a name that would pass the file system's name limit is cut at its
// end (ShortenToNameLimit). Nothing when neither option is selected: the caller keeps the path
// it had.
std::optional<QString> BuildOutputPath(bool saveToFolder, bool saveBesideSource,
                                       const QString& folderText, const QString& sourcePath,
                                       PathStyle style = NativePathStyle());

// Where within the output folder and under what name a document goes, beside the options.
struct DocumentPlace {
  // The folders between the output folder and the document, separated by the path
  // separator ("2024/March"); empty for the output folder itself. Only with option 1.
  QString subFolder;
  // The document's name without ".doc" (named after the message); empty for the name of
  // the message's file.
  QString stem;
  // The document's extension: ".doc", or ".pdf" for PDF documents.
  QString extension = QStringLiteral(".doc");
};

// The same path with the document's place: under the sub-folder, with the given name (cut
// like a file's name at the name limit).
std::optional<QString> BuildOutputPath(bool saveToFolder, bool saveBesideSource,
                                       const QString& folderText, const QString& sourcePath,
                                       const DocumentPlace& place, PathStyle style = NativePathStyle());

// The folders between `root` (the folder a message was found through: given on the command
// line, added with "Add All" or dropped) and the message at `sourcePath`, which keep its
// place in the tree: "a/b" for root/a/b/m.msg. Taken from the path's text, so a message
// reached through a link keeps the link's name. Empty when there is no root, when the
// message is not below it, or when the path holds "." or ".." between them (nothing ever
// goes outside the output folder).
QString KeptSubFolder(const QString& root, const QString& sourcePath, PathStyle style = NativePathStyle());

// What a run's output paths are made from, read once as the run begins.
struct PathChoice {
  bool toFolder = false;     // option 1: the output folder
  bool beside = false;       // option 2: the message's own folder
  QString folder;            // the folder box's text
  bool keepFolders = false;  // documents keep the sub-folders below their messages' roots
  QString extension = QStringLiteral(".doc");  // ".pdf" for PDF documents
};

// The path a row's document wants before the run's names are handed out, for the message
// found through `root`, named `stem` (empty: the file's name). Empty when neither option is
// selected.
QString WantedOutputPath(const PathChoice& choice, const QString& source, const QString& root, const QString& stem);

// "name.doc" with a counter: "name (2).doc" for 2. The counter goes before a last ".doc"
// (or ".pdf").
// When the numbered file name would pass the file system's name limit, the name before the
// counter is shortened (ShortenToNameLimit).
QString NumberedOutputPath(const QString& outputPath, int number);

// The longest file name, in bytes of the file name encoding (NAME_MAX).
int FileNameLimit();
// `base` cut at its end, by whole characters, until base + ending fits FileNameLimit();
// `base` itself when it fits already.
QString ShortenToNameLimit(const QString& base, const QString& ending);
// What happens to a document already on disk under the wanted name that this run did not
// hand out: it is replaced, or kept while the new document takes the next numbered name,
// or taken for this message's document from an earlier run: names are then handed out as
// if the folder were empty (so a re-run gives each message the name the first run gave
// it) and the caller skips each message whose name is already on disk.
enum class ExistingDocuments { kReplace, kKeep, kSkip };

// The output paths handed out during one run. A path already given to a different source
// is not given again: the later source gets "name (2).doc", then "(3)" and so on. The same
// source asking again for the same path gets the path it got the first time. A numbered
// name is never one that already exists on disk, so the numbering never overwrites a
// document the user made; the wanted name itself replaces an earlier document, unless
// existing documents are kept. Claiming is linear in the number of sources: for each wanted
// name the next number to try is remembered, so the thousandth source of one name does not
// walk past the 999 names before it.
class OutputNames {
 public:
  // Names on disk are looked up in a listing of each output folder, read once per folder.
  explicit OutputNames(ExistingDocuments existing = ExistingDocuments::kReplace);
  // Tests may decide which paths count as existing.
  explicit OutputNames(std::function<bool(const QString&)> existsOnDisk,
                       ExistingDocuments existing = ExistingDocuments::kReplace)
      : existsOnDisk_(std::move(existsOnDisk)), existing_(existing) {}
  QString Claim(const QString& sourcePath, const QString& outputPath);

 private:
  std::map<QString, QString> ownerOf_;                             // output path -> source
  std::map<std::pair<QString, QString>, QString> given_;          // (source, wanted) -> given
  std::map<QString, int> nextNumber_;                              // wanted -> next number to try
  std::function<bool(const QString&)> existsOnDisk_;
  ExistingDocuments existing_;
};
