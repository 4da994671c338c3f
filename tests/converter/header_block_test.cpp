// The header block: its lines present and absent, local time with its UTC offset, names
// in every script, and where it lands in each kind of document so a reader shows it
// first. Without the option every document stays byte for byte as before.
#include "converter/header_block.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

#include "converter/conversion.h"
#include "converter/local_time.h"
#include "converter/rtf_insertion.h"
#include "msgwriter/message_builder.h"
#include "support/converter_documents.h"

namespace quorlin {
namespace {

using msgwriter::MessageBuilder;

constexpr std::uint64_t kTicks1970 = 116'444'736'000'000'000ULL;
std::uint64_t FileTime(std::int64_t unix_seconds) { return kTicks1970 + unix_seconds * 10'000'000ULL; }
constexpr std::int64_t k8Dec2026At1305Utc = 1796735100;

// Nothing else in these tests reads the local time, so the zone is simply set.
void SetZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

std::string Convert(const MessageBuilder& builder, bool header = true) {
  std::vector<std::uint8_t> document = ConvertMessage(builder.Build(), {header});
  return std::string(document.begin(), document.end());
}

// The block the message's fields give, as the converter inserts it.
std::string BlockOf(const MessageBuilder& builder) {
  std::vector<std::uint8_t> bytes = builder.Build();
  return HeaderBlockRtf(ReadHeaderFields(*Message::Open(bytes)));
}

MessageBuilder FullHeader() {
  MessageBuilder builder;
  builder.AddUnicode(0x0037, u"Contract {draft}").AddUnicode(0x0C1A, u"Ann Smith")
      .AddUnicode(0x0C1F, u"ann@example.com").AddTime(0x0039, FileTime(k8Dec2026At1305Utc))
      .AddTime(0x0E06, FileTime(k8Dec2026At1305Utc + 3600)).AddUnicode(0x0E04, u"Bob; Carol")
      .AddUnicode(0x0E03, u"Dave");
  builder.AddAttachment().AddUnicode(0x3707, u"contract.pdf").AddUnicode(0x3704, u"CONTRA~1.PDF");
  return builder;
}

TEST(LocalTimeTest, DayMonthYearTimeAndOffsetInTheLocalZone) {
  SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(FormatLocalTime(FileTime(k8Dec2026At1305Utc)), "8 December 2026 14:05 +01:00");
  EXPECT_EQ(FormatLocalTime(FileTime(k8Dec2026At1305Utc - 160 * 86400)), "1 July 2026 15:05 +02:00");
  SetZone("IST-5:30");
  EXPECT_EQ(FormatLocalTime(FileTime(k8Dec2026At1305Utc)), "8 December 2026 18:35 +05:30");
  SetZone("NST3:30");
  EXPECT_EQ(FormatLocalTime(FileTime(k8Dec2026At1305Utc)), "8 December 2026 09:35 -03:30");
  EXPECT_EQ(FormatLocalTime(0), std::nullopt) << "zero means not set";
  EXPECT_EQ(FormatLocalTime(0xFFFFFFFFFFFFFFFFULL), std::nullopt) << "past the year 9999";
}

TEST(HeaderBlockTest, EveryLineInItsPlace) {
  SetZone("UTC0");
  EXPECT_EQ(BlockOf(FullHeader()),
            "{\\pard\\plain\\uc1\\outlinelevel0\\sa120\\b\\fs28 Contract \\{draft\\}\\par\r\n"
            "\\pard\\plain\\uc1\\li1440\\fi-1440\\tx1440\\fs20 {\\b From:}\\tab Ann Smith <ann@example.com>\\par\r\n"
            "\\pard\\plain\\uc1\\li1440\\fi-1440\\tx1440\\fs20 {\\b Sent:}\\tab 8 December 2026 13:05 +00:00\\par\r\n"
            "\\pard\\plain\\uc1\\li1440\\fi-1440\\tx1440\\fs20 {\\b To:}\\tab Bob; Carol\\par\r\n"
            "\\pard\\plain\\uc1\\li1440\\fi-1440\\tx1440\\fs20 {\\b Cc:}\\tab Dave\\par\r\n"
            "\\pard\\plain\\uc1\\li1440\\fi-1440\\tx1440\\fs20 {\\b Attachments:}\\tab contract.pdf\\par\r\n"
            "\\pard\\plain\\uc1\\brdrb\\brdrs\\brdrw10\\brsp40\\sa240\\fs20\\par\r\n}");
}

TEST(HeaderBlockTest, LinesWithoutTheirPropertyAreLeftOut) {
  SetZone("UTC0");
  MessageBuilder delivered;  // no submit time: the delivery time; no name: the address
  delivered.AddUnicode(0x0C1F, u"ann@example.com").AddTime(0x0E06, FileTime(k8Dec2026At1305Utc));
  const std::string block = BlockOf(delivered);
  EXPECT_NE(block.find("{\\b From:}\\tab ann@example.com\\par"), std::string::npos) << block;
  EXPECT_NE(block.find("8 December 2026 13:05 +00:00"), std::string::npos);
  for (const char* absent : {"outlinelevel0", "To:", "Cc:", "Attachments:", "<"})
    EXPECT_EQ(block.find(absent), std::string::npos) << absent;

  MessageBuilder directory_sender;  // an address inside an organisation means nothing on paper
  directory_sender.AddUnicode(0x0C1A, u"Ann").AddUnicode(0x0C1F, u"/O=ORG/CN=ANN@ORG");
  EXPECT_NE(BlockOf(directory_sender).find("From:}\\tab Ann\\par"), std::string::npos);
  directory_sender.AddUnicode(0x5D01, u"ann@example.com");
  EXPECT_NE(BlockOf(directory_sender).find("Ann <ann@example.com>"), std::string::npos);

  MessageBuilder nothing;
  nothing.AddUnicode(0x1000, u"body").AddInt32(0x0037, 7);  // a subject that is no text
  EXPECT_EQ(BlockOf(nothing), "");
  EXPECT_EQ(Convert(nothing), Convert(nothing, false)) << "no block, no rule";
}

TEST(HeaderBlockTest, AttachmentsByFileNameElseDisplayName) {
  MessageBuilder builder;
  builder.AddAttachment().AddUnicode(0x3704, u"SHORT.TXT");
  builder.AddAttachment().AddUnicode(0x3001, u"Shown name");
  builder.AddAttachment();  // no name at all: not listed
  builder.AddEmbeddedMessage().AddUnicode(0x0037, u"inner");
  builder.AddAttachment().AddString8(0x3707, "r\xe9sum\xe9.doc").AddInt32(0x3FFD, 1252);
  EXPECT_NE(BlockOf(builder).find("Attachments:}\\tab SHORT.TXT; Shown name; r\\u233?sum\\u233?.doc\\par"),
            std::string::npos) << BlockOf(builder);
}

// The header's 8-bit texts follow the bodies' UTF-8 rule: valid UTF-8 is read as UTF-8,
// also when it spells U+FFFD itself; anything else in a message that says UTF-8 is read in
// the Windows default page.
TEST(HeaderBlockTest, Utf8TextsFollowTheBodysRule) {
  MessageBuilder marked;
  marked.AddString8(0x0037, "caf\xc3\xa9 \xef\xbf\xbd").AddInt32(0x3FFD, 65001);
  EXPECT_NE(BlockOf(marked).find("\\fs28 caf\\u233? \\u-3?\\par"), std::string::npos) << BlockOf(marked);
  MessageBuilder latin;
  latin.AddString8(0x0037, "caf\xe9").AddInt32(0x3FFD, 65001);
  EXPECT_NE(BlockOf(latin).find("\\fs28 caf\\u233?\\par"), std::string::npos) << BlockOf(latin);
}

TEST(HeaderBlockTest, JapaneseSubjectAndSenderAsUnicodeEscapes) {
  MessageBuilder builder;
  builder.AddUnicode(0x0037, u"\u4f1a\u8b70\u306e\u4ef6").AddUnicode(0x0C1A, u"\u5c71\u7530\u592a\u90ce")
      .AddRtfBody("{\\rtf1\\ansi\\ansicpg932 body}");
  const std::string document = Convert(builder);
  EXPECT_NE(document.find("\\fs28 \\u20250?\\u-29840?\\u12398?\\u20214?\\par"), std::string::npos) << document;
  EXPECT_NE(document.find("From:}\\tab \\u23665?\\u30000?\\u22826?\\u-28466?\\par"), std::string::npos);
  for (unsigned char c : document) EXPECT_LT(c, 0x80);
}

// Each kind of document: the block comes after the header groups and before the first
// text, at the top level, and taking it out gives back today's document exactly.
TEST(HeaderBlockTest, InsertedBeforeTheFirstTextOfEveryKindOfBody) {
  const MessageBuilder subject_only = [] { MessageBuilder b; b.AddUnicode(0x0037, u"S"); return b; }();
  const std::string block = BlockOf(subject_only);
  struct Case {
    std::string rtf_body;
    std::u16string plain, html;
    std::string before_block;
  };
  const std::string built = testing::PlainTextDocument(u"").substr(0, testing::PlainTextDocument(u"").size() - 1);
  const std::string rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\r\n{\\colortbl;\\red255\\green0\\blue0;}"
      "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T\\}}}{\\*\\generator W;}\\viewkind4\\uc1\\pard\\f0\\fs20  Hello\\par}";
  const std::string html_in_rtf =
      "{\\rtf1\\ansi\\fromhtml1 \\deff0{\\fonttbl{\\f0 Arial;}}{\\*\\htmltag19 <html>}"
      "{\\*\\htmltag34 <head>}{\\*\\htmltag241 <style>p{margin:0}</style>}{\\*\\htmltag50 <body>}"
      "\\htmlrtf {\\htmlrtf0 Hi{\\*\\htmltag84 &nbsp;}\\htmlrtf \\'a0\\htmlrtf0}}";
  const Case cases[] = {
      {rtf, u"", u"", rtf.substr(0, rtf.find("  Hello") + 1)},
      {html_in_rtf, u"", u"", html_in_rtf.substr(0, html_in_rtf.find("{\\htmlrtf0 Hi"))},
      {"", u"plain\nlines", u"", built}, {"", u"", u"<p>html</p>", built}, {"", u"", u"", built}};
  for (const Case& c : cases) {
    MessageBuilder builder;
    builder.AddUnicode(0x0037, u"S");
    if (!c.rtf_body.empty()) builder.AddRtfBody(c.rtf_body);
    if (!c.plain.empty()) builder.AddUnicode(0x1000, c.plain);
    if (!c.html.empty()) builder.AddUnicode(0x1013, c.html);
    const std::string document = Convert(builder);
    ASSERT_EQ(document.find(block), c.before_block.size()) << document;
    EXPECT_EQ(document.rfind(c.before_block, 0), 0u) << document;
    EXPECT_EQ(std::string(document).erase(c.before_block.size(), block.size()), Convert(builder, false))
        << "today's document around it";
  }
}

TEST(RtfInsertionTest, DamagedOrUnusualDocuments) {
  auto start = [](std::string_view rtf) {
    return DocumentStart(std::span(reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()));
  };
  EXPECT_EQ(start("plain text"), std::nullopt);
  EXPECT_EQ(start(""), std::nullopt);
  EXPECT_EQ(start("\r\n{\\rtf1}"), 8u) << "an empty document: before its end";
  EXPECT_EQ(start("{\\rtf1{\\fonttbl{\\f0 A\\}B;}"), 6u) << "a table that never closes stays after the block";
  EXPECT_EQ(start("{\\rtf1{\\*\\x\\bin3 }}}}x"), 21u) << "binary data is not read for braces";
  EXPECT_EQ(start("{\\rtf1\\pard\\b\\u8364?"), 13u) << "\\u is text";
  EXPECT_EQ(start("{\\rtf1\\pard{\\b bold}"), 11u) << "a group of text";
  EXPECT_EQ(start("{\\rtf1\\pard\\'e9"), 11u);
  const std::vector<std::uint8_t> not_rtf = {'x', '\r', '\n'};
  std::vector<std::uint8_t> passed;
  VectorSink sink(passed);
  DocumentStartInserter inserter(sink, "{block}");
  inserter.Write(not_rtf);
  inserter.Finish();
  EXPECT_EQ(passed, not_rtf) << "a document that is not RTF passes unchanged";
}

// Any bytes after "{\rtf": the walk stays inside them (checked by the sanitizer build).
TEST(RtfInsertionTest, ArbitraryBytesAfterTheMagic) {
  std::mt19937 random(13);
  const std::string alphabet = "{}\\*abin0123456789- '\r\nx";
  for (int round = 0; round < 20000; ++round) {
    std::string rtf = "{\\rtf";
    for (std::size_t n = random() % 40; n > 0; --n) rtf += alphabet[random() % alphabet.size()];
    const std::vector<std::uint8_t> bytes(rtf.begin(), rtf.end());
    std::optional<std::size_t> at = DocumentStart(bytes);
    ASSERT_TRUE(at && *at >= 1 && *at <= rtf.size()) << rtf;
    // Whatever the walk decides on the first bytes alone, the rest cannot change.
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
      const DocumentStartWalk walk = WalkToDocumentStart(std::span(bytes).first(cut));
      if (walk.decided) {
        ASSERT_EQ(walk.at, at) << rtf << " cut at " << cut;
      }
    }
  }
}

// A document handed over in pieces of any size gets the block where it would go in the
// whole document, also behind an opening longer than the part held before the first look.
TEST(RtfInsertionTest, InsertedIntoADocumentMadePieceByPiece) {
  std::string styles;
  for (int i = 0; styles.size() < 200000; ++i) styles += "{\\*\\htmltag" + std::to_string(i) + " <p>}";
  for (const std::string& rtf : {"{\\rtf1{\\fonttbl{\\f0 A;}}\\pard Hello\\par}" + std::string(100000, 'x'),
                                 "{\\rtf1" + styles + "Hi}", std::string("{\\rtf1}"), std::string("not rtf")}) {
    std::vector<std::uint8_t> whole(rtf.begin(), rtf.end());
    if (const std::optional<std::size_t> at = DocumentStart(whole))
      whole.insert(whole.begin() + static_cast<std::ptrdiff_t>(*at), {'{', 'B', 'L', 'O', 'C', 'K', '}'});
    for (std::size_t piece : {std::size_t{1}, std::size_t{4093}, std::size_t{1} << 16}) {
      std::vector<std::uint8_t> out;
      VectorSink sink(out);
      DocumentStartInserter inserter(sink, "{BLOCK}");
      for (std::size_t at = 0; at < rtf.size(); at += piece)
        inserter.Write(std::span(reinterpret_cast<const std::uint8_t*>(rtf.data()) + at,
                                 std::min(piece, rtf.size() - at)));
      inserter.Finish();
      EXPECT_TRUE(out == whole) << rtf.substr(0, 40) << " in pieces of " << piece;
    }
  }
}

TEST(HeaderBlockTest, OptionOffLeavesEveryDocumentAsItWas) {
  MessageBuilder rtf_body = FullHeader(), plain = FullHeader();
  rtf_body.AddRtfBody("{\\rtf1\\ansi \x80 text}");
  plain.AddUnicode(0x1000, u"text");
  EXPECT_EQ(Convert(rtf_body, false), "{\\rtf1\\ansi \x80 text}\r\n");
  EXPECT_EQ(Convert(plain, false), testing::PlainTextDocument(u"text") + "\r\n");
}

}  // namespace
}  // namespace quorlin
