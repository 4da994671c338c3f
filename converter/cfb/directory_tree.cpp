// Parses directory entries and lists each storage's children by an in-order walk of its
// tree. The walk is iterative (a degenerate tree may be thousands deep) and marks every
// entry it reaches, so a loop or an entry shared by two trees is reported, not followed.
#include "converter/cfb/directory_tree.h"

#include <algorithm>
#include <string>

#include "converter/base/byte_cursor.h"
#include "converter/base/errors.h"

namespace quorlin {
namespace {

constexpr std::size_t kEntrySize = 128;

std::string Describe(std::uint32_t id) { return "directory entry " + std::to_string(id); }

DirectoryEntry ParseEntry(std::span<const std::uint8_t> bytes, bool full_size) {
  ByteCursor cursor(bytes);
  DirectoryEntry entry;
  std::span<const std::uint8_t> name = cursor.ReadBytes(64, "directory entry name");
  std::uint16_t name_length = cursor.ReadU16("directory entry name length");
  std::uint8_t kind = cursor.ReadU8("directory entry type");
  cursor.ReadU8("directory entry colour");
  entry.left = cursor.ReadU32("directory entry left sibling");
  entry.right = cursor.ReadU32("directory entry right sibling");
  entry.child = cursor.ReadU32("directory entry child");
  cursor.Skip(16 + 4 + 8 + 8, "directory entry class and times");
  entry.start_sector = cursor.ReadU32("directory entry start sector");
  std::uint64_t size = cursor.ReadU64("directory entry stream size");
  entry.size = full_size ? size : (size & 0xFFFFFFFFu);

  // Unknown types are kept as they are: such an entry is skipped where a tree reaches it.
  entry.kind = static_cast<EntryKind>(kind);
  entry.name_length = name_length;
  std::size_t units = std::min<std::size_t>(name_length, 64) / 2;
  if (units > 0) --units;  // the terminating null
  entry.name.reserve(units);
  for (std::size_t i = 0; i < units; ++i)
    entry.name.push_back(static_cast<char16_t>(name[2 * i] | (name[2 * i + 1] << 8)));
  return entry;
}

}  // namespace

std::string NameForMessages(std::u16string_view name) {
  std::string text;
  for (char16_t unit : name) text.push_back(unit >= 0x20 && unit < 0x7F ? static_cast<char>(unit) : '?');
  return text;
}

DirectoryTree::DirectoryTree(std::span<const std::uint8_t> directory, bool full_size) {
  std::size_t count = directory.size() / kEntrySize;
  if (count == 0) throw FormatError("the compound file has no directory entries");
  entries_.reserve(count);
  for (std::size_t i = 0; i < count; ++i)
    entries_.push_back(ParseEntry(directory.subspan(i * kEntrySize, kEntrySize), full_size));
  if (entries_[0].kind != EntryKind::kRoot)
    throw FormatError("the first directory entry is not the root storage");

  children_.resize(count);
  parents_.resize(count, kNoStream);
  std::vector<bool> seen(count, false);
  seen[0] = true;
  std::vector<std::uint32_t> storages_to_walk{0};
  while (!storages_to_walk.empty()) {
    std::uint32_t storage = storages_to_walk.back();
    storages_to_walk.pop_back();
    WalkChildren(storage, seen, storages_to_walk);
  }
}

void DirectoryTree::WalkChildren(std::uint32_t storage, std::vector<bool>& seen,
                                 std::vector<std::uint32_t>& storages_to_walk) {
  // Entries that are free, of an unknown type or a second root are not elements: the walk
  // lists nothing for them and does not follow their links, which may be garbage.
  auto is_element = [&](std::uint32_t id) {
    EntryKind kind = entries_[id].kind;
    return kind == EntryKind::kStorage || kind == EntryKind::kStream ||
           kind == EntryKind::kLockBytes || kind == EntryKind::kProperty;
  };

  auto visit = [&](std::uint32_t id, std::uint32_t from) {
    if (id == kNoStream) return false;
    if (id >= entries_.size())
      throw FormatError(Describe(from) + " links to missing entry " + std::to_string(id));
    if (!is_element(id)) return false;
    if (seen[id])
      throw FormatError("the directory tree loops: " + Describe(id) + " is reached twice");
    seen[id] = true;
    return true;
  };

  std::vector<std::uint32_t> path;  // nodes whose left side is being walked
  std::uint32_t node = entries_[storage].child;
  if (!visit(node, storage)) return;
  for (;;) {
    while (node != kNoStream) {
      path.push_back(node);
      std::uint32_t left = entries_[node].left;
      node = visit(left, node) ? left : kNoStream;
    }
    if (path.empty()) break;
    std::uint32_t current = path.back();
    path.pop_back();
    const DirectoryEntry& entry = entries_[current];
    if (entry.kind == EntryKind::kStorage || entry.kind == EntryKind::kStream) {
      if (entry.name_length < 2 || entry.name_length > 64 || entry.name_length % 2 != 0)
        throw FormatError(Describe(current) + " has a bad name length " +
                          std::to_string(entry.name_length));
      children_[storage].push_back(current);
      parents_[current] = storage;
    }
    if (entry.kind == EntryKind::kStorage) storages_to_walk.push_back(current);
    node = visit(entry.right, current) ? entry.right : kNoStream;
  }
}

}  // namespace quorlin
