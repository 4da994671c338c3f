// Compound-file parsing: header, DIFAT, FAT, directory, mini FAT and mini stream, each
// checked before use. No table or stream is allocated larger than the file could hold,
// and every chain is followed with a bound and a loop check.
#include "converter/cfb/compound_file.h"

#include <algorithm>
#include <string>

#include "converter/base/byte_cursor.h"
#include "converter/base/errors.h"

namespace quorlin {
namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFFu;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::uint32_t kMiniSectorSize = 64;

std::string Num(std::uint64_t value) { return std::to_string(value); }

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t unit) {
  return value / unit + (value % unit != 0);
}

}  // namespace

bool CompoundFile::HasSignature(std::span<const std::uint8_t> bytes) {
  static_assert(sizeof kSignature == kSignatureSize);
  return bytes.size() >= sizeof kSignature && std::equal(kSignature, kSignature + 8, bytes.begin());
}

std::shared_ptr<const CompoundFile> CompoundFile::Open(std::span<const std::uint8_t> bytes) {
  return std::shared_ptr<const CompoundFile>(new CompoundFile(bytes));
}

CompoundFile::CompoundFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
  std::vector<std::uint32_t> difat_sectors;
  std::vector<std::uint32_t> fat_sectors = ReadHeaderAndFat(difat_sectors);

  std::vector<std::uint32_t> directory_sectors =
      Chain(fat_, first_directory_sector_, sector_count_, nullptr, "directory chain");
  std::vector<std::uint8_t> directory;
  directory.reserve(directory_sectors.size() * sector_size_);
  for (std::uint32_t sector : directory_sectors) {
    std::span<const std::uint8_t> part = SectorBytes(sector, 0, sector_size_, "directory sector");
    directory.insert(directory.end(), part.begin(), part.end());
  }
  directory_ = DirectoryTree(directory, major_version_ == 4);
  std::vector<std::uint32_t> mini_fat_sectors = ReadMiniTables(first_mini_fat_sector_);
  CheckSectorOwners(fat_sectors, difat_sectors, directory_sectors, mini_fat_sectors);
}

void CompoundFile::CheckHeader(std::span<const std::uint8_t> bytes) {
  if (!HasSignature(bytes)) throw NotAMessageError(kNoSignatureMessage);
  if (bytes.size() < kHeaderSize) throw NotAMessageError("not a compound file (header is truncated)");
  ByteCursor header(bytes.first(kHeaderSize));
  header.Seek(0x1A, "header");
  std::uint16_t major_version = header.ReadU16("major version");
  std::uint16_t byte_order = header.ReadU16("byte order");
  std::uint16_t sector_shift = header.ReadU16("sector shift");
  std::uint16_t mini_shift = header.ReadU16("mini sector shift");
  if (major_version != 3 && major_version != 4)
    throw FormatError("unsupported compound-file version " + Num(major_version));
  if (byte_order != 0xFFFE) throw FormatError("compound-file header has a bad byte-order mark");
  if (sector_shift != (major_version == 3 ? 9 : 12))
    throw FormatError("compound-file header has a bad sector size (shift " + Num(sector_shift) + ")");
  if (mini_shift != 6)
    throw FormatError("compound-file header has a bad mini sector size (shift " + Num(mini_shift) + ")");
}

std::vector<std::uint32_t> CompoundFile::ReadHeaderAndFat(std::vector<std::uint32_t>& difat_sectors) {
  CheckHeader(bytes_);
  ByteCursor header(bytes_.first(kHeaderSize));
  header.Seek(0x1A, "header");
  major_version_ = header.ReadU16("major version");
  header.ReadU16("byte order");
  std::uint16_t sector_shift = header.ReadU16("sector shift");
  sector_size_ = 1u << sector_shift;
  sector_count_ = (bytes_.size() - 1) / sector_size_;  // sectors that start inside the file

  header.Seek(0x2C, "header");
  std::uint32_t fat_sector_count = header.ReadU32("FAT sector count");
  first_directory_sector_ = header.ReadU32("first directory sector");
  header.ReadU32("transaction signature");
  mini_cutoff_ = header.ReadU32("mini stream cutoff");
  first_mini_fat_sector_ = header.ReadU32("first mini FAT sector");
  header.ReadU32("mini FAT sector count");
  std::uint32_t difat_sector = header.ReadU32("first DIFAT sector");
  header.ReadU32("DIFAT sector count");
  if (fat_sector_count > sector_count_)
    throw FormatError("compound-file header claims " + Num(fat_sector_count) +
                      " FAT sectors, more than the file holds");

  // The FAT's sector locations: 109 in the header, the rest in a chain of DIFAT sectors
  // whose last entry links to the next one.
  std::vector<std::uint32_t> fat_sectors;
  fat_sectors.reserve(fat_sector_count);
  for (std::size_t i = 0; i < kHeaderDifatEntries && fat_sectors.size() < fat_sector_count; ++i)
    fat_sectors.push_back(header.ReadU32("header DIFAT entry"));
  std::vector<bool> difat_seen;
  const std::uint32_t per_difat_sector = sector_size_ / 4 - 1;
  while (fat_sectors.size() < fat_sector_count) {
    if (difat_sector == kEndOfChain || difat_sector == kFreeSector)
      throw FormatError("the DIFAT chain ends before listing all " + Num(fat_sector_count) +
                        " FAT sectors");
    if (difat_sector >= sector_count_)
      throw FormatError("DIFAT sector " + Num(difat_sector) + " lies outside the file");
    if (difat_seen.empty()) difat_seen.resize(sector_count_, false);
    if (difat_seen[difat_sector]) throw FormatError("the DIFAT chain loops");
    difat_seen[difat_sector] = true;
    difat_sectors.push_back(difat_sector);
    std::span<const std::uint8_t> sector = SectorBytes(difat_sector, 0, sector_size_, "DIFAT sector");
    for (std::uint32_t i = 0; i < per_difat_sector && fat_sectors.size() < fat_sector_count; ++i)
      fat_sectors.push_back(ByteCursor::U32At(sector, 4 * i, "DIFAT entry"));
    difat_sector = ByteCursor::U32At(sector, 4 * per_difat_sector, "next DIFAT sector");
  }

  fat_.reserve(static_cast<std::size_t>(fat_sector_count) * (sector_size_ / 4));
  for (std::uint32_t sector : fat_sectors) {
    if (sector >= sector_count_)
      throw FormatError("FAT sector " + Num(sector) + " lies outside the file");
    std::span<const std::uint8_t> bytes = SectorBytes(sector, 0, sector_size_, "FAT sector");
    for (std::uint32_t i = 0; i < sector_size_ / 4; ++i)
      fat_.push_back(ByteCursor::U32At(bytes, 4 * i, "FAT entry"));
  }
  return fat_sectors;
}

std::vector<std::uint32_t> CompoundFile::ReadMiniTables(std::uint32_t mini_fat_start) {
  std::vector<std::uint32_t> mini_fat_sectors =
      Chain(fat_, mini_fat_start, sector_count_, nullptr, "mini FAT chain");
  mini_fat_.reserve(mini_fat_sectors.size() * (sector_size_ / 4));
  for (std::uint32_t sector : mini_fat_sectors) {
    std::span<const std::uint8_t> bytes = SectorBytes(sector, 0, sector_size_, "mini FAT sector");
    for (std::uint32_t i = 0; i < sector_size_ / 4; ++i)
      mini_fat_.push_back(ByteCursor::U32At(bytes, 4 * i, "mini FAT entry"));
  }

  // The mini stream is the root entry's stream, always kept in regular sectors.
  const DirectoryEntry& root = directory_.entry(0);
  mini_stream_size_ = root.size;
  if (mini_stream_size_ == 0) return mini_fat_sectors;
  if (mini_stream_size_ > sector_count_ * sector_size_)
    throw FormatError("the mini stream's size " + Num(mini_stream_size_) +
                      " runs past the end of the file");
  std::uint64_t count = CeilDiv(mini_stream_size_, sector_size_);
  mini_stream_sectors_ = Chain(fat_, root.start_sector, sector_count_, &count, "mini stream chain");
  return mini_fat_sectors;
}

std::vector<std::uint32_t> CompoundFile::Chain(const std::vector<std::uint32_t>& table,
                                               std::uint32_t start, std::uint64_t limit,
                                               const std::uint64_t* count,
                                               std::string_view what) const {
  std::vector<std::uint32_t> chain;
  if (count) chain.reserve(*count);
  std::uint32_t unit = start;
  while (!count || chain.size() < *count) {
    if (unit == kEndOfChain) {
      if (count) throw FormatError("the " + std::string(what) + " ends before its stated size");
      break;
    }
    if (unit >= limit || unit >= table.size())
      throw FormatError("the " + std::string(what) + " refers to sector " + Num(unit) +
                        ", outside the file");
    if (chain.size() >= limit) throw FormatError("the " + std::string(what) + " loops");
    chain.push_back(unit);
    unit = table[unit];
  }
  std::vector<std::uint32_t> sorted = chain;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
    throw FormatError("the " + std::string(what) + " loops");
  return chain;
}

std::span<const std::uint8_t> CompoundFile::SectorBytes(std::uint32_t sector, std::size_t offset,
                                                        std::size_t length,
                                                        std::string_view what) const {
  std::uint64_t start = (static_cast<std::uint64_t>(sector) + 1) * sector_size_ + offset;
  if (start > bytes_.size())
    throw FormatError(std::string(what) + " " + Num(sector) + " lies outside the file");
  return ByteCursor::BytesAt(bytes_, static_cast<std::size_t>(start), length, what);
}

std::vector<std::uint8_t> CompoundFile::ReadRegular(std::uint32_t start, std::uint64_t size,
                                                    std::string_view what) const {
  if (size > sector_count_ * sector_size_)
    throw FormatError("the " + std::string(what) + " has size " + Num(size) +
                      ", past the end of the file");
  std::uint64_t count = CeilDiv(size, sector_size_);
  std::vector<std::uint32_t> chain = Chain(fat_, start, sector_count_, &count, what);
  std::vector<std::uint8_t> data;
  data.reserve(static_cast<std::size_t>(size));
  for (std::uint32_t sector : chain) {
    std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(sector_size_, size - data.size()));
    std::span<const std::uint8_t> part = SectorBytes(sector, 0, length, what);
    data.insert(data.end(), part.begin(), part.end());
  }
  return data;
}

std::vector<std::uint8_t> CompoundFile::ReadMini(std::uint32_t start, std::uint64_t size,
                                                 std::string_view what) const {
  if (size > mini_stream_size_)
    throw FormatError("the " + std::string(what) + " has size " + Num(size) +
                      ", past the end of the mini stream");
  std::uint64_t count = CeilDiv(size, kMiniSectorSize);
  std::uint64_t limit = CeilDiv(mini_stream_size_, kMiniSectorSize);
  std::vector<std::uint32_t> chain = Chain(mini_fat_, start, limit, &count, what);
  std::vector<std::uint8_t> data;
  data.reserve(static_cast<std::size_t>(size));
  for (std::uint32_t mini : chain) {
    std::uint64_t offset = static_cast<std::uint64_t>(mini) * kMiniSectorSize;
    std::uint32_t sector = mini_stream_sectors_[static_cast<std::size_t>(offset / sector_size_)];
    std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kMiniSectorSize, size - data.size()));
    std::span<const std::uint8_t> part =
        SectorBytes(sector, static_cast<std::size_t>(offset % sector_size_), length, what);
    data.insert(data.end(), part.begin(), part.end());
  }
  return data;
}

std::vector<std::uint8_t> CompoundFile::ReadStream(std::uint32_t id) const {
  const DirectoryEntry& entry = directory_.entry(id);
  if (entry.kind != EntryKind::kStream)
    throw FormatError("directory entry " + Num(id) + " is not a stream");
  if (entry.size == 0) return {};
  std::string what = "stream \"" + NameForMessages(entry.name) + "\"";
  std::vector<std::uint8_t> data = entry.size < mini_cutoff_
                                       ? ReadMini(entry.start_sector, entry.size, what)
                                       : ReadRegular(entry.start_sector, entry.size, what);
  stream_bytes_read_ += data.size();
  return data;
}

std::optional<std::span<const std::uint8_t>> CompoundFile::StreamInPlace(std::uint32_t id) const {
  const DirectoryEntry& entry = directory_.entry(id);
  if (entry.kind != EntryKind::kStream)
    throw FormatError("directory entry " + Num(id) + " is not a stream");
  if (entry.size == 0) return std::span<const std::uint8_t>();  // also under a cutoff of 0
  if (entry.size < mini_cutoff_ || entry.size > sector_count_ * sector_size_) return std::nullopt;
  const std::uint64_t count = CeilDiv(entry.size, sector_size_);
  const std::vector<std::uint32_t> chain =
      Chain(fat_, entry.start_sector, sector_count_, &count,
            "stream \"" + NameForMessages(entry.name) + "\"");
  for (std::size_t k = 1; k < chain.size(); ++k)
    if (chain[k] != chain[k - 1] + 1) return std::nullopt;
  std::span<const std::uint8_t> data =
      SectorBytes(chain.front(), 0, static_cast<std::size_t>(entry.size), "stream");
  stream_bytes_read_ += data.size();
  return data;
}

}  // namespace quorlin
