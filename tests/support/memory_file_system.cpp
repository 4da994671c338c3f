// The in-memory stand-in for the disk used by the folder-scan tests.
#include "support/memory_file_system.h"

#include "platform/app_error.h"
#include "platform/local_file_system.h"

MemoryFileSystem::MemoryFileSystem() { entries_.insert(QStringLiteral("/"), Entry{true, file_attribute::kDirectory, 0}); }

QString MemoryFileSystem::Normal(const QString& path) {
  QString normal;
  for (const QChar c : path)
    if (c != u'/' || !normal.endsWith(u'/')) normal += c;
  if (normal.size() > 1 && normal.endsWith(u'/')) normal.chop(1);
  return normal;
}

QString MemoryFileSystem::Parent(const QString& normal) {
  const qsizetype slash = normal.lastIndexOf(u'/');
  return slash <= 0 ? QStringLiteral("/") : normal.left(slash);
}

void MemoryFileSystem::AddFolder(const QString& path, int attributes) {
  const QString normal = Normal(path);
  if (normal != QLatin1String("/") && !entries_.contains(Parent(normal))) AddFolder(Parent(normal));
  entries_.insert(normal, Entry{true, attributes, 0});
}

void MemoryFileSystem::AddFile(const QString& path, int attributes) {
  const QString normal = Normal(path);
  if (!entries_.contains(Parent(normal))) AddFolder(Parent(normal));
  entries_.insert(normal, Entry{false, attributes, 0});
}

void MemoryFileSystem::Remove(const QString& path) { entries_.remove(Normal(path)); }

void MemoryFileSystem::RefuseListing(const QString& folder, int errorNumber) {
  entries_[Normal(folder)].refusal = errorNumber;
}

int MemoryFileSystem::Attributes(const QString& path) const {
  const auto it = entries_.find(Normal(path));
  if (path.isEmpty() || it == entries_.end())
    throw AppError(QStringLiteral("Path not found"), error_number::kPathNotFound);
  return it->attributes;
}

bool MemoryFileSystem::IsRootFolder(const QString& folder) const { return Normal(folder) == QLatin1String("/"); }

const MemoryFileSystem::Entry& MemoryFileSystem::FolderToList(const QString& normal) const {
  const auto it = entries_.find(normal);
  if (it == entries_.end() || !it->folder)
    throw AppError(QStringLiteral("Path not found"), error_number::kPathNotFound);
  if (it->refusal == error_number::kPermissionDenied)
    throw AppError(QStringLiteral("Permission denied"), it->refusal);
  if (it->refusal != 0) throw AppError(QStringLiteral("Device I/O error"), it->refusal);
  return *it;
}

QStringList MemoryFileSystem::Children(const QString& normal, bool folders) const {
  const QString prefix = normal == QLatin1String("/") ? normal : normal + u'/';
  QStringList names;
  for (auto it = entries_.lowerBound(prefix); it != entries_.end() && it.key().startsWith(prefix); ++it) {
    const QString rest = it.key().mid(prefix.size());
    if (!rest.isEmpty() && !rest.contains(u'/') && it->folder == folders) names.append(rest);
  }
  SortNames(names);
  return names;
}

QStringList MemoryFileSystem::SubFolderNames(const QString& folder) const {
  const QString normal = Normal(folder);
  if (onListing) onListing(normal);
  FolderToList(normal);
  ++listings_[normal];
  return Children(normal, true);
}

QStringList MemoryFileSystem::ListFiles(const QString& folder, const QString& pattern) const {
  const QString normal = Normal(folder);
  if (onListing) onListing(normal);
  FolderToList(normal);
  QStringList names;
  for (const QString& name : Children(normal, false))
    if (WildcardMatch(name, pattern)) names.append(name);
  return names;
}

bool MemoryFileSystem::FileExistsByOpen(const QString& path) const {
  const auto it = entries_.find(Normal(path));
  return !path.isEmpty() && it != entries_.end() && !it->folder;
}

bool MemoryFileSystem::FolderExists(const QString& path) const {
  const auto it = entries_.find(Normal(path));
  return !path.isEmpty() && it != entries_.end() && it->folder;
}
