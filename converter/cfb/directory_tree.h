// The directory of a compound file: its 128-byte entries and, for every storage, its
// direct children in the order of the storage's red-black tree. The whole tree is checked
// once when it is built, so the views handed out later can trust it.
// The file layout it reads, field by field: docs/compound-file.md.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorlin {

enum class EntryKind : std::uint8_t {
  kUnused = 0,
  kStorage = 1,
  kStream = 2,
  kLockBytes = 3,
  kProperty = 4,
  kRoot = 5,
};

inline constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;

struct DirectoryEntry {
  std::u16string name;
  std::uint16_t name_length = 0;  // in bytes, with the terminating null, as stored
  EntryKind kind = EntryKind::kUnused;
  std::uint32_t left = kNoStream;
  std::uint32_t right = kNoStream;
  std::uint32_t child = kNoStream;
  std::uint32_t start_sector = 0;
  std::uint64_t size = 0;
};

// An element name fit for an error message: ASCII kept, anything else as '?'.
std::string NameForMessages(std::u16string_view name);

class DirectoryTree {
 public:
  // Parses the directory stream's bytes. `full_size` says whether the 64-bit stream size
  // counts (version 4) or only its low 32 bits (version 3). Throws FormatError for a bad
  // entry, a link to a missing entry, or a tree that loops or reaches an entry twice.
  DirectoryTree() = default;
  DirectoryTree(std::span<const std::uint8_t> directory, bool full_size);

  std::size_t entry_count() const { return entries_.size(); }
  const DirectoryEntry& entry(std::uint32_t id) const { return entries_.at(id); }

  // The storages and streams directly inside storage `id`, in tree (in-order) order.
  const std::vector<std::uint32_t>& children(std::uint32_t id) const { return children_.at(id); }

  // The storage that lists entry `id` among its children; kNoStream for the root and for
  // entries no storage lists (free, unknown or unreachable ones, and out-of-range ids).
  std::uint32_t parent(std::uint32_t id) const { return id < parents_.size() ? parents_[id] : kNoStream; }

 private:
  void WalkChildren(std::uint32_t storage, std::vector<bool>& seen,
                    std::vector<std::uint32_t>& storages_to_walk);

  std::vector<DirectoryEntry> entries_;
  std::vector<std::vector<std::uint32_t>> children_;
  std::vector<std::uint32_t> parents_;
};

}  // namespace quorlin
