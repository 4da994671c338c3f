// One directory read per folder, kept as the set of its entries' names.
#include "platform/folder_listings.h"

#include <dirent.h>
#include <sys/stat.h>

#include "platform/native_names.h"

namespace {

std::optional<QSet<QByteArray>> ReadFolder(const QByteArray& folder) {
  DIR* dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
  if (!dir) return std::nullopt;
  QSet<QByteArray> names;
  while (const dirent* entry = ::readdir(dir)) names.insert(QByteArray(entry->d_name));
  ::closedir(dir);
  return names;
}

}  // namespace

bool FolderListings::Exists(const QString& path) {
  const QByteArray native = NativeName(path);
  const qsizetype slash = native.lastIndexOf('/');
  const QByteArray folder = slash < 0 ? QByteArray() : native.left(slash == 0 ? 1 : slash);
  const QByteArray name = native.mid(slash + 1);
  auto found = folders_.find(folder);
  if (found == folders_.end()) found = folders_.emplace(folder, ReadFolder(folder)).first;
  if (found->second) return !name.isEmpty() && found->second->contains(name);
  struct stat st;
  return ::lstat(native.constData(), &st) == 0;
}
