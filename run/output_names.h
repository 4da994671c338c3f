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

// "name.doc" with a counter: "name (2).doc" for 2. The counter goes before a last ".doc".
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
