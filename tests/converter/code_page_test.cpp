// Tests of string decoding: UTF-16LE, UTF-8 (including broken sequences), spot checks
// of the single-byte code-page tables, and the pages the platform's decoder reads.
#include "converter/text/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "converter/base/notice.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quorlin {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The code pages the system in use has no decoder for, asked of the system itself. glibc's
// iconv has every page these tests read; Windows has them all too, but wine lacks a few
// (EUC-JP, GB18030, the ISO-2022 ones). Rows in such a page are not run, and the test says
// which pages it left out; everything else still runs.
class MissingPages {
 public:
  bool Lacks(std::uint32_t code_page) {
#ifdef _WIN32
    // UTF-16, UTF-32 and UTF-7 the converter decodes itself; HZ it reads through 936 and
    // 50222 through 50221 when the system lacks them.
    for (std::uint32_t own : {1200u, 1201u, 12000u, 12001u, 65000u})
      if (code_page == own) return false;
    const std::uint32_t through = code_page == 52936 ? 936 : code_page == 50222 ? 50221 : code_page;
    const bool lacks = !::IsValidCodePage(code_page) && !::IsValidCodePage(through);
    if (lacks && text_.find(std::to_string(code_page)) == std::string::npos)
      text_ += (text_.empty() ? "" : ", ") + std::to_string(code_page);
    return lacks;
#else
    (void)code_page;
    return false;
#endif
  }
  bool Any() const { return !text_.empty(); }
  std::string Message() const {
    return "this system has no code page " + text_ + ": the rows in it were not run";
  }

 private:
  std::string text_;
};

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
}

// Bytes below were made once with Python's codecs (text.encode(codec)), an encoder
// independent of the converter, and pasted here; each line names the codec used.
TEST(DecodeCodePageTest, PagesOfThePlatformDecoder) {
  MissingPages missing;
  auto cp = [&missing](const char* bytes, std::uint32_t code_page, std::u16string_view text) {
    if (missing.Lacks(code_page)) return;
    const std::string_view view(bytes);
    EXPECT_EQ(DecodeCodePage(Bytes(view.begin(), view.end()), code_page), text) << code_page;
  };
  cp("\xb7\xc1\xbc\xb0\xa5\xc6\xa5\xb9\xa5\xc8", 51932, u"\u5F62\u5F0F\u30C6\u30B9\u30C8");  // euc_jp
  cp("\xb8\xf1\xca\xbd\xb2\xe2\xca\xd4\x20\xa2\xe3", 54936, u"\u683C\u5F0F\u6D4B\u8BD5 \u20AC");  // gb18030
  cp("MSG ~{8qJ=2bJT~} ~~ end", 52936, u"MSG \u683C\u5F0F\u6D4B\u8BD5 ~ end");  // hz
  cp("Gr+APwA3w-e +IKw-", 65000, u"Gr\u00FC\u00DFe \u20AC");  // utf_7
  EXPECT_EQ(Cp({0x00, 0x47, 0x00, 0x72, 0x00, 0xfc, 0x00, 0xdf}, 1201), u"Gr\u00FC\u00DF");  // utf_16_be
  cp("\x1b$)C\x0eG|=D\x0f", 50225, u"\uD615\uC2DD");  // iso2022_kr
  cp("\xb7\xd6\xc1\xcb", 21866, u"\u0407\u0436\u0430\u043A");  // koi8_u
  cp("\x1b(I123\x1b(B", 50221, u"\uFF71\uFF72\uFF73");  // iso2022_jp_ext, kana
  // Shift-out katakana between JIS X 0208 text: SI goes back to the set chosen before SO.
  cp("\x1b$B$\"\x0e" "12\x0f$\"\x1b(B x\x0e" "3\x0f\x0fy", 50222, u"\u3042\uFF71\uFF72\u3042 x\uFF73y");
  EXPECT_EQ(Cp({'H', 0, 'i', 0}, 1200), u"Hi");
  if (missing.Any()) GTEST_SKIP() << missing.Message();
}

// A lead byte that no byte after it completes, in the middle or cut off at the end, is one
// mark; the text around it survives, also for the HZ escape with nothing valid after it.
// (A stray single byte such as 0x80 is no test of this in 932: glibc's table has no
// character for it, Windows' has U+0080.)
TEST(DecodeCodePageTest, PlatformDecoderMarksBadBytesAndGoesOn) {
  EXPECT_EQ(Cp({'a', 0x81, '\n', 'b', 0x8c}, 932), u"a\uFFFD\nb\uFFFD");
  EXPECT_EQ(Cp({0xb8, 0xf1, 0xff, 'x'}, 936), u"\u683C\uFFFDx");
  EXPECT_EQ(Cp({'~', '{', '8', '\n', '~', '}', 'x'}, 52936), u"\uFFFD\nx");
  EXPECT_EQ(Cp({}, 949), u"");
}

// Damaged text: each bad sequence costs one U+FFFD and the text after it is whole, in the
// pages read in units of several bytes (UTF-16BE, UTF-32), in UTF-7 (a bad byte ends the
// shifted run) and in the pages with a state (the character set an ISO-2022 escape chose
// holds on). Expected texts are Python's (bytes.decode(codec, "replace"), codec on each
// line), except where Python lets a lone surrogate through: one U+FFFD here.
TEST(DecodeCodePageTest, DamagedTextCostsOneMarkAndTheRestIsWhole) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view bytes;
    std::uint32_t code_page;
    std::u16string_view text;
  } rows[] = {
      {"+2D3-x"sv, 65000, u"\uFFFDx"},                                 // utf_7: a lone high surrogate
      {"+AGF-x"sv, 65000, u"a\uFFFDx"},                                // utf_7: leftover bits not zero
      {"a+AG\x80" "Eb"sv, 65000, u"a\uFFFDEb"},                        // utf_7: unfinished unit, bad byte
      {"a+AGE\x80x"sv, 65000, u"aa\uFFFDx"},                           // utf_7
      {"+ZeVnL\xffIqe-ok"sv, 65000, u"\u65E5\uFFFDIqe-ok"},            // utf_7: the bad byte ends the run
      {"+ZeVnLIq\xff" "e-ok"sv, 65000, u"\u65E5\u672C\uFFFDe-ok"},     // utf_7
      {"+AG"sv, 65000, u"\uFFFD"},                                      // utf_7: cut off at the end
      {"+AGEAYtwAAGM-ok"sv, 65000, u"ab\uFFFDcok"},                     // a lone low surrogate
      {"+2D3cAA-ok 1+-1 \xe9"sv, 65000, u"\U0001F400ok 1+1 \uFFFD"},   // utf_7
      {"+AGEAYg.x"sv, 65000, u"ab.x"},                                  // utf_7
      {"\0A\xd8\0\0B\0C"sv, 1201, u"A\uFFFDBC"},                       // utf_16_be
      {"\0A\xdc\0\0B"sv, 1201, u"A\uFFFDB"},                           // utf_16_be
      {"\0A\0"sv, 1201, u"A\uFFFD"},                                    // utf_16_be
      {"\xd8\x3d\xde\0\0x"sv, 1201, u"\U0001F600x"},                    // utf_16_be
      {"\0\0\0A\0\x11\0\0\0\0\0B"sv, 12001, u"A\uFFFDB"},              // utf_32_be
      {"A\0\0\0\0\xd8\0\0B\0\0\0"sv, 12000, u"A\uFFFDB"},               // utf_32_le
      {"A\0\0\0B\0"sv, 12000, u"A\uFFFD"},                              // utf_32_le
      {"\x1b$B$\"\x80$\"\x1b(Bx"sv, 50220, u"\u3042\uFFFD\u3042x"},       // iso2022_jp
      {"\xa4\xa2\xff\xa4\xa2"sv, 51932, u"\u3042\uFFFD\u3042"},            // euc_jp
      {"\x1b$)C\x0eG|\xff=D\x0fx"sv, 50225, u"\uD615\uFFFD\uC2DDx"},      // iso2022_kr
  };
  MissingPages missing;
  for (const auto& row : rows) {
    if (missing.Lacks(row.code_page)) continue;
    EXPECT_EQ(Cp(Bytes(row.bytes.begin(), row.bytes.end()), row.code_page), row.text)
        << row.code_page << ": " << row.bytes;
  }
  if (missing.Any()) GTEST_SKIP() << missing.Message();
}

// Long texts come out of the platform decoder in pieces: none is lost or doubled at the
// seams, also with bad bytes scattered across them.
TEST(DecodeCodePageTest, LongTextsThroughThePlatformDecoderAreWhole) {
  Bytes bytes;
  std::u16string expected;
  for (int i = 0; i < 30000; ++i) {
    bytes.insert(bytes.end(), {0x93, 0xfa});  // cp932 for U+65E5
    expected.push_back(u'\u65E5');
    if (i % 4099 == 0) {  // a lead byte with a line end after it
      bytes.insert(bytes.end(), {0x81, '\n'});
      expected.append(u"\uFFFD\n");
    }
  }
  EXPECT_EQ(Cp(bytes, 932), expected);
}

// A code page known neither here nor to the platform is read as 1252 and said once.
TEST(DecodeCodePageTest, UnknownPagesAreReadAs1252WithANotice) {
  std::vector<std::string> notices;
  NoticeSink previous = SetNoticeSink([&](const std::string& text) { notices.push_back(text); });
  EXPECT_EQ(Cp({0x80, 0xE9}, 12345), u"\u20AC\u00E9");
  EXPECT_EQ(Cp({'x'}, 12345), u"x");
  EXPECT_EQ(Cp({0x80}, 0), u"\u20AC");
  SetNoticeSink(previous);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0], "code page 12345 is not known here: its text is read as code page 1252");
  EXPECT_NE(notices[1].find("code page 0 "), std::string::npos);
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

// One rule: bytes are valid UTF-8 exactly when the decoder makes no mark of its own, also
// for text that holds U+FFFD itself.
TEST(DecodeCodePageTest, Utf8ValidityAgreesWithTheDecoder) {
  const std::vector<std::vector<std::uint8_t>> cases = {
      {},           {'a'},        {0xC3, 0xA9}, {0xEF, 0xBF, 0xBD}, {0xF4, 0x8F, 0xBF, 0xBF},
      {0x80},       {0xC3},       {0xC0, 0xAF}, {0xED, 0xA0, 0x80}, {0xF4, 0x90, 0x80, 0x80},
      {0xE9, 'a'},  {'a', 0xFF}};
  for (const std::vector<std::uint8_t>& bytes : cases) {
    const std::u16string text = Cp(bytes, 65001);
    const bool holds_mark = bytes.size() == 3 && bytes[0] == 0xEF;  // U+FFFD written out
    EXPECT_EQ(IsValidUtf8(bytes), holds_mark || text.find(u'\uFFFD') == std::u16string::npos)
        << bytes.size() << " bytes";
  }
  EXPECT_TRUE(IsValidUtf8(std::vector<std::uint8_t>{0xEF, 0xBF, 0xBD}));
  EXPECT_FALSE(IsValidUtf8(std::vector<std::uint8_t>{'c', 'a', 'f', 0xE9}));
}

}  // namespace
}  // namespace quorlin
