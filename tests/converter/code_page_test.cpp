// Tests of string decoding: UTF-16LE, UTF-8 (including broken sequences) and spot checks
// of the single-byte code-page tables.
#include "converter/code_page.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorlin {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::u16string Cp(const Bytes& bytes, std::uint32_t code_page) {
  return DecodeCodePage(bytes, code_page);
}

TEST(DecodeUtf16LeTest, PairsBytesLittleEndianAndDropsAnOddLastByte) {
  EXPECT_EQ(DecodeUtf16Le(Bytes{'H', 0, 'i', 0}), u"Hi");
  EXPECT_EQ(DecodeUtf16Le(Bytes{0x10, 0x04, 0xAC, 0x20, 0x41}), u"\u0410\u20AC");
  EXPECT_EQ(DecodeUtf16Le(Bytes{0x3D, 0xD8, 0x00, 0xDE}), u"\U0001F600");
  EXPECT_EQ(DecodeUtf16Le(Bytes{0x41}), u"");
  EXPECT_EQ(DecodeUtf16Le(Bytes{}), u"");
}

TEST(DecodeCodePageTest, WindowsTablesSpotChecks) {
  EXPECT_EQ(Cp({0x80, 0x9F, 0xE9, 0x41}, 1252), u"\u20AC\u0178\u00E9A");
  EXPECT_EQ(Cp({0xC0, 0xFF, 0xA8, 0xB9}, 1251), u"\u0410\u044F\u0401\u2116");
  EXPECT_EQ(Cp({0x8A, 0xB9, 0xEA}, 1250), u"\u0160\u0105\u0119");
  EXPECT_EQ(Cp({0xC1, 0xF9, 0xA2}, 1253), u"\u0391\u03C9\u0386");
  EXPECT_EQ(Cp({0xD0, 0xDD, 0xFE}, 1254), u"\u011E\u0130\u015F");
  EXPECT_EQ(Cp({0xE0, 0xFA, 0xA4}, 1255), u"\u05D0\u05EA\u20AA");
  EXPECT_EQ(Cp({0xC7, 0xE1, 0x81}, 1256), u"\u0627\u0644\u067E");
  EXPECT_EQ(Cp({0xC0, 0xE8, 0xFF}, 1257), u"\u0104\u010D\u02D9");
  EXPECT_EQ(Cp({0xC3, 0xD2, 0xFE}, 1258), u"\u0102\u0309\u20AB");
  EXPECT_EQ(Cp({0xA1, 0xE0, 0x80}, 874), u"\u0E01\u0E40\u20AC");
}

TEST(DecodeCodePageTest, UndefinedPositionsBecomeReplacementMarks) {
  EXPECT_EQ(Cp({0x81, 0x8D, 0x8F, 0x90, 0x9D}, 1252), std::u16string(5, u'\uFFFD'));
  EXPECT_EQ(Cp({0x98}, 1251), u"\uFFFD");
  EXPECT_EQ(Cp({0xFC}, 874), u"\uFFFD");
}

TEST(DecodeCodePageTest, AsciiLatin1AndUnknownPages) {
  EXPECT_EQ(Cp({'a', 0x7F, 0x80, 0xE9}, 20127), u"a\u007F\uFFFD\uFFFD");
  EXPECT_EQ(Cp({0x80, 0x9F, 0xE9, 0xFF}, 28591), u"\u0080\u009F\u00E9\u00FF");
  // Any other code page, multi-byte ones included, is read as 1252.
  EXPECT_EQ(Cp({0x80, 0xE9}, 932), u"\u20AC\u00E9");
  EXPECT_EQ(Cp({0x80, 0xE9}, 0), u"\u20AC\u00E9");
}

TEST(DecodeCodePageTest, Utf8WellFormed) {
  EXPECT_EQ(Cp({'A', 0xC3, 0xA9, 0xD0, 0x96}, 65001), u"A\u00E9\u0416");
  EXPECT_EQ(Cp({0xE2, 0x82, 0xAC, 0xE4, 0xB8, 0xAD}, 65001), u"\u20AC\u4E2D");
  EXPECT_EQ(Cp({0xF0, 0x9F, 0x98, 0x80}, 65001), u"\U0001F600");
  EXPECT_EQ(Cp({0xF4, 0x8F, 0xBF, 0xBF}, 65001), u"\U0010FFFF");
}

TEST(DecodeCodePageTest, Utf8BrokenSequencesEachBecomeOneMark) {
  const std::u16string R = u"\uFFFD";
  EXPECT_EQ(Cp({0x80, 'a'}, 65001), R + u"a");                    // stray continuation
  EXPECT_EQ(Cp({0xE2, 0x82, 'a'}, 65001), R + u"a");              // cut short
  EXPECT_EQ(Cp({0xC0, 0xAF}, 65001), R + R);                      // overlong '/'
  EXPECT_EQ(Cp({0xE0, 0x80, 0xAF}, 65001), R + R + R);            // overlong, 3 bytes
  EXPECT_EQ(Cp({0xED, 0xA0, 0x80}, 65001), R + R + R);            // a surrogate
  EXPECT_EQ(Cp({0xF4, 0x90, 0x80, 0x80}, 65001), R + R + R + R);  // above U+10FFFF
  EXPECT_EQ(Cp({0xFF, 0xFE}, 65001), R + R);
  EXPECT_EQ(Cp({0xF0, 0x9F, 0x98}, 65001), R);                    // cut at the end
  EXPECT_EQ(Cp({}, 65001), u"");
}

}  // namespace
}  // namespace quorlin
