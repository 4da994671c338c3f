// Byte cursor: little-endian values, and every short read refused with a message that
// names what was being read.
#include "converter/base/byte_cursor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "converter/base/errors.h"

namespace quorlin {
namespace {

const std::vector<std::uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF};

TEST(ByteCursorTest, ReadsLittleEndianValuesInSequence) {
  ByteCursor cursor(kBytes);
  EXPECT_EQ(cursor.ReadU8("a"), 0x01);
  EXPECT_EQ(cursor.ReadU16("b"), 0x0302);
  EXPECT_EQ(cursor.ReadU32("c"), 0x07060504u);
  EXPECT_EQ(cursor.remaining(), 2u);
  cursor.Seek(0, "start");
  EXPECT_EQ(cursor.ReadU64("d"), 0x0807060504030201ull);
  EXPECT_EQ(cursor.ReadBytes(1, "e")[0], 0xFF);
  EXPECT_EQ(cursor.remaining(), 0u);
  EXPECT_EQ(ByteCursor::U16At(kBytes, 7, "f"), 0xFF08);
  EXPECT_EQ(ByteCursor::U32At(kBytes, 5, "g"), 0xFF080706u);
}

TEST(ByteCursorTest, ShortReadsThrowNamingTheirTarget) {
  ByteCursor cursor(kBytes);
  cursor.Seek(6, "setup");
  try {
    cursor.ReadU32("sector count");
    FAIL() << "a 4-byte read with 3 bytes left succeeded";
  } catch (const FormatError& error) {
    EXPECT_NE(std::string(error.what()).find("sector count"), std::string::npos) << error.what();
  }
  EXPECT_EQ(cursor.position(), 6u) << "a failed read must not move the cursor";
  EXPECT_THROW(cursor.ReadU64("x"), FormatError);
  EXPECT_THROW(cursor.Seek(kBytes.size() + 1, "x"), FormatError);
  EXPECT_THROW(cursor.Skip(4, "x"), FormatError);
  EXPECT_NO_THROW(cursor.Seek(kBytes.size(), "end"));
  EXPECT_THROW(cursor.ReadU8("x"), FormatError);
}

TEST(ByteCursorTest, HugeOffsetsAndCountsDoNotWrapAround) {
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  EXPECT_THROW(ByteCursor::BytesAt(kBytes, kMax, 2, "x"), FormatError);
  EXPECT_THROW(ByteCursor::BytesAt(kBytes, 2, kMax, "x"), FormatError);
  EXPECT_THROW(ByteCursor::BytesAt(kBytes, kMax - 1, 4, "x"), FormatError);
  EXPECT_THROW(ByteCursor::U32At(kBytes, kBytes.size() - 3, "x"), FormatError);
  EXPECT_EQ(ByteCursor::BytesAt(kBytes, kBytes.size(), 0, "x").size(), 0u);
  EXPECT_THROW(ByteCursor({}).ReadU8("x"), FormatError);
}

}  // namespace
}  // namespace quorlin
