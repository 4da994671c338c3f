// Message writer: writes compound files from a tree of storages and streams (version 3 or
// 4, mini stream and regular sectors, DIFAT sectors when asked), and hands back the
// layout so tests can damage exactly one table entry, link or field afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace msgwriter {

struct CfbOptions {
  int version = 3;                   // 3: 512-byte sectors, 4: 4096-byte sectors
  std::uint32_t mini_cutoff = 4096;  // streams below this size go to the mini stream
  std::uint32_t min_fat_sectors = 0; // pad the FAT; more than 109 needs DIFAT sectors
  bool degenerate_trees = false;     // children as a right-leaning chain, not balanced
  std::uint32_t size_high_bits = 0;  // written in the high half of v3 stream sizes
};

// The written file plus where everything went, with hooks to corrupt it.
struct CfbImage {
  std::vector<std::uint8_t> bytes;
  std::uint32_t sector_size = 512;
  std::vector<std::uint32_t> fat_sectors;
  std::vector<std::uint32_t> difat_sectors;
  std::vector<std::uint32_t> directory_sectors;
  std::vector<std::uint32_t> mini_fat_sectors;
  std::vector<std::uint32_t> mini_stream_sectors;

  // Directory entry fields that tests may overwrite.
  enum class Field { kNameLength, kType, kLeft, kRight, kChild, kStart, kSize };

  std::size_t SectorOffset(std::uint32_t sector) const;
  std::size_t EntryOffset(std::uint32_t id) const;

  std::uint32_t Fat(std::uint32_t sector) const;
  void SetFat(std::uint32_t sector, std::uint32_t next);
  std::uint32_t MiniFat(std::uint32_t mini_sector) const;
  void SetMiniFat(std::uint32_t mini_sector, std::uint32_t next);
  std::uint64_t EntryField(std::uint32_t id, Field field) const;
  void SetEntryField(std::uint32_t id, Field field, std::uint64_t value);
  void SetHeaderU32(std::size_t offset, std::uint32_t value);
  void SetHeaderU16(std::size_t offset, std::uint16_t value);
  // The "next" link at the end of a DIFAT sector.
  void SetDifatNext(std::uint32_t difat_sector, std::uint32_t next);
  // Cuts the file to `size` bytes.
  void Truncate(std::size_t size) { bytes.resize(size); }

  std::uint32_t GetU32(std::size_t offset) const;
  void PutU32(std::size_t offset, std::uint32_t value);
  void PutU16(std::size_t offset, std::uint16_t value);
};

class CfbWriter {
 public:
  static constexpr std::uint32_t kRoot = 0;

  CfbWriter();

  // Adds a child to storage `parent` and returns its directory id.
  std::uint32_t AddStorage(std::uint32_t parent, const std::u16string& name);
  std::uint32_t AddStream(std::uint32_t parent, const std::u16string& name,
                          std::vector<std::uint8_t> data);

  CfbImage Build(const CfbOptions& options = {}) const;

 private:
  struct Node {
    std::u16string name;
    int type;  // 1 storage, 2 stream, 5 root
    std::vector<std::uint8_t> data;
    std::vector<std::uint32_t> children;
  };
  std::vector<Node> nodes_;
};

// Sector-number markers.
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
inline constexpr std::uint32_t kFreeSector = 0xFFFFFFFFu;
inline constexpr std::uint32_t kFatSector = 0xFFFFFFFDu;
inline constexpr std::uint32_t kDifatSector = 0xFFFFFFFCu;
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;

}  // namespace msgwriter
