// Output paths: built from the path helpers, and kept apart within one run.
#include "run/plan/output_names.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <memory>

#include "platform/folder_listings.h"
#include "platform/native_names.h"

std::optional<QString> BuildOutputPath(bool saveToFolder, bool saveBesideSource,
                                       const QString& folderText, const QString& sourcePath,
                                       PathStyle style) {
  return BuildOutputPath(saveToFolder, saveBesideSource, folderText, sourcePath, DocumentPlace(), style);
}

std::optional<QString> BuildOutputPath(bool saveToFolder, bool saveBesideSource,
                                       const QString& folderText, const QString& sourcePath,
                                       const DocumentPlace& place, PathStyle style) {
  QString folder;
  if (saveToFolder) {
    folder = ExpandHomeFolder(folderText, style);
    if (!place.subFolder.isEmpty()) folder += PathSeparator(style) + place.subFolder;
  } else if (saveBesideSource) {
    folder = GetFolderPart(sourcePath, style);
  } else {
    return std::nullopt;
  }
  // A long name without an extension to give way to ".doc" is cut like a numbered one.
  const QString& extension = place.extension;
  const QString name = ShortenToNameLimit(
      place.stem.isEmpty() ? RemoveExtension(GetFileName(sourcePath, style)) : place.stem, extension);
  return CollapseBackslashes(folder + PathSeparator(style) + name + extension, style);
}

QString KeptSubFolder(const QString& root, const QString& sourcePath, PathStyle style) {
  const QChar separator = PathSeparator(style);
  QString prefix = root;
  while (prefix.endsWith(separator)) prefix.chop(1);
  if (prefix.isEmpty() && root.isEmpty()) return {};
  prefix += separator;
  if (!sourcePath.startsWith(prefix)) return {};
  const QString below = sourcePath.mid(prefix.size());
  const qsizetype last = below.lastIndexOf(separator);
  if (last < 0) return {};
  QStringList parts;
  for (const QString& part : below.left(last).split(separator, Qt::SkipEmptyParts)) {
    if (part == QLatin1String(".") || part == QLatin1String("..")) return {};
    parts << part;
  }
  return parts.join(separator);
}

QString WantedOutputPath(const PathChoice& choice, const QString& source, const QString& root, const QString& stem) {
  DocumentPlace place;
  place.stem = stem;
  place.extension = choice.extension;
  if (choice.toFolder && choice.keepFolders) place.subFolder = KeptSubFolder(root, source);
  const std::optional<QString> wanted = BuildOutputPath(choice.toFolder, choice.beside, choice.folder, source, place);
  return wanted ? CollapseBackslashes(*wanted) : QString();
}

QString NumberedOutputPath(const QString& outputPath, int number) {
  const QString counter = QStringLiteral(" (%1)").arg(number);
  const QString extension =
      outputPath.endsWith(QLatin1String(".pdf")) ? QStringLiteral(".pdf") : QStringLiteral(".doc");
  const qsizetype nameStart = outputPath.lastIndexOf(PathSeparator()) + 1;
  const QString folder = outputPath.left(nameStart);
  QString name = outputPath.mid(nameStart);
  const QString ending = name.endsWith(extension) ? counter + extension : counter;
  if (ending != counter) name.chop(extension.size());
  return folder + ShortenToNameLimit(name, ending) + ending;
}

int FileNameLimit() {
#ifdef NAME_MAX
  return NAME_MAX;
#else
  return 255;
#endif
}

QString ShortenToNameLimit(const QString& base, const QString& ending) {
  const qsizetype endingBytes = NativeName(ending).size();
  QString shortened = base;
  while (!shortened.isEmpty() && NativeName(shortened).size() + endingBytes > FileNameLimit()) {
    shortened.chop(1);
    // Never half of a character outside the basic plane.
    if (!shortened.isEmpty() && shortened.back().isHighSurrogate()) shortened.chop(1);
  }
  return shortened;
}

OutputNames::OutputNames(ExistingDocuments existing)
    : existsOnDisk_([listings = std::make_shared<FolderListings>()](const QString& path) {
        return listings->Exists(path);
      }),
      existing_(existing) {}

QString OutputNames::Claim(const QString& sourcePath, const QString& outputPath) {
  const auto key = std::make_pair(sourcePath, outputPath);
  if (auto found = given_.find(key); found != given_.end()) return found->second;
  // Numbers below the remembered one were given to other sources or stand on disk already.
  int& next = nextNumber_[outputPath];
  int number = std::max(next, 1);
  QString candidate = number == 1 ? outputPath : NumberedOutputPath(outputPath, number);
  for (;; ++number) {
    auto owner = ownerOf_.find(candidate);
    const bool claimedByOther = owner != ownerOf_.end() && owner->second != sourcePath;
    // The wanted name replaces an earlier document unless those are kept; a numbered name
    // must never replace a document the user already has under that name.
    const bool guarded = existing_ != ExistingDocuments::kSkip &&
                         (candidate != outputPath || existing_ == ExistingDocuments::kKeep);
    const bool takenOnDisk = guarded && owner == ownerOf_.end() && existsOnDisk_(candidate);
    if (!claimedByOther && !takenOnDisk) break;
    candidate = NumberedOutputPath(outputPath, number + 1);
  }
  next = number + 1;
  ownerOf_.emplace(candidate, sourcePath);
  given_.emplace(key, candidate);
  return candidate;
}
