// One directory read per folder on Windows, kept as the set of its entries' names folded
// to one case, since Windows takes "Report.doc" and "REPORT.DOC" for the same file.
#include "platform/folder_listings.h"

#include <windows.h>

#include <QDir>

#include "platform/wide_path.h"

namespace {

QByteArray Key(const QString& name) { return name.toCaseFolded().toUtf8(); }

std::optional<QSet<QByteArray>> ReadFolder(const QString& folder) {
  std::wstring pattern = WidePath(folder.isEmpty() ? QStringLiteral(".") : folder);
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW entry{};
  HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return std::nullopt;
  QSet<QByteArray> names;
  do {
    names.insert(Key(QString::fromWCharArray(entry.cFileName)));
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return names;
}

}  // namespace

bool FolderListings::Exists(const QString& path) {
  const QString clean = QDir::fromNativeSeparators(path);
  const qsizetype slash = clean.lastIndexOf(u'/');
  const QString folder = slash < 0 ? QString() : clean.left(slash == 0 || clean.at(slash - 1) == u':' ? slash + 1 : slash);
  const QString name = clean.mid(slash + 1);
  const QByteArray folderKey = Key(folder);
  auto found = folders_.find(folderKey);
  if (found == folders_.end()) found = folders_.emplace(folderKey, ReadFolder(folder)).first;
  if (found->second) return !name.isEmpty() && found->second->contains(Key(name));
  return ::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
