// The one-owner rule of a compound file: every regular sector belongs to at most one of
// the tables, the mini stream or a stream, and every mini sector to at most one stream.
// Without it, many entries could point at one long chain and make reading the file cost
// the chain's length once per entry.
#include <string>

#include "converter/cfb/compound_file.h"
#include "converter/base/errors.h"

namespace quorlin {
namespace {

constexpr std::uint32_t kUnowned = 0xFFFFFFFFu;
// Owners that are not directory entries; entry ids are far below these.
constexpr std::uint32_t kOwnerFat = 0xFFFFFFF0u;
constexpr std::uint32_t kOwnerDifat = 0xFFFFFFF1u;
constexpr std::uint32_t kOwnerDirectory = 0xFFFFFFF2u;
constexpr std::uint32_t kOwnerMiniFat = 0xFFFFFFF3u;
constexpr std::uint32_t kOwnerMiniStream = 0xFFFFFFF4u;
constexpr std::uint64_t kMiniSectorSize = 64;

std::string DescribeOwner(const DirectoryTree& tree, std::uint32_t owner) {
  switch (owner) {
    case kOwnerFat: return "the FAT";
    case kOwnerDifat: return "the DIFAT";
    case kOwnerDirectory: return "the directory";
    case kOwnerMiniFat: return "the mini FAT";
    case kOwnerMiniStream: return "the mini stream";
  }
  return "stream \"" + NameForMessages(tree.entry(owner).name) + "\" (entry " +
         std::to_string(owner) + ")";
}

// Per-sector owners of one kind of sector (regular or mini).
class Owners {
 public:
  Owners(const DirectoryTree& tree, std::uint64_t count, const char* kind)
      : tree_(tree), owners_(static_cast<std::size_t>(count), kUnowned), kind_(kind) {}

  // Gives `unit` to `owner`. Returns false when `owner` already holds it (a chain that
  // loops, reported when the stream is read); throws when someone else does.
  bool Claim(std::uint32_t unit, std::uint32_t owner) {
    std::uint32_t& slot = owners_[unit];
    if (slot == owner) return false;
    if (slot != kUnowned)
      throw FormatError(std::string(kind_) + " " + std::to_string(unit) + " is shared by " +
                        DescribeOwner(tree_, slot) + " and " + DescribeOwner(tree_, owner));
    slot = owner;
    return true;
  }

  void ClaimAll(const std::vector<std::uint32_t>& units, std::uint32_t owner) {
    for (std::uint32_t unit : units)
      if (!Claim(unit, owner))
        throw FormatError(std::string(kind_) + " " + std::to_string(unit) + " is listed twice in " +
                          DescribeOwner(tree_, owner));
  }

  // Claims the first `count` links of the chain from `start` in `table`, stopping quietly
  // where the chain ends, leaves the table or loops back into itself.
  void ClaimChain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                  std::uint64_t count, std::uint32_t owner) {
    std::uint32_t unit = start;
    for (std::uint64_t i = 0; i < count; ++i) {
      if (unit >= owners_.size() || unit >= table.size() || !Claim(unit, owner)) return;
      unit = table[unit];
    }
  }

 private:
  const DirectoryTree& tree_;
  std::vector<std::uint32_t> owners_;
  const char* kind_;
};

}  // namespace

void CompoundFile::CheckSectorOwners(const std::vector<std::uint32_t>& fat_sectors,
                                     const std::vector<std::uint32_t>& difat_sectors,
                                     const std::vector<std::uint32_t>& directory_sectors,
                                     const std::vector<std::uint32_t>& mini_fat_sectors) const {
  Owners regular(directory_, sector_count_, "sector");
  regular.ClaimAll(fat_sectors, kOwnerFat);
  regular.ClaimAll(difat_sectors, kOwnerDifat);
  regular.ClaimAll(directory_sectors, kOwnerDirectory);
  regular.ClaimAll(mini_fat_sectors, kOwnerMiniFat);
  regular.ClaimAll(mini_stream_sectors_, kOwnerMiniStream);

  Owners mini(directory_, (mini_stream_size_ + kMiniSectorSize - 1) / kMiniSectorSize, "mini sector");
  // Only entries the tree reaches: each storage lists its children exactly once.
  for (std::uint32_t storage = 0; storage < directory_.entry_count(); ++storage) {
    for (std::uint32_t id : directory_.children(storage)) {
      const DirectoryEntry& entry = directory_.entry(id);
      if (entry.kind != EntryKind::kStream || entry.size == 0) continue;
      if (entry.size < mini_cutoff_)
        mini.ClaimChain(mini_fat_, entry.start_sector,
                        (entry.size + kMiniSectorSize - 1) / kMiniSectorSize, id);
      else
        regular.ClaimChain(fat_, entry.start_sector,
                           (entry.size + sector_size_ - 1) / sector_size_, id);
    }
  }
}

}  // namespace quorlin
