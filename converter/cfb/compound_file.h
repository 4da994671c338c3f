// Reader of compound files (the structured-storage container that .msg files use). The
// caller holds the file's bytes; the header, the sector tables and the directory are
// parsed and checked once, and streams are read whole on request.
// The file layout it reads, field by field: docs/compound-file.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "converter/cfb/directory_tree.h"

namespace quorlin {

class CompoundFile {
 public:
  // True when the bytes start with the compound-file signature (8 bytes).
  static bool HasSignature(std::span<const std::uint8_t> bytes);
  static constexpr std::size_t kSignatureSize = 8;
  static constexpr char kNoSignatureMessage[] = "not a compound file (no compound-file signature)";

  // Checks the fixed fields of the 512-byte header (version, byte order, sector sizes)
  // that `header` starts with; throws FormatError when they are not a compound file's.
  static void CheckHeader(std::span<const std::uint8_t> header);
  static constexpr std::size_t kHeaderSize = 512;

  // Parses the file. `bytes` must outlive the returned object. Throws FormatError when
  // the bytes are not a compound file, any table, chain or link in them is damaged, or
  // two reachable streams (or a stream and a table) claim the same sector.
  static std::shared_ptr<const CompoundFile> Open(std::span<const std::uint8_t> bytes);

  const DirectoryTree& directory() const { return directory_; }
  std::uint32_t sector_size() const { return sector_size_; }

  // The whole content of stream entry `id`. Throws FormatError when its chain is damaged
  // or its size does not fit in the file.
  std::vector<std::uint8_t> ReadStream(std::uint32_t id) const;

  // The content of stream entry `id` as a view into the file's bytes, when the stream
  // lies in regular sectors that follow each other; nothing otherwise (then ReadStream
  // copies it). Throws as ReadStream does when the chain is damaged.
  std::optional<std::span<const std::uint8_t>> StreamInPlace(std::uint32_t id) const;

  // How many stream bytes ReadStream has handed out so far: a measure of reading work.
  std::uint64_t stream_bytes_read() const { return stream_bytes_read_; }

 private:
  explicit CompoundFile(std::span<const std::uint8_t> bytes);

  // Returns the sectors that hold the FAT and the DIFAT.
  std::vector<std::uint32_t> ReadHeaderAndFat(std::vector<std::uint32_t>& difat_sectors);
  std::vector<std::uint32_t> ReadMiniTables(std::uint32_t mini_fat_start);

  // Refuses a file in which a sector belongs to two owners: tables, the mini stream and
  // every stream the directory tree reaches. Each sector is visited at most once, so the
  // check is linear in the file's size; broken chains are left for the stream's read.
  void CheckSectorOwners(const std::vector<std::uint32_t>& fat_sectors,
                         const std::vector<std::uint32_t>& difat_sectors,
                         const std::vector<std::uint32_t>& directory_sectors,
                         const std::vector<std::uint32_t>& mini_fat_sectors) const;

  // Follows `table` from `start`. With `count` given, returns exactly that many units and
  // fails when the chain ends sooner; without, follows it to its end. Every unit must be
  // below `limit`; a unit met twice is a loop.
  std::vector<std::uint32_t> Chain(const std::vector<std::uint32_t>& table,
                                   std::uint32_t start, std::uint64_t limit,
                                   const std::uint64_t* count, std::string_view what) const;

  // The bytes of regular sector `sector`, `length` of them from `offset` within it.
  std::span<const std::uint8_t> SectorBytes(std::uint32_t sector, std::size_t offset,
                                            std::size_t length, std::string_view what) const;
  std::vector<std::uint8_t> ReadRegular(std::uint32_t start, std::uint64_t size,
                                        std::string_view what) const;
  std::vector<std::uint8_t> ReadMini(std::uint32_t start, std::uint64_t size,
                                     std::string_view what) const;

  std::span<const std::uint8_t> bytes_;
  std::uint32_t major_version_ = 3;
  std::uint32_t sector_size_ = 512;
  std::uint64_t sector_count_ = 0;  // regular sectors that start inside the file
  std::uint64_t mini_cutoff_ = 4096;
  std::uint32_t first_directory_sector_ = 0;
  std::uint32_t first_mini_fat_sector_ = 0;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> mini_fat_;
  std::vector<std::uint32_t> mini_stream_sectors_;  // the root entry's chain, in order
  std::uint64_t mini_stream_size_ = 0;
  DirectoryTree directory_;
  mutable std::uint64_t stream_bytes_read_ = 0;
};

}  // namespace quorlin
