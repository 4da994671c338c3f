// Compound-file reader: files written by the test writer in both versions read back
// exactly, and every kind of damage to their tables, chains, links and sizes ends in a
// FormatError that says what is wrong, never in a crash, a hang or a huge allocation.
#include "converter/cfb/compound_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "converter/base/errors.h"
#include "converter/cfb/storage.h"
#include "msgwriter/cfb_writer.h"

namespace quorlin {
namespace {

using msgwriter::CfbImage;
using msgwriter::CfbOptions;
using msgwriter::CfbWriter;
using Field = CfbImage::Field;

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
  return bytes;
}

// Reads every stream of every storage, depth first, copied and in place; returns how many
// were read.
int ReadAll(const Storage& storage) {
  int streams = 0;
  for (const Element& element : storage.Elements()) {
    if (element.kind == EntryKind::kStorage) {
      streams += ReadAll(storage.OpenStorage(element));
      continue;
    }
    const std::vector<std::uint8_t> copy = storage.ReadStream(element);
    const StreamBytes in_place = storage.ReadStreamInPlace(element);
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), in_place.bytes().begin(), in_place.bytes().end()));
    if (copy.size() == element.size) ++streams;
  }
  return streams;
}

// A small file with streams in the mini stream and in regular sectors, and storages
// two deep; ids of its entries are kept for the corruption helpers.
class CompoundFileTest : public ::testing::TestWithParam<int> {
 protected:
  CompoundFileTest() {
    for (const char16_t* name : {u"b", u"C", u"aa", u"A"}) writer_.AddStream(CfbWriter::kRoot, name, Pattern(10, 1));
    small_ = writer_.AddStream(CfbWriter::kRoot, u"small", Pattern(100, 2));
    big_ = writer_.AddStream(CfbWriter::kRoot, u"big", Pattern(5000, 3));
    sub_ = writer_.AddStorage(CfbWriter::kRoot, u"Sub");
    inner_ = writer_.AddStream(sub_, u"inner", Pattern(700, 4));
    deeper_ = writer_.AddStorage(sub_, u"Deeper");
    empty_ = writer_.AddStream(deeper_, u"empty", {});
  }

  CfbImage Build(CfbOptions options = {}) {
    options.version = GetParam();
    return writer_.Build(options);
  }

  // The FormatError an image raises when opened and read whole, or "" when none.
  static std::string Error(const CfbImage& image) {
    try {
      ReadAll(Storage::Root(CompoundFile::Open(image.bytes)));
      return "";
    } catch (const FormatError& error) {
      return error.what();
    }
  }

  // Expects the image to fail with a message that contains `words`.
  static void ExpectError(const CfbImage& image, const std::string& words) {
    std::string error = Error(image);
    EXPECT_NE(error, "") << "damage went unnoticed";
    EXPECT_NE(error.find(words), std::string::npos) << "message: " << error;
  }

  std::uint32_t Start(const CfbImage& image, std::uint32_t id) {
    return static_cast<std::uint32_t>(image.EntryField(id, Field::kStart));
  }

  CfbWriter writer_;
  std::uint32_t small_, big_, sub_, inner_, deeper_, empty_;
};

TEST_P(CompoundFileTest, ReadsBackWhatWasWritten) {
  for (std::uint32_t cutoff : {4096u, 512u, 0u}) {  // 0: every stream, the empty one too, regular
    CfbOptions options;
    options.mini_cutoff = cutoff;
    CfbImage image = Build(options);
    auto file = CompoundFile::Open(image.bytes);
    EXPECT_EQ(file->sector_size(), GetParam() == 4 ? 4096u : 512u);
    EXPECT_EQ(file->ReadStream(small_), Pattern(100, 2));
    EXPECT_EQ(file->ReadStream(big_), Pattern(5000, 3));
    EXPECT_EQ(file->ReadStream(inner_), Pattern(700, 4));
    EXPECT_TRUE(file->ReadStream(empty_).empty());
    // A regular stream in one piece is a view into the file's own bytes, not a copy.
    std::optional<std::span<const std::uint8_t>> big = file->StreamInPlace(big_);
    ASSERT_TRUE(big);
    EXPECT_EQ(std::vector<std::uint8_t>(big->begin(), big->end()), Pattern(5000, 3));
    EXPECT_TRUE(big->data() > image.bytes.data() && big->data() < image.bytes.data() + image.bytes.size());
    if (cutoff > 100) {
      EXPECT_FALSE(file->StreamInPlace(small_)) << "mini streams are copied";
    }
    Storage sub = Storage::Root(file).OpenStorage(u"Sub");
    EXPECT_EQ(sub.ReadStream(u"inner"), Pattern(700, 4));
    EXPECT_EQ(ReadAll(Storage::Root(file)), 8);
    EXPECT_THROW(sub.ReadStream(u"missing"), FormatError);
    EXPECT_THROW(sub.OpenStorage(u"inner"), FormatError) << "a stream is not a storage";
  }
}

TEST_P(CompoundFileTest, ListsChildrenInTreeOrderBalancedOrNot) {
  for (bool degenerate : {false, true}) {
    CfbOptions options;
    options.degenerate_trees = degenerate;
    CfbImage image = Build(options);
    std::vector<std::u16string> names;
    std::vector<std::uint64_t> sizes;
    for (const Element& element : Storage::Root(CompoundFile::Open(image.bytes)).Elements()) {
      names.push_back(element.name);
      sizes.push_back(element.size);
    }
    // Shorter names first, then by upper-cased characters.
    EXPECT_EQ(names, (std::vector<std::u16string>{u"A", u"b", u"C", u"aa", u"big", u"Sub", u"small"}));
    EXPECT_EQ(sizes, (std::vector<std::uint64_t>{10, 10, 10, 10, 5000, 0, 100}));
  }
}

TEST_P(CompoundFileTest, ReadsFilesWhoseFatNeedsDifatSectors) {
  CfbOptions options;
  options.min_fat_sectors = 240;
  CfbImage image = Build(options);
  ASSERT_FALSE(image.difat_sectors.empty());
  EXPECT_EQ(Error(image), "");
  EXPECT_EQ(CompoundFile::Open(image.bytes)->ReadStream(big_), Pattern(5000, 3));
}

TEST_P(CompoundFileTest, RefusesWhatIsNotACompoundFile) {
  CfbImage image = Build();
  CfbImage bad = image;
  bad.bytes[0] ^= 0xFF;
  ExpectError(bad, "not a compound file");
  bad = image;
  bad.Truncate(300);
  ExpectError(bad, "not a compound file");
  ExpectError(CfbImage{}, "not a compound file");
  bad = image;
  bad.SetHeaderU16(0x1A, 5);
  ExpectError(bad, "version");
  bad = image;
  bad.SetHeaderU16(0x1C, 0xFEFF);
  ExpectError(bad, "byte-order");
  bad = image;
  bad.SetHeaderU16(0x1E, GetParam() == 4 ? 9 : 12);
  ExpectError(bad, "sector size");
  bad = image;
  bad.SetHeaderU16(0x20, 7);
  ExpectError(bad, "mini sector size");
}

TEST_P(CompoundFileTest, DamagedFatChainsAreReported) {
  CfbImage image = Build();
  std::uint32_t start = Start(image, big_);
  CfbImage bad = image;
  bad.SetFat(start, start);
  ExpectError(bad, "loops");
  bad = image;
  bad.SetFat(start, 0x00FFFFFF);
  ExpectError(bad, "outside the file");
  bad = image;
  bad.SetFat(start, msgwriter::kFreeSector);
  ExpectError(bad, "outside the file");
  bad = image;
  bad.SetFat(start, msgwriter::kEndOfChain);
  ExpectError(bad, "ends before");
  bad = image;
  bad.SetEntryField(big_, Field::kStart, 0x7FFFFFFF);
  ExpectError(bad, "outside the file");
  bad = image;  // the directory's own chain
  bad.SetFat(image.directory_sectors.back(), image.directory_sectors.front());
  ExpectError(bad, "directory chain loops");
  bad = image;
  bad.SetHeaderU32(0x30, 0x00FFFFFF);
  ExpectError(bad, "directory chain");
}

TEST_P(CompoundFileTest, DamagedMiniFatChainsAreReported) {
  CfbImage image = Build();
  std::uint32_t start = Start(image, inner_);
  CfbImage bad = image;
  bad.SetMiniFat(start + 3, start + 1);
  ExpectError(bad, "loops");
  bad = image;
  bad.SetMiniFat(start, 5000);
  ExpectError(bad, "outside the file");
  bad = image;
  bad.SetMiniFat(start, msgwriter::kEndOfChain);
  ExpectError(bad, "ends before");
  bad = image;  // the mini FAT's own chain
  bad.SetFat(image.mini_fat_sectors.front(), image.mini_fat_sectors.front());
  ExpectError(bad, "mini FAT chain loops");
}

TEST_P(CompoundFileTest, SizesPastTheEndAreRefusedBeforeAllocating) {
  CfbImage image = Build();
  CfbImage bad = image;
  bad.SetEntryField(big_, Field::kSize, 0xFFFFFFF0u);
  ExpectError(bad, "past the end of the file");
  bad = image;
  bad.SetEntryField(small_, Field::kSize, 4000);
  ExpectError(bad, "past the end of the mini stream");
  bad = image;
  bad.SetEntryField(0, Field::kSize, 0x7FFFFFFFu);  // the mini stream itself
  ExpectError(bad, "past the end of the file");
  bad = image;
  bad.Truncate(image.SectorOffset(Start(image, big_)) + 4999);  // the big stream comes last
  ExpectError(bad, "truncated");
  bad = image;
  bad.SetHeaderU32(0x2C, 0x10000000);
  ExpectError(bad, "FAT sectors");
}

TEST_P(CompoundFileTest, OnlyVersion3IgnoresTheHighHalfOfStreamSizes) {
  CfbImage image = Build();
  std::uint64_t size = image.EntryField(big_, Field::kSize);
  image.SetEntryField(big_, Field::kSize, size | (std::uint64_t{0xDEADBEEF} << 32));
  if (GetParam() == 3)
    EXPECT_EQ(CompoundFile::Open(image.bytes)->ReadStream(big_), Pattern(5000, 3));
  else
    ExpectError(image, "past the end of the file");
}

TEST_P(CompoundFileTest, DamagedDirectoryTreesAreReported) {
  CfbOptions options;
  options.degenerate_trees = true;  // every left link is free to damage
  CfbImage image = Build(options);
  CfbImage bad = image;
  bad.SetEntryField(small_, Field::kLeft, small_);
  ExpectError(bad, "loops");
  bad = image;
  bad.SetEntryField(inner_, Field::kLeft, sub_);  // back up into the parent's tree
  ExpectError(bad, "reached twice");
  bad = image;
  bad.SetEntryField(deeper_, Field::kChild, sub_);  // a storage inside itself
  ExpectError(bad, "loops");
  bad = image;
  bad.SetEntryField(small_, Field::kLeft, 9999);
  ExpectError(bad, "missing entry 9999");
  bad = image;
  bad.SetEntryField(0, Field::kType, 1);
  ExpectError(bad, "root");
  for (std::uint64_t length : {0u, 7u, 66u, 0xFFFFu}) {
    bad = image;
    bad.SetEntryField(inner_, Field::kNameLength, length);
    ExpectError(bad, "bad name length");
  }
}

TEST_P(CompoundFileTest, FreeOrUnknownEntriesInATreeAreSkipped) {
  CfbOptions options;
  options.degenerate_trees = true;
  CfbImage image = Build(options);
  std::uint32_t free_entry = static_cast<std::uint32_t>(image.directory_sectors.size() * (image.sector_size / 128) - 1);
  ASSERT_EQ(image.EntryField(free_entry, Field::kType), 0u);
  image.SetEntryField(free_entry, Field::kLeft, 0);  // garbage that must not be followed
  image.SetEntryField(small_, Field::kLeft, free_entry);
  image.SetEntryField(empty_, Field::kType, 0xFF);
  EXPECT_EQ(Error(image), "");
  EXPECT_EQ(ReadAll(Storage::Root(CompoundFile::Open(image.bytes))), 7);
}

// Entries that point into one chain would make each entry cost the chain's length to
// read; the file is refused when opened, naming the shared sector.
TEST_P(CompoundFileTest, SectorsClaimedTwiceAreRefused) {
  CfbOptions options;
  options.mini_cutoff = 512;  // "inner" and "big" both in regular sectors
  CfbImage image = Build(options);
  CfbImage bad = image;
  bad.SetEntryField(inner_, Field::kStart, Start(image, big_));
  ExpectError(bad, "is shared by stream \"");
  bad = image;
  bad.SetEntryField(big_, Field::kStart, image.directory_sectors[0]);
  ExpectError(bad, "sector " + std::to_string(image.directory_sectors[0]) + " is shared by the directory");
  bad = image;
  bad.SetEntryField(big_, Field::kStart, image.fat_sectors[0]);
  ExpectError(bad, "is shared by the FAT");
  bad = image;
  bad.SetEntryField(big_, Field::kStart, image.mini_stream_sectors[0]);
  ExpectError(bad, "is shared by the mini stream");
  bad = image;  // a stream's chain running into another stream's
  bad.SetFat(Start(image, big_), Start(image, inner_));
  ExpectError(bad, "is shared by");

  image = Build();  // mini sectors
  bad = image;
  bad.SetEntryField(small_, Field::kStart, Start(image, inner_));
  ExpectError(bad, "mini sector " + std::to_string(Start(image, inner_)) + " is shared by");
}

TEST_P(CompoundFileTest, EntriesTheTreeDoesNotReachMayOverlap) {
  CfbImage image = Build();
  std::uint32_t free_entry = static_cast<std::uint32_t>(image.directory_sectors.size() * (image.sector_size / 128) - 1);
  ASSERT_EQ(image.EntryField(free_entry, Field::kType), 0u);
  image.SetEntryField(free_entry, Field::kStart, Start(image, big_));
  image.SetEntryField(free_entry, Field::kSize, 5000);
  EXPECT_EQ(Error(image), "");
  image.SetEntryField(free_entry, Field::kType, 2);  // a stream, but in no storage's tree
  EXPECT_EQ(Error(image), "");
}

TEST_P(CompoundFileTest, StoragesOpenOnlyTheirOwnChildren) {
  CfbImage image = Build();
  auto file = CompoundFile::Open(image.bytes);
  EXPECT_EQ(file->directory().parent(inner_), sub_);
  EXPECT_EQ(file->directory().parent(deeper_), sub_);
  EXPECT_EQ(file->directory().parent(0), kNoStream);
  EXPECT_EQ(file->directory().parent(99999), kNoStream);
  Storage root = Storage::Root(file);
  Storage sub = root.OpenStorage(u"Sub");
  Element inner{EntryKind::kStream, u"inner", 700, inner_};
  EXPECT_EQ(sub.ReadStream(inner), Pattern(700, 4));
  EXPECT_THROW(root.ReadStream(inner), FormatError) << "a grandchild";
  EXPECT_THROW(root.OpenStorage(Element{EntryKind::kStorage, u"Deeper", 0, deeper_}), FormatError);
  EXPECT_THROW(root.OpenStorage(Element{EntryKind::kStorage, u"big", 0, big_}), FormatError)
      << "a stream claimed to be a storage";
  EXPECT_THROW(root.ReadStream(Element{EntryKind::kStream, u"x", 1, 99999}), FormatError);
}

INSTANTIATE_TEST_SUITE_P(Versions, CompoundFileTest, ::testing::Values(3, 4),
                         [](const auto& version) { return "v" + std::to_string(version.param); });

class DifatTest : public ::testing::Test {
 protected:
  DifatTest() {
    CfbWriter writer;
    writer.AddStream(CfbWriter::kRoot, u"data", Pattern(9000, 5));
    CfbOptions options;
    options.min_fat_sectors = 240;  // 109 in the header, then two DIFAT sectors
    image_ = writer.Build(options);
  }
  CfbImage image_;
};

TEST_F(DifatTest, DamagedDifatChainsAreReported) {
  ASSERT_EQ(image_.difat_sectors.size(), 2u);
  ASSERT_NO_THROW(CompoundFile::Open(image_.bytes));
  CfbImage bad = image_;
  bad.SetDifatNext(image_.difat_sectors[0], image_.difat_sectors[0]);
  EXPECT_THROW(
      try { CompoundFile::Open(bad.bytes); } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("DIFAT chain loops"), std::string::npos) << e.what();
        throw;
      },
      FormatError);
  bad = image_;
  bad.SetDifatNext(image_.difat_sectors[0], msgwriter::kEndOfChain);
  EXPECT_THROW(CompoundFile::Open(bad.bytes), FormatError);
  bad = image_;
  bad.SetDifatNext(image_.difat_sectors[0], 0x00FFFFFF);
  EXPECT_THROW(CompoundFile::Open(bad.bytes), FormatError);
  bad = image_;
  bad.PutU32(bad.SectorOffset(image_.difat_sectors[1]), 0x00FFFFFF);  // a FAT sector number
  EXPECT_THROW(CompoundFile::Open(bad.bytes), FormatError);
}

// Any one damaged byte of a small file gives either a readable file or a FormatError.
TEST(CompoundFileSweepTest, EveryDamagedByteFailsCleanly) {
  CfbWriter writer;
  std::uint32_t sub = writer.AddStorage(CfbWriter::kRoot, u"Sub");
  writer.AddStream(sub, u"one", Pattern(300, 1));
  writer.AddStream(CfbWriter::kRoot, u"two", Pattern(4500, 2));
  writer.AddStream(CfbWriter::kRoot, u"three", Pattern(70, 3));
  const CfbImage image = writer.Build();
  int failures = 0;
  for (std::size_t offset = 0; offset < image.bytes.size(); ++offset) {
    for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
      std::vector<std::uint8_t> bytes = image.bytes;
      bytes[offset] ^= flip;
      try {
        ReadAll(Storage::Root(CompoundFile::Open(bytes)));
      } catch (const FormatError&) {
        ++failures;
      }
    }
  }
  EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace quorlin
