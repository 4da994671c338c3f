// Message writer: a straightforward compound-file writer. Sectors are laid out as FAT,
// DIFAT, directory, mini FAT, mini stream, then the regular streams; every chain runs
// forward through consecutive sectors, so callers know where each piece lives.
#include "msgwriter/cfb_writer.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace msgwriter {
namespace {

constexpr std::uint32_t kMiniSectorSize = 64;

std::uint32_t CeilDiv(std::uint64_t value, std::uint64_t unit) {
  return static_cast<std::uint32_t>(value / unit + (value % unit != 0));
}

// The directory's order of names: shorter first, then by upper-cased code units.
bool NameLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= u'a' && a[i] <= u'z' ? a[i] - 32 : a[i];
    char16_t y = b[i] >= u'a' && b[i] <= u'z' ? b[i] - 32 : b[i];
    if (x != y) return x < y;
  }
  return false;
}

std::size_t FieldOffset(CfbImage::Field field) {
  switch (field) {
    case CfbImage::Field::kNameLength: return 64;
    case CfbImage::Field::kType: return 66;
    case CfbImage::Field::kLeft: return 68;
    case CfbImage::Field::kRight: return 72;
    case CfbImage::Field::kChild: return 76;
    case CfbImage::Field::kStart: return 116;
    case CfbImage::Field::kSize: return 120;
  }
  return 0;
}

}  // namespace

std::uint32_t CfbImage::GetU32(std::size_t offset) const {
  return bytes.at(offset) | bytes.at(offset + 1) << 8 | bytes.at(offset + 2) << 16 |
         static_cast<std::uint32_t>(bytes.at(offset + 3)) << 24;
}

void CfbImage::PutU32(std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

void CfbImage::PutU16(std::size_t offset, std::uint16_t value) {
  bytes.at(offset) = static_cast<std::uint8_t>(value);
  bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

std::size_t CfbImage::SectorOffset(std::uint32_t sector) const {
  return (static_cast<std::size_t>(sector) + 1) * sector_size;
}

std::size_t CfbImage::EntryOffset(std::uint32_t id) const {
  std::uint32_t per_sector = sector_size / 128;
  return SectorOffset(directory_sectors.at(id / per_sector)) + (id % per_sector) * 128;
}

std::uint32_t CfbImage::Fat(std::uint32_t sector) const {
  std::uint32_t per_sector = sector_size / 4;
  return GetU32(SectorOffset(fat_sectors.at(sector / per_sector)) + 4 * (sector % per_sector));
}

void CfbImage::SetFat(std::uint32_t sector, std::uint32_t next) {
  std::uint32_t per_sector = sector_size / 4;
  PutU32(SectorOffset(fat_sectors.at(sector / per_sector)) + 4 * (sector % per_sector), next);
}

std::uint32_t CfbImage::MiniFat(std::uint32_t mini_sector) const {
  std::uint32_t per_sector = sector_size / 4;
  return GetU32(SectorOffset(mini_fat_sectors.at(mini_sector / per_sector)) +
                4 * (mini_sector % per_sector));
}

void CfbImage::SetMiniFat(std::uint32_t mini_sector, std::uint32_t next) {
  std::uint32_t per_sector = sector_size / 4;
  PutU32(SectorOffset(mini_fat_sectors.at(mini_sector / per_sector)) + 4 * (mini_sector % per_sector),
         next);
}

std::uint64_t CfbImage::EntryField(std::uint32_t id, Field field) const {
  std::size_t offset = EntryOffset(id) + FieldOffset(field);
  switch (field) {
    case Field::kNameLength: return bytes.at(offset) | bytes.at(offset + 1) << 8;
    case Field::kType: return bytes.at(offset);
    case Field::kSize: return GetU32(offset) | static_cast<std::uint64_t>(GetU32(offset + 4)) << 32;
    default: return GetU32(offset);
  }
}

void CfbImage::SetEntryField(std::uint32_t id, Field field, std::uint64_t value) {
  std::size_t offset = EntryOffset(id) + FieldOffset(field);
  switch (field) {
    case Field::kNameLength: PutU16(offset, static_cast<std::uint16_t>(value)); break;
    case Field::kType: bytes.at(offset) = static_cast<std::uint8_t>(value); break;
    case Field::kSize:
      PutU32(offset, static_cast<std::uint32_t>(value));
      PutU32(offset + 4, static_cast<std::uint32_t>(value >> 32));
      break;
    default: PutU32(offset, static_cast<std::uint32_t>(value)); break;
  }
}

void CfbImage::SetHeaderU32(std::size_t offset, std::uint32_t value) { PutU32(offset, value); }
void CfbImage::SetHeaderU16(std::size_t offset, std::uint16_t value) { PutU16(offset, value); }

void CfbImage::SetDifatNext(std::uint32_t difat_sector, std::uint32_t next) {
  PutU32(SectorOffset(difat_sector) + sector_size - 4, next);
}

CfbWriter::CfbWriter() { nodes_.push_back(Node{u"Root Entry", 5, {}, {}}); }

std::uint32_t CfbWriter::AddStorage(std::uint32_t parent, const std::u16string& name) {
  nodes_.push_back(Node{name, 1, {}, {}});
  auto id = static_cast<std::uint32_t>(nodes_.size() - 1);
  nodes_.at(parent).children.push_back(id);
  return id;
}

std::uint32_t CfbWriter::AddStream(std::uint32_t parent, const std::u16string& name,
                                   std::vector<std::uint8_t> data) {
  nodes_.push_back(Node{name, 2, std::move(data), {}});
  auto id = static_cast<std::uint32_t>(nodes_.size() - 1);
  nodes_.at(parent).children.push_back(id);
  return id;
}

CfbImage CfbWriter::Build(const CfbOptions& options) const {
  CfbImage image;
  const std::uint32_t ss = options.version == 4 ? 4096 : 512;
  image.sector_size = ss;
  const std::uint32_t per_fat = ss / 4;
  const std::size_t n = nodes_.size();

  // Streams: mini stream below the cutoff, regular sectors otherwise.
  std::vector<std::uint32_t> start(n, kEndOfChain);
  std::vector<bool> in_mini(n, false);
  std::vector<std::uint8_t> mini_stream;
  std::vector<std::uint32_t> mini_fat;
  std::uint32_t regular_stream_sectors = 0;
  for (std::size_t i = 1; i < n; ++i) {
    const Node& node = nodes_[i];
    if (node.type != 2 || node.data.empty()) continue;
    if (node.data.size() < options.mini_cutoff) {
      in_mini[i] = true;
      auto first = static_cast<std::uint32_t>(mini_fat.size());
      std::uint32_t count = CeilDiv(node.data.size(), kMiniSectorSize);
      for (std::uint32_t k = 0; k < count; ++k) mini_fat.push_back(k + 1 < count ? first + k + 1 : kEndOfChain);
      start[i] = first;
      mini_stream.insert(mini_stream.end(), node.data.begin(), node.data.end());
      mini_stream.resize(static_cast<std::size_t>(first + count) * kMiniSectorSize, 0);
    } else {
      regular_stream_sectors += CeilDiv(node.data.size(), ss);
    }
  }
  const std::uint32_t dir_count = CeilDiv(n, ss / 128);
  const std::uint32_t mini_fat_count = CeilDiv(mini_fat.size(), per_fat);
  const std::uint32_t mini_stream_count = CeilDiv(mini_stream.size(), ss);
  const std::uint32_t data_sectors = dir_count + mini_fat_count + mini_stream_count + regular_stream_sectors;

  std::uint32_t fat_count = std::max<std::uint32_t>(options.min_fat_sectors, 1);
  std::uint32_t difat_count = 0;
  for (;;) {
    difat_count = fat_count > 109 ? CeilDiv(fat_count - 109, per_fat - 1) : 0;
    std::uint32_t needed = CeilDiv(fat_count + difat_count + data_sectors, per_fat);
    if (needed <= fat_count) break;
    fat_count = needed;
  }
  const std::uint32_t total = fat_count + difat_count + data_sectors;
  std::vector<std::uint32_t> fat(static_cast<std::size_t>(fat_count) * per_fat, kFreeSector);
  std::uint32_t next = 0;
  auto take = [&](std::uint32_t count, std::vector<std::uint32_t>* list, std::uint32_t marker) {
    std::uint32_t first = next;
    for (std::uint32_t k = 0; k < count; ++k, ++next) {
      if (list) list->push_back(next);
      fat[next] = marker ? marker : (k + 1 < count ? next + 1 : kEndOfChain);
    }
    return count ? first : kEndOfChain;
  };
  take(fat_count, &image.fat_sectors, kFatSector);
  take(difat_count, &image.difat_sectors, kDifatSector);
  take(dir_count, &image.directory_sectors, 0);
  take(mini_fat_count, &image.mini_fat_sectors, 0);
  start[0] = take(mini_stream_count, &image.mini_stream_sectors, 0);
  for (std::size_t i = 1; i < n; ++i)
    if (nodes_[i].type == 2 && !nodes_[i].data.empty() && !in_mini[i])
      start[i] = take(CeilDiv(nodes_[i].data.size(), ss), nullptr, 0);

  image.bytes.assign(static_cast<std::size_t>(total + 1) * ss, 0);
  // Header.
  const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(signature, signature + 8, image.bytes.begin());
  image.PutU16(0x18, 0x3E);
  image.PutU16(0x1A, static_cast<std::uint16_t>(options.version));
  image.PutU16(0x1C, 0xFFFE);
  image.PutU16(0x1E, options.version == 4 ? 12 : 9);
  image.PutU16(0x20, 6);
  image.PutU32(0x28, options.version == 4 ? dir_count : 0);
  image.PutU32(0x2C, fat_count);
  image.PutU32(0x30, image.directory_sectors.at(0));
  image.PutU32(0x38, options.mini_cutoff);
  image.PutU32(0x3C, image.mini_fat_sectors.empty() ? kEndOfChain : image.mini_fat_sectors[0]);
  image.PutU32(0x40, mini_fat_count);
  image.PutU32(0x44, image.difat_sectors.empty() ? kEndOfChain : image.difat_sectors[0]);
  image.PutU32(0x48, difat_count);
  for (std::uint32_t i = 0; i < 109; ++i)
    image.PutU32(0x4C + 4 * i, i < fat_count ? image.fat_sectors[i] : kFreeSector);
  // DIFAT sectors.
  for (std::uint32_t d = 0; d < difat_count; ++d) {
    std::size_t base = image.SectorOffset(image.difat_sectors[d]);
    for (std::uint32_t k = 0; k < per_fat - 1; ++k) {
      std::uint32_t index = 109 + d * (per_fat - 1) + k;
      image.PutU32(base + 4 * k, index < fat_count ? image.fat_sectors[index] : kFreeSector);
    }
    image.PutU32(base + ss - 4, d + 1 < difat_count ? image.difat_sectors[d + 1] : kEndOfChain);
  }
  // FAT and mini FAT.
  for (std::size_t k = 0; k < fat.size(); ++k)
    image.PutU32(image.SectorOffset(image.fat_sectors[k / per_fat]) + 4 * (k % per_fat), fat[k]);
  for (std::uint32_t k = 0; k < mini_fat_count * per_fat; ++k)
    image.PutU32(image.SectorOffset(image.mini_fat_sectors[k / per_fat]) + 4 * (k % per_fat),
                 k < mini_fat.size() ? mini_fat[k] : kFreeSector);
  // Mini stream and regular streams.
  for (std::size_t k = 0; k < mini_stream.size(); ++k)
    image.bytes[image.SectorOffset(image.mini_stream_sectors[k / ss]) + k % ss] = mini_stream[k];
  for (std::size_t i = 1; i < n; ++i)
    if (nodes_[i].type == 2 && !nodes_[i].data.empty() && !in_mini[i])
      std::copy(nodes_[i].data.begin(), nodes_[i].data.end(),
                image.bytes.begin() + static_cast<std::ptrdiff_t>(image.SectorOffset(start[i])));

  // Directory: each storage's children as a tree over their sorted names.
  std::vector<std::uint32_t> left(n, kNoStream), right(n, kNoStream), child(n, kNoStream);
  for (std::size_t i = 0; i < n; ++i) {
    std::vector<std::uint32_t> sorted = nodes_[i].children;
    if (sorted.empty()) continue;
    std::sort(sorted.begin(), sorted.end(),
              [&](std::uint32_t a, std::uint32_t b) { return NameLess(nodes_[a].name, nodes_[b].name); });
    if (options.degenerate_trees) {
      child[i] = sorted[0];
      for (std::size_t k = 0; k + 1 < sorted.size(); ++k) right[sorted[k]] = sorted[k + 1];
      continue;
    }
    std::function<std::uint32_t(std::size_t, std::size_t)> balance = [&](std::size_t lo, std::size_t hi) {
      if (lo >= hi) return kNoStream;
      std::size_t mid = lo + (hi - lo) / 2;
      left[sorted[mid]] = balance(lo, mid);
      right[sorted[mid]] = balance(mid + 1, hi);
      return sorted[mid];
    };
    child[i] = balance(0, sorted.size());
  }
  for (std::uint32_t id = 0; id < dir_count * (ss / 128); ++id) {
    std::size_t base = image.EntryOffset(id);
    if (id >= n) {
      image.PutU32(base + 68, kNoStream);
      image.PutU32(base + 72, kNoStream);
      image.PutU32(base + 76, kNoStream);
      continue;
    }
    const Node& node = nodes_[id];
    if (node.name.size() > 31) throw std::invalid_argument("compound-file names hold at most 31 characters");
    for (std::size_t k = 0; k < node.name.size(); ++k) image.PutU16(base + 2 * k, node.name[k]);
    image.PutU16(base + 64, static_cast<std::uint16_t>((node.name.size() + 1) * 2));
    image.bytes[base + 66] = static_cast<std::uint8_t>(node.type);
    image.bytes[base + 67] = 1;  // black
    image.PutU32(base + 68, left[id]);
    image.PutU32(base + 72, right[id]);
    image.PutU32(base + 76, child[id]);
    std::uint64_t size = id == 0 ? mini_stream.size() : node.data.size();
    image.PutU32(base + 116, node.type == 1 ? 0 : start[id]);
    image.PutU32(base + 120, static_cast<std::uint32_t>(size));
    image.PutU32(base + 124, options.version == 4 ? static_cast<std::uint32_t>(size >> 32)
                                                  : (node.type == 2 ? options.size_high_bits : 0));
  }
  return image;
}

}  // namespace msgwriter
