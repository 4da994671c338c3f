// The header block: its lines present and absent, local time with its UTC offset, names
// in every script, the lines of meetings, contacts and tasks, and where it lands in each
// kind of document so a reader shows it first. Without the option every document stays
// byte for byte as before.
#include "converter/document/header_block.h"
#include "converter/html/html_to_rtf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <ctime>
#include <memory>
#include <random>
#include <string>

#include <sys/stat.h>

#include "converter/conversion.h"
#include "converter/text/local_time.h"
#include "converter/document/message_body.h"
#include "msgwriter/lzfu_compressor.h"
#include "converter/msg/named_properties.h"
#include "converter/document/name_fields.h"
#include "converter/output/file_names.h"
#include "converter/name_pattern.h"
#include "converter/rtf/rtf_insertion.h"
#include "msgwriter/message_builder.h"
#include "support/temp_tree.h"
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
      .AddUnicode(0x0E03, u"Dave").AddUnicode(0x0E02, u"Erin");
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

// The facts a document is named by: the stamp sorts as text, the normalized subject goes
// before the subject (no "RE:" in names), and each field is one clean line.
TEST(NameFieldsTest, DateSubjectAndSenderForNames) {
  SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
  MessageBuilder full = FullHeader();
  full.AddUnicode(0x0E1D, u"Contract\t{draft}\r\n");
  std::vector<std::uint8_t> bytes = full.Build();
  NameFields fields = ReadNameFields(*Message::Open(bytes));
  EXPECT_EQ(fields.date, "2026-12-08 1405");
  EXPECT_EQ(fields.subject, "Contract {draft}");
  EXPECT_EQ(fields.from, "Ann Smith");

  MessageBuilder received;  // no normalized subject, delivery time only, a name in Greek
  received.AddUnicode(0x0037, u"RE: \u03b1\u03b2").AddTime(0x0E06, FileTime(k8Dec2026At1305Utc));
  bytes = received.Build();
  fields = ReadNameFields(*Message::Open(bytes));
  EXPECT_EQ(fields.date, "2026-12-08 1405");
  EXPECT_EQ(fields.subject, "RE: \xCE\xB1\xCE\xB2");
  EXPECT_EQ(fields.from, "");

  bytes = MessageBuilder().Build();
  fields = ReadNameFields(*Message::Open(bytes));
  EXPECT_EQ(fields.date, "");
  EXPECT_EQ(fields.subject, "");
  EXPECT_EQ(fields.from, "");
  EXPECT_EQ(FormatLocalStamp(0), std::nullopt);
}

// A document dated like its message: sent time, else the time it arrived; a message with
// neither leaves the document dated when it was written.
TEST(NameFieldsTest, DocumentsDatedLikeTheirMessage) {
  const TempTree tree;
  const std::filesystem::path folder = tree.Root();
  auto mtime_of = [&](const MessageBuilder& builder, bool dates) {
    const std::vector<std::uint8_t> bytes = builder.Build();
    std::ofstream(folder / "m.msg", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ConversionOptions options;
    options.file_dates = dates;
    options.replace = true;
    EXPECT_TRUE(ConvertFile(folder / "m.msg", folder / "m.doc", options).ok());
    struct stat info {};
    EXPECT_EQ(stat((folder / "m.doc").c_str(), &info), 0);
    return static_cast<std::int64_t>(info.st_mtime);
  };
  EXPECT_EQ(mtime_of(FullHeader(), true), k8Dec2026At1305Utc);
  MessageBuilder received;
  received.AddTime(0x0E06, FileTime(k8Dec2026At1305Utc + 60));
  EXPECT_EQ(mtime_of(received, true), k8Dec2026At1305Utc + 60);
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_GE(mtime_of(MessageBuilder(), true), now - 60) << "no time in the message";
  EXPECT_GE(mtime_of(FullHeader(), false), now - 60) << "the option is off";

  // Times the header block leaves out date nothing: past the year 9999, negative read as
  // unsigned. (A time the file system would clamp, such as 1601 on ext4, keeps the
  // document's own time as well; tmpfs holds it as it is.)
  for (const std::uint64_t filetime : {~std::uint64_t{0}, std::uint64_t{0x7FFFFFFFFFFFFFFF},
                                       static_cast<std::uint64_t>(std::int64_t{-5}), FileTime(253402300800 + 86400 * 2)}) {
    MessageBuilder odd;
    odd.AddTime(0x0039, filetime);
    EXPECT_GE(mtime_of(odd, true), now - 60) << filetime;
  }
}

// Names from a pattern: hostile subjects become one safe name within the limit, empty
// fields go with their separators, and nothing left gives "(no subject)".
TEST(NameFieldsTest, PatternsMakeOneSafeNameFromHostileFields) {
  NameFields fields{"2026-12-08 1405", "Contract {draft}", "Ann Smith"};
  EXPECT_EQ(PatternStem("{date} {subject}", fields, "m"), "2026-12-08 1405 Contract {draft}");
  EXPECT_EQ(PatternStem("{file}", fields, "saved mail"), "saved mail");
  EXPECT_EQ(PatternStem("{from} - {subject} ({file})", fields, "7"), "Ann Smith - Contract {draft} (7)");
  // Text without fields is the name, once.
  EXPECT_EQ(PatternStem("Report", fields, "m"), "Report");
  EXPECT_EQ(PatternStem(" Report ", fields, "m"), "Report");

  // Slashes never make folders; control characters and reordering marks are no names.
  fields.subject = "../../etc/passwd\\x";
  EXPECT_EQ(PatternStem("{subject}", fields, "m"), ".._.._etc_passwd_x");
  fields.subject = std::string("a\x01" "b\tc\r\nd") + "\xE2\x80\xAE" + "exe.txt";
  EXPECT_EQ(PatternStem("{subject}", fields, "m"), "a b c  d exe.txt");
  // A pattern's own slash is no folder either.
  EXPECT_EQ(PatternStem("{date}/{subject}", NameFields{"2026-12-08 1405", "x", ""}, "m"), "2026-12-08 1405_x");

  // Empty fields, or fields of only spaces, go with the text before them (the first one
  // with the text after it).
  EXPECT_EQ(PatternStem("{date} - {subject} - {from}", NameFields{"", "   ", "Ann"}, "m"), "Ann");
  EXPECT_EQ(PatternStem("{date} - {subject} - {from}", NameFields{"d", "", "Ann"}, "m"), "d - Ann");
  EXPECT_EQ(PatternStem("{date} - {subject} - {from}", NameFields{"d", "s", " \t "}, "m"), "d - s");
  EXPECT_EQ(PatternStem("Mail {date} {subject}", NameFields{"", "s", ""}, "m"), "Mail s");
  EXPECT_EQ(PatternStem("{date} {subject}", NameFields{}, "m"), "(no subject)");
  EXPECT_EQ(PatternStem("{subject}", NameFields{"", " . . ", ""}, "m"), "(no subject)");

  // A subject of 1,000 characters (two bytes each) is cut between characters so that the
  // name with ".doc" fits 255 bytes; the date before it stays.
  std::string long_subject;
  for (int i = 0; i < 1000; ++i) long_subject += "\xC3\xA9";
  const std::string stem = PatternStem("{date} {subject}", NameFields{"2026-12-08 1405", long_subject, ""}, "m");
  EXPECT_LE(stem.size() + 4, kMaxFileNameBytes);
  EXPECT_GE(stem.size() + 4, kMaxFileNameBytes - 1);
  EXPECT_EQ(stem.rfind("2026-12-08 1405 \xC3\xA9", 0), 0u);
  EXPECT_EQ(stem.substr(stem.size() - 2), "\xC3\xA9");

  // Only the four fields are known.
  EXPECT_EQ(NamePatternProblem("{date} {subject} {file} {from} }{"),
            "the name pattern may hold only {file}, {date}, {subject} and {from}: {");
  EXPECT_EQ(NamePatternProblem("{date} {subject}"), "");
  EXPECT_NE(NamePatternProblem("{Date}"), "");
  EXPECT_NE(NamePatternProblem("{date"), "");
}

// The name of a message on disk: read with the message's fields; a file that is no message
// fails as its conversion would.
TEST(NameFieldsTest, NameFileReadsTheMessage) {
  SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("lorvane-names-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  MessageBuilder full = FullHeader();
  full.AddUnicode(0x0E1D, u"Q3/Q4 plan");
  const std::vector<std::uint8_t> bytes = full.Build();
  std::ofstream(folder / "RE 12.msg", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::ofstream(folder / "bad.msg") << "not a message";
  std::string stem;
  EXPECT_TRUE(NameFile(folder / "RE 12.msg", "{date} {subject} [{file}]", stem).ok());
  EXPECT_EQ(stem, "2026-12-08 1405 Q3_Q4 plan [RE 12]");
  stem.clear();
  EXPECT_EQ(NameFile(folder / "bad.msg", "{subject}", stem).status, ConversionStatus::kFormatError);
  EXPECT_EQ(stem, "");
  std::filesystem::remove_all(folder);
}

TEST(HeaderBlockTest, EveryLineInItsPlace) {
  SetZone("UTC0");
  EXPECT_EQ(BlockOf(FullHeader()),
            "{\\pard\\plain\\uc1\\outlinelevel0\\sa120\\b\\fs28 Contract \\{draft\\}\\par\r\n"
            "\\pard\\plain\\uc1\\li1800\\fi-1800\\tx1800\\fs20 {\\b From:}\\tab Ann Smith <ann@example.com>\\par\r\n"
            "\\pard\\plain\\uc1\\li1800\\fi-1800\\tx1800\\fs20 {\\b Sent:}\\tab 8 December 2026 13:05 +00:00\\par\r\n"
            "\\pard\\plain\\uc1\\li1800\\fi-1800\\tx1800\\fs20 {\\b To:}\\tab Bob; Carol\\par\r\n"
            "\\pard\\plain\\uc1\\li1800\\fi-1800\\tx1800\\fs20 {\\b Cc:}\\tab Dave\\par\r\n"
            "\\pard\\plain\\uc1\\li1800\\fi-1800\\tx1800\\fs20 {\\b Bcc:}\\tab Erin\\par\r\n"
            "\\pard\\plain\\uc1\\li1800\\fi-1800\\tx1800\\fs20 {\\b Attachments:}\\tab contract.pdf\\par\r\n"
            "\\pard\\plain\\uc1\\brdrb\\brdrs\\brdrw10\\brsp40\\sa240\\fs20\\par\r\n}");
}

TEST(HeaderBlockTest, LinesWithoutTheirPropertyAreLeftOut) {
  SetZone("UTC0");
  MessageBuilder delivered;  // no submit time: the delivery time; no name: the address
  delivered.AddUnicode(0x0C1F, u"ann@example.com").AddTime(0x0E06, FileTime(k8Dec2026At1305Utc));
  const std::string block = BlockOf(delivered);
  EXPECT_NE(block.find("{\\b From:}\\tab ann@example.com\\par"), std::string::npos) << block;
  EXPECT_NE(block.find("8 December 2026 13:05 +00:00"), std::string::npos);
  for (const char* absent : {"outlinelevel0", "To:", "Cc:", "Bcc:", "Attachments:", "<"})
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

// Files by their file name, else their display name; embedded messages by the name a mail
// program shows for them (the display name), else their file name.
TEST(HeaderBlockTest, AttachmentsByFileNameElseDisplayName) {
  MessageBuilder builder;
  builder.AddAttachment().AddUnicode(0x3704, u"SHORT.TXT");
  builder.AddAttachment().AddUnicode(0x3001, u"Shown name");
  builder.AddAttachment();  // no name at all: not listed
  builder.AddEmbeddedMessage().AddUnicode(0x0037, u"inner");
  builder.LastAttachment().AddUnicode(0x3704, u"Untitled Attachment").AddUnicode(0x3001, u"Test mail");
  builder.AddEmbeddedMessage().AddUnicode(0x0037, u"inner");
  builder.LastAttachment().AddUnicode(0x3704, u"Only a file name");
  builder.AddAttachment().AddString8(0x3707, "r\xe9sum\xe9.doc").AddInt32(0x3FFD, 1252);
  EXPECT_NE(BlockOf(builder).find("Attachments:}\\tab SHORT.TXT; Shown name; Test mail; Only a file name; "
                                  "r\\u233?sum\\u233?.doc\\par"),
            std::string::npos) << BlockOf(builder);
}

// Only what the sender attached: hidden attachments and pictures the document shows are
// not listed; saved ones are links, escaped so the field needs no RTF escapes.
TEST(HeaderBlockTest, AttachmentsLineListsWhatTheSenderAddedWithLinks) {
  MessageBuilder builder;
  builder.AddAttachment().AddUnicode(0x3707, u"image001.png").AddBoolean(0x7FFE, true);
  builder.AddAttachment().AddUnicode(0x3707, u"picture.png");
  builder.AddAttachment().AddUnicode(0x3707, u"report.pdf");
  std::vector<std::uint8_t> bytes = builder.Build();
  std::unique_ptr<Message> message = Message::Open(bytes);
  EXPECT_EQ(ReadHeaderFields(*message).attachments, (std::vector<std::u16string>{u"picture.png", u"report.pdf"}));
  HeaderFields fields = ReadHeaderFields(*message, {1});
  EXPECT_EQ(fields.attachments, std::vector<std::u16string>{u"report.pdf"});
  fields.attachments = {u"{x}.pdf", u"by reference"};
  fields.attachment_links = {"A%20attachments/%7Bx%7D.pdf", ""};
  EXPECT_NE(HeaderBlockRtf(fields).find("{\\b Attachments:}\\tab {\\field{\\*\\fldinst HYPERLINK "
                                        "\"A%20attachments/%7Bx%7D.pdf\"}{\\fldrslt {\\ul\\cf\x01 \\{x\\}.pdf}}}; by reference\\par"),
            std::string::npos) << HeaderBlockRtf(fields);
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

// 8-bit names are read in the message's Windows code page: "3FFD", else the rich-text
// body's \ansicpg, else the Windows page of the script of "3FDE" (a Shift-JIS subject
// under ISO-2022-JP), else 1252. Bytes made with Python's codecs (codec on each line).
TEST(HeaderBlockTest, EightBitNamesInTheMessagesWindowsCodePage) {
  const struct {
    std::optional<std::int32_t> message_page, internet_page;
    std::string rtf_body;
    std::string subject;
    std::string expected;
  } cases[] = {
      {{}, 50220, "", "\x93\xfa\x96{\x8c\xea", "\\u26085?\\u26412?\\u-30050?"},  // cp932
      {{}, 51932, "", "\x8e\x91\x97\xbf.pdf", "\\u-29497?\\u26009?.pdf"},          // cp932
      {{}, 20866, "", "\xcf\xf0\xe8\xe2\xe5\xf2", "\\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090?"},  // cp1251
      {{}, 28592, "", "\x8a\xe9" "f", "\\u352?\\u233?f"},                                 // cp1250
      {{}, 28597, "", "\xc1\xe8\xde\xed\xe1", "\\u913?\\u952?\\u942?\\u957?\\u945?"},  // cp1253
      {{}, 51949, "", "\xc7\xd1\xb1\xb9\xbe\xee", "\\u-10916?\\u-21139?\\u-14924?"},  // cp949
      {{}, 28591, "{\\rtf1\\ansi\\ansicpg1251\\deff0 body}", "\xcf\xf0\xe8\xe2\xe5\xf2",
       "\\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090?"},                         // cp1251
      {1253, 20866, "{\\rtf1\\ansi\\ansicpg1251 body}", "\xc1\xe8\xde\xed\xe1",
       "\\u913?\\u952?\\u942?\\u957?\\u945?"},                                         // cp1253
      {{}, 20866, "{\\rtf1\\ansi\\ansicpg0 \\\\ansicpg1253}", "\xcf\xf0\xe8\xe2\xe5\xf2",  // cp1251
       "\\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090?"},  // no page in the body: "3FDE" decides
      {{}, {}, "", "caf\xe9", "caf\\u233?"},                                              // cp1252
      {{}, 28605, "", "caf\xe9", "caf\\u233?"},                                           // cp1252
  };
  for (const auto& c : cases) {
    MessageBuilder builder;
    builder.AddString8(0x0037, c.subject).AddString8(0x0C1A, c.subject);
    builder.AddAttachment().AddString8(0x3707, c.subject);
    if (c.message_page) builder.AddInt32(0x3FFD, *c.message_page);
    if (c.internet_page) builder.AddInt32(0x3FDE, *c.internet_page);
    if (!c.rtf_body.empty()) builder.AddRtfBody(c.rtf_body);
    const std::string block = BlockOf(builder);
    EXPECT_NE(block.find("\\fs28 " + c.expected + "\\par"), std::string::npos) << block;
    EXPECT_NE(block.find("From:}\\tab " + c.expected + "\\par"), std::string::npos) << block;
    EXPECT_NE(block.find("Attachments:}\\tab " + c.expected + "\\par"), std::string::npos) << block;
  }
}

// The colour a document's table gives at `index` ("\redR\greenG\blueB"), empty when it has
// no such entry.
std::string TableColour(const std::string& document, std::size_t index) {
  const std::size_t table = document.find("{\\colortbl");
  if (table == std::string::npos) return {};
  std::size_t at = table + 10;
  for (std::size_t entry = 0; entry < index; ++entry) {
    at = document.find(';', at);
    if (at == std::string::npos || at > document.find('}', table)) return {};
    ++at;
  }
  return document.substr(at, document.find(';', at) - at);
}

// Saved attachments' links look like links in every kind of document: underlined, in the
// links' blue, which joins the document's colour table (completing an unended last entry)
// or makes one. The values line up after the longest label.
TEST(HeaderBlockTest, LinksAreBlueAndUnderlinedAndValuesLineUp) {
  HeaderFields fields;
  fields.subject = u"S";
  fields.attachments = {u"a.txt"};
  fields.attachment_links = {"A/a.txt"};
  const std::string block = HeaderBlockRtf(fields);
  ASSERT_TRUE(UsesLinkColour(block));
  const std::string html_body = "<p><a href=\"http://x\">x</a> <font color=red>r</font></p>";
  for (const std::string& body : std::vector<std::string>{
           "{\\rtf1\\ansi{\\fonttbl{\\f0 A;}}{\\colortbl;\\red255\\green0\\blue0;}\\pard Hi}",
           "{\\rtf1\\ansi{\\colortbl\\red1\\green2\\blue3}{\\*\\x {\\colortbl;}}\\pard Hi}",
           "{\\rtf1\\ansi{\\fonttbl{\\f0 \\{A;}}\\pard Hi}", "{\\rtf1\\ansi{\\fonttbl{\\f0\\bin2 ;}}}Hi}",
           "{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag64 <table><tr><td>}Hi{\\*\\htmltag64 </table>}}", "text", "html",
           "none"}) {
    std::vector<std::uint8_t> document_bytes;
    VectorSink sink(document_bytes);
    DocumentContent content;
    content.opening = block;
    if (body == "text") content.text = u"Hi";
    else if (body == "html") content.html = html_body;
    else if (body == "none") content.html = "";
    else content.rtf = StreamBytes(msgwriter::CompressRtf(body));
    content.WriteTo(sink);
    const std::string document(document_bytes.begin(), document_bytes.end());
    const std::size_t link = document.find("{\\fldrslt {\\ul\\cf");
    ASSERT_NE(link, std::string::npos) << document;
    const std::size_t index = std::stoul(document.substr(link + 17));
    EXPECT_EQ(TableColour(document, index), "\\red5\\green99\\blue193") << document;
    EXPECT_EQ(document.find('\x01'), std::string::npos);
    if (body.find("\\red255") != std::string::npos) {
      EXPECT_EQ(TableColour(document, 1), "\\red255\\green0\\blue0");
    }
    if (body == "html") {
      EXPECT_EQ(document.find("\\red5\\green99\\blue193"), document.rfind("\\red5\\green99\\blue193"))
          << "the body's own link blue, once";
    }
  }

  // The label column: an inch for short labels, a step wider for each longer one.
  auto column = [](std::vector<DetailLine> details, bool attachments) {
    HeaderFields with;
    with.to = u"x";
    with.details = std::move(details);
    if (attachments) with.attachments = {u"a"};
    const std::string rtf = HeaderBlockRtf(with);
    return rtf.substr(rtf.find("\\li") + 3, rtf.find("\\fi") - rtf.find("\\li") - 3);
  };
  EXPECT_EQ(column({{"Exception:", u"x"}, {"Organizer:", u"x"}}, false), "1440");
  EXPECT_EQ(column({}, true), "1800");
  EXPECT_EQ(column({{"Recurrence:", u"x"}}, false), "1800");
  EXPECT_EQ(column({{"Business phone:", u"x"}}, false), "2160");
  EXPECT_EQ(column({{"Business address:", u"x"}, {"Empty label name:", u""}}, false), "2520");
  const std::string rtf = HeaderBlockRtf([] { HeaderFields f; f.to = u"x"; f.attachments = {u"a"}; return f; }());
  EXPECT_EQ(rtf.find("1440"), std::string::npos) << "every line in the same column";
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
  std::vector<std::uint8_t> empty_html;
  VectorSink sink(empty_html);
  const PageLayout letter;
  HtmlToRtf("", sink, nullptr, "", &letter);
  const std::string built_from_html(empty_html.begin(), empty_html.end() - 1);
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
      {"", u"plain\nlines", u"", built}, {"", u"", u"<p>html</p>", built_from_html}, {"", u"", u"", built}};
  for (const Case& c : cases) {
    MessageBuilder builder;
    builder.AddUnicode(0x0037, u"S");
    if (!c.rtf_body.empty()) builder.AddRtfBody(c.rtf_body);
    if (!c.plain.empty()) builder.AddUnicode(0x1000, c.plain);
    if (!c.html.empty()) builder.AddUnicode(0x1013, c.html);
    const std::string document = Convert(builder);
    // A kept rich-text body states the page with the block; a built document in its header.
    const std::string inserted = c.rtf_body.empty() ? block : letter.RtfWords() + block;
    ASSERT_EQ(document.find(inserted), c.before_block.size()) << document;
    EXPECT_EQ(document.rfind(c.before_block, 0), 0u) << document;
    EXPECT_EQ(std::string(document).erase(c.before_block.size(), inserted.size()), Convert(builder, false))
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

// The item lines of a message, each as "Label:|value" in UTF-8 (no surrogates in these tests).
std::vector<std::string> DetailLines(std::span<const std::uint8_t> bytes) {
  std::vector<std::string> lines;
  for (const DetailLine& line : ReadItemDetails(*Message::Open(bytes))) {
    std::string text = line.label + "|";
    for (char16_t c : line.value) {
      if (c < 0x80) {
        text += static_cast<char>(c);
      } else if (c < 0x800) {
        text += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
      } else {
        text += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                 static_cast<char>(0x80 | (c & 0x3F))};
      }
    }
    lines.push_back(std::move(text));
  }
  return lines;
}
std::vector<std::string> DetailsOf(const MessageBuilder& builder) { return DetailLines(builder.Build()); }

TEST(ItemDetailsTest, MeetingTimePlaceAndPeople) {
  SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
  MessageBuilder builder;
  msgwriter::NamedPropertyMap& named = builder.named();
  builder.AddUnicode(0x001A, u"IPM.Appointment").AddUnicode(0x0C1A, u"Sender")
      .AddTime(named.Add(kPsetidAppointment, 0x820D), FileTime(k8Dec2026At1305Utc))
      .AddTime(named.Add(kPsetidAppointment, 0x820E), FileTime(k8Dec2026At1305Utc + 5400))
      .AddUnicode(named.Add(kPsetidAppointment, 0x8208), u"Room {7}\r\nfloor 2")
      .AddUnicode(named.Add(kPsetidAppointment, 0x8232), u"every Tuesday");
  builder.AddRecipient().AddUnicode(0x3001, u"Ann").AddInt32(0x0C15, 1).AddInt32(0x5FFD, 3);
  builder.AddRecipient().AddUnicode(0x3001, u"Bob").AddInt32(0x0C15, 1);
  builder.AddRecipient().AddUnicode(0x39FE, u"carol@example.com").AddInt32(0x0C15, 1);
  builder.AddRecipient().AddUnicode(0x3001, u"Dave").AddInt32(0x0C15, 2);
  builder.AddRecipient().AddUnicode(0x3001, u"Room 7").AddInt32(0x0C15, 3);  // a resource
  builder.AddRecipient().AddUnicode(0x3003, u"/O=ORG/CN=ERIN").AddInt32(0x0C15, 2);
  EXPECT_EQ(DetailsOf(builder), (std::vector<std::string>{
                                    "When:|8 December 2026 14:05 \xe2\x80\x93 15:35 +01:00",
                                    "Where:|Room {7} floor 2", "Recurrence:|every Tuesday", "Organizer:|Ann",
                                    "Required:|Bob; carol@example.com", "Optional:|Dave"}))
      << "an en dash between the times, the date and zone once";
  const std::string block = BlockOf(builder);
  EXPECT_NE(block.find("{\\b Where:}\\tab Room \\{7\\} floor 2\\par"), std::string::npos) << block;
  EXPECT_NE(block.find("14:05 \\u8211? 15:35 +01:00"), std::string::npos);
  EXPECT_LT(block.find("Where:"), block.find("\\brdrb")) << "inside the block, before its rule";
}

TEST(ItemDetailsTest, MeetingRequestsFallBackToTheEntryTimesAndTheSender) {
  SetZone("UTC0");
  MessageBuilder request;
  request.AddUnicode(0x001A, u"ipm.schedule.meeting.request").AddUnicode(0x0C1A, u"Ann")
      .AddTime(0x0060, FileTime(k8Dec2026At1305Utc)).AddTime(0x0061, FileTime(k8Dec2026At1305Utc + 3600));
  EXPECT_EQ(DetailsOf(request), (std::vector<std::string>{
                                    "When:|8 December 2026 13:05 \xe2\x80\x93 14:05 +00:00",
                                    "Organizer:|Ann"}));
  SetZone("CET-1CEST,M3.5.0,M10.5.0/3");  // another day, or another offset: both ends in full
  MessageBuilder overnight;
  overnight.AddUnicode(0x001A, u"IPM.Appointment").AddTime(0x0060, FileTime(k8Dec2026At1305Utc))
      .AddTime(0x0061, FileTime(k8Dec2026At1305Utc + 12 * 3600));
  EXPECT_EQ(DetailsOf(overnight), (std::vector<std::string>{
                                      "When:|8 December 2026 14:05 +01:00 \xe2\x80\x93 9 December 2026 02:05 +01:00"}));
  constexpr std::int64_t k29Mar2026At0000Utc = 1774742400;  // summer time begins at 01:00 UTC
  MessageBuilder changing;
  changing.AddUnicode(0x001A, u"IPM.Appointment").AddTime(0x0060, FileTime(k29Mar2026At0000Utc))
      .AddTime(0x0061, FileTime(k29Mar2026At0000Utc + 7200));
  EXPECT_EQ(DetailsOf(changing), (std::vector<std::string>{
                                     "When:|29 March 2026 01:00 +01:00 \xe2\x80\x93 29 March 2026 04:00 +02:00"}));
  SetZone("UTC0");
  MessageBuilder response;  // the sender of a response is an attendee
  response.AddUnicode(0x001A, u"IPM.Schedule.Meeting.Resp.Pos").AddUnicode(0x0C1A, u"Bob")
      .AddTime(0x0060, FileTime(k8Dec2026At1305Utc));
  EXPECT_EQ(DetailsOf(response), (std::vector<std::string>{"When:|8 December 2026 13:05 +00:00"}));
  MessageBuilder clipped;  // only the clip times, the end only of the regular ones
  msgwriter::NamedPropertyMap& named = clipped.named();
  clipped.AddUnicode(0x001A, u"IPM.Appointment")
      .AddTime(named.Add(kPsetidAppointment, 0x8235), FileTime(k8Dec2026At1305Utc))
      .AddTime(named.Add(kPsetidAppointment, 0x820E), FileTime(k8Dec2026At1305Utc + 60));
  EXPECT_EQ(DetailsOf(clipped), (std::vector<std::string>{
                                    "When:|8 December 2026 13:05 \xe2\x80\x93 13:06 +00:00"}));
}

TEST(ItemDetailsTest, ContactCard) {
  MessageBuilder builder;
  msgwriter::NamedPropertyMap& named = builder.named();
  builder.AddUnicode(0x001A, u"IPM.Contact").AddUnicode(0x3001, u"Dr Ann Smith")
      .AddString8(0x3A16, "Caf\xe9 Ltd").AddInt32(0x3FFD, 1252).AddUnicode(0x3A17, u"Chef")
      .AddUnicode(0x3A18, u"Kitchen").AddUnicode(0x3A08, u"+1 555 0100").AddUnicode(0x3A09, u"+1 555 0101")
      .AddUnicode(0x3A1C, u"+1 555 0102").AddUnicode(0x3A24, u"+1 555 0103")
      .AddUnicode(named.Add(kPsetidAddress, 0x8083), u"ann@example.com")
      .AddUnicode(named.Add(kPsetidAddress, 0x8093), u"/O=ORG/CN=ANN")
      .AddUnicode(named.Add(kPsetidAddress, 0x8090), u"Ann (work)")
      .AddUnicode(named.Add(kPsetidAddress, 0x80A3), u"ann@home.example")
      .AddUnicode(named.Add(kPsetidAddress, 0x801B), u"1 Main St\r\n\r\nSpringfield 01234\r\n")
      .AddUnicode(0x3A5D, u"2 Elm St").AddUnicode(0x3A59, u"Shelbyville").AddUnicode(0x3A5B, u"05678")
      .AddUnicode(named.Add(kPsetidAddress, 0x801C), u"PO Box 9")
      .AddUnicode(0x3A51, u"www.example.com");
  EXPECT_EQ(DetailsOf(builder),
            (std::vector<std::string>{"Full name:|Dr Ann Smith", "Company:|Caf\xc3\xa9 Ltd", "Job title:|Chef",
                                      "Department:|Kitchen",
                                      "E-mail:|ann@example.com; Ann (work); ann@home.example",
                                      "Business phone:|+1 555 0100", "Home phone:|+1 555 0101",
                                      "Mobile phone:|+1 555 0102", "Business fax:|+1 555 0103",
                                      "Business address:|1 Main St, Springfield 01234",
                                      "Home address:|2 Elm St, 05678 Shelbyville", "Other address:|PO Box 9",
                                      "Web page:|www.example.com"}))
      << "the company in code page 1252";
  builder.AddUnicode(named.Add(kPsetidAddress, 0x802B), u"https://ann.example")
      .AddUnicode(named.Add(kPsetidAddress, 0x8045), u"unused street");
  EXPECT_EQ(DetailsOf(builder).back(), "Web page:|https://ann.example") << "the named page comes first";
  EXPECT_NE(BlockOf(builder).find("{\\b Company:}\\tab Caf\\u233? Ltd\\par"), std::string::npos);

  MessageBuilder parts;  // no whole business address: its street, postal code and city
  msgwriter::NamedPropertyMap& part_names = parts.named();
  parts.AddUnicode(0x001A, u"IPM.Contact").AddUnicode(part_names.Add(kPsetidAddress, 0x8045), u"9 Oak Rd\nUnit 4")
      .AddUnicode(part_names.Add(kPsetidAddress, 0x8046), u"Ogdenville")
      .AddUnicode(part_names.Add(kPsetidAddress, 0x8048), u"09999");
  EXPECT_EQ(DetailsOf(parts), std::vector<std::string>{"Business address:|9 Oak Rd, Unit 4, 09999 Ogdenville"});
}

TEST(ItemDetailsTest, TaskDueDateStatusAndProgress) {
  SetZone("NST3:30");  // the due date is a day, not moved into the reader's zone
  auto task = [](std::uint64_t due, std::int32_t status, double done) {
    MessageBuilder builder;
    msgwriter::NamedPropertyMap& named = builder.named();
    builder.AddUnicode(0x001A, u"IPM.Task").AddTime(named.Add(kPsetidTask, 0x8105), due)
        .AddInt32(named.Add(kPsetidTask, 0x8101), status)
        .AddFixed(named.Add(kPsetidTask, 0x8102), kTypeDouble, std::bit_cast<std::uint64_t>(done));
    return DetailsOf(builder);
  };
  const std::uint64_t midnight = FileTime(k8Dec2026At1305Utc - (13 * 3600 + 5 * 60));
  EXPECT_EQ(task(midnight, 1, 0.375),
            (std::vector<std::string>{"Due:|8 December 2026", "Status:|In progress", "% Complete:|38%"}));
  EXPECT_EQ(task(midnight, 4, 1.0), (std::vector<std::string>{"Due:|8 December 2026", "Status:|Deferred",
                                                              "% Complete:|100%"}));
  // Out of range: the "no date" date, an unknown status, progress that is no fraction.
  const std::uint64_t no_date = 0x5AE980E0ULL * 600'000'000ULL;
  for (double done : {std::nan(""), -0.5, 1.5, 1e300})
    EXPECT_EQ(task(no_date, 5, done), std::vector<std::string>{}) << done;
  EXPECT_EQ(task(0, -1, std::numeric_limits<double>::infinity()), std::vector<std::string>{});
  EXPECT_EQ(FormatDate(FileTime(k8Dec2026At1305Utc)), "8 December 2026");
  EXPECT_EQ(FormatDate(1), "1 January 1601");
  EXPECT_EQ(FormatDate(FileTime(951782400)), "29 February 2000");
  EXPECT_EQ(FormatDate(0xFFFFFFFFFFFFFFFFULL), std::nullopt) << "past the year 9999";
}

// A recurrence pattern as a mail program writes it: weekly on Mondays from `first`, its
// end, the deleted days, then the exception records with the override flags' fields (8-bit
// texts as length, length, bytes) and, from writer 0x3009, their Unicode texts again.
struct PatternException {
  std::uint32_t start, end, original;
  std::uint16_t flags;
  std::string subject8, location8;
  std::u16string subject, location;
};
std::vector<std::uint8_t> Pattern(std::uint32_t end_type, std::uint32_t count, std::uint32_t end_date,
                                  const std::vector<std::uint32_t>& deleted,
                                  const std::vector<PatternException>& exceptions, std::uint32_t writer = 0x3009) {
  std::vector<std::uint8_t> out;
  auto put = [&out](std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  auto text8 = [&](const std::string& text) {
    put(text.size() + 1, 2);
    put(text.size(), 2);
    out.insert(out.end(), text.begin(), text.end());
  };
  auto text16 = [&](const std::u16string& text) {
    put(text.size(), 2);
    for (char16_t c : text) put(c, 2);
  };
  put(0x3004, 2), put(0x3004, 2), put(0x200B, 2), put(1, 2), put(0, 2), put(0, 4), put(1, 4), put(0, 4);
  put(0x02, 4);  // Mondays
  put(end_type, 4), put(count, 4), put(0, 4);
  put(deleted.size(), 4);
  for (std::uint32_t day : deleted) put(day, 4);
  put(exceptions.size(), 4);
  for (const PatternException& exception : exceptions) put(exception.start / 1440 * 1440, 4);
  put(0, 4), put(end_date, 4);
  put(0x3006, 4), put(writer, 4), put(720, 4), put(780, 4), put(exceptions.size(), 2);
  for (const PatternException& exception : exceptions) {
    put(exception.start, 4), put(exception.end, 4), put(exception.original, 4), put(exception.flags, 2);
    if (exception.flags & 0x01) text8(exception.subject8);
    if (exception.flags & 0x04) put(15, 4);
    if (exception.flags & 0x10) text8(exception.location8);
    if (exception.flags & 0x20) put(2, 4);
  }
  put(0, 4);
  if (writer >= 0x3009) {
    for (const PatternException& exception : exceptions) {
      put(4, 4), put(0, 4), put(0, 4);
      if (!(exception.flags & 0x11)) continue;
      put(exception.start, 4), put(exception.end, 4), put(exception.original, 4);
      if (exception.flags & 0x01) text16(exception.subject);
      if (exception.flags & 0x10) text16(exception.location);
      put(0, 4);
    }
  }
  put(0, 4);
  return out;
}
std::uint32_t Minutes(std::int64_t unix_seconds) { return static_cast<std::uint32_t>(FileTime(unix_seconds) / 600'000'000); }

// The series' end and its exceptions, in date order: cancelled days, and changed ones with
// what changed (the Unicode texts over the 8-bit ones, times in the meeting's own zone).
TEST(ItemDetailsTest, RecurringMeetingEndAndExceptions) {
  SetZone("UTC0");
  constexpr std::int64_t k6Mar2023 = 1678060800, kDay = 86400;
  const std::uint32_t monday = Minutes(k6Mar2023), next = Minutes(k6Mar2023 + 7 * kDay);
  const std::vector<PatternException> changed = {
      {Minutes(k6Mar2023 + 8 * kDay + 45000), Minutes(k6Mar2023 + 8 * kDay + 48600), next + 720, 0x35,
       "Monday Lunch?", "Room 2", u"Monday Lunch \u2615", u"Room\r\n2"},
      {Minutes(k6Mar2023 + 14 * kDay + 46800), Minutes(k6Mar2023 + 15 * kDay + 3600), next + 7 * 1440 + 720, 0x04,
       "", "", u"", u""}};
  auto details = [](const std::vector<std::uint8_t>& pattern) {
    MessageBuilder builder;
    builder.AddUnicode(0x001A, u"IPM.Appointment").AddBinary(builder.named().Add(kPsetidAppointment, 0x8216), pattern);
    return DetailsOf(builder);
  };
  const std::vector<std::uint8_t> pattern =
      Pattern(0x2021, 43, Minutes(1703894400), {monday, next, next + 7 * 1440}, changed);
  EXPECT_EQ(details(pattern),
            (std::vector<std::string>{
                "Ends:|30 December 2023", "Exception:|6 March 2023: cancelled",
                "Exception:|13 March 2023: Monday Lunch \xe2\x98\x95, 14 March 2023 12:30 \xe2\x80\x93 13:30, Room 2",
                "Exception:|20 March 2023: 20 March 2023 13:00 \xe2\x80\x93 21 March 2023 01:00"}));
  std::vector<PatternException> eight_bit = changed;
  eight_bit[0].subject8 = "Caf\xe9";
  EXPECT_EQ(details(Pattern(0x2022, 10, Minutes(1684108800), {next}, {eight_bit[0]}, 0x3008)),
            (std::vector<std::string>{"Ends:|after 10 occurrences, 15 May 2023",
                                      "Exception:|13 March 2023: Caf\xc3\xa9, 14 March 2023 12:30 \xe2\x80\x93 13:30, Room 2"}))
      << "writer 0x3008: the 8-bit texts, in the message's code page";
  EXPECT_EQ(details(Pattern(0x2023, 0, 0x5AE980DF, {}, {})), std::vector<std::string>{}) << "no end, no line";

  // With the meeting's zone (Berlin's rules: one hour east, two from the last Sunday of March
  // at 02:00 to the last Sunday of October at 03:00) the exceptions are read in it and shown
  // in the reader's zone with its offset, as the meeting's start and end are.
  std::vector<std::uint8_t> berlin;
  const auto put = [&berlin](std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) berlin.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  put(static_cast<std::uint32_t>(-60), 4), put(0, 4), put(static_cast<std::uint32_t>(-60), 4);
  put(0, 2), put(0, 2), put(10, 2), put(0, 2), put(5, 2), put(3, 2), put(0, 2), put(0, 2), put(0, 2);
  put(0, 2), put(0, 2), put(3, 2), put(0, 2), put(5, 2), put(2, 2), put(0, 2), put(0, 2), put(0, 2);
  {
    MessageBuilder builder;
    builder.AddUnicode(0x001A, u"IPM.Appointment").AddBinary(builder.named().Add(kPsetidAppointment, 0x8216), pattern);
    builder.AddBinary(builder.named().Add(kPsetidAppointment, 0x8233), berlin);
    EXPECT_EQ(DetailsOf(builder),
              (std::vector<std::string>{
                  "Ends:|30 December 2023", "Exception:|6 March 2023: cancelled",
                  "Exception:|13 March 2023: Monday Lunch \xe2\x98\x95, 14 March 2023 11:30 \xe2\x80\x93 12:30 +00:00, Room 2",
                  "Exception:|20 March 2023: 20 March 2023 12:00 +00:00 \xe2\x80\x93 21 March 2023 00:00 +00:00"}));
  }
  const std::optional<ZoneRule> zone = ReadZoneRule(berlin);
  ASSERT_TRUE(zone);
  const auto shown = [&zone](std::int64_t local_unix_seconds) {
    return FormatLocalTime(UtcFileTime(*zone, Minutes(local_unix_seconds))).value_or("none");
  };
  EXPECT_EQ(shown(1688212800), "1 July 2023 10:00 +00:00") << "summer: two hours east";
  EXPECT_EQ(shown(1679799600), "26 March 2023 01:00 +00:00") << "03:00 on the day the clocks go on";
  EXPECT_EQ(shown(1679792400), "26 March 2023 00:00 +00:00") << "01:00 before they do";
  EXPECT_EQ(shown(1698548400), "29 October 2023 02:00 +00:00") << "03:00 on the day they go back: winter";
  EXPECT_EQ(shown(1698544800), "29 October 2023 00:00 +00:00") << "02:00 that day: still summer";
  std::vector<std::uint8_t> no_daylight(berlin);
  no_daylight[16] = 0;  // the standard change's month
  EXPECT_EQ(FormatLocalTime(UtcFileTime(*ReadZoneRule(no_daylight), Minutes(1688212800))), "1 July 2023 11:00 +00:00");
  EXPECT_FALSE(ReadZoneRule(std::span(berlin).first(47))) << "cut short";
  std::vector<std::uint8_t> bad(berlin);
  bad[16] = 13;
  EXPECT_FALSE(ReadZoneRule(bad)) << "a thirteenth month";

  std::vector<std::uint32_t> many;
  for (std::uint32_t week = 0; week < 60; ++week) many.push_back(monday + week * 7 * 1440);
  const std::vector<std::string> long_list = details(Pattern(0x2023, 0, 0, many, {}));
  ASSERT_EQ(long_list.size(), 51u);
  EXPECT_EQ(long_list.back(), "Exception:|and 10 more");

  // Cut anywhere, of another version, counts past its end: nothing, never a failure.
  for (std::size_t size = 0; size < pattern.size(); ++size) {
    const std::vector<std::string> cut = details({pattern.begin(), pattern.begin() + static_cast<std::ptrdiff_t>(size)});
    EXPECT_TRUE(cut.empty() || cut.size() == 4u || (cut.size() == 1u && size < 100)) << size;
  }
  std::vector<std::uint8_t> other = pattern;
  other[0] = 0x05;
  EXPECT_EQ(details(other), std::vector<std::string>{});
  std::vector<std::uint8_t> huge = pattern;
  huge[40] = huge[41] = 0xFF;  // the deleted instance count
  EXPECT_EQ(details(huge), std::vector<std::string>{});
  EXPECT_EQ(details(std::vector<std::uint8_t>(4096, 0xFF)), std::vector<std::string>{});
}

// Each address with its country, unless its text ends with it already; a task's start date
// and owner.
TEST(ItemDetailsTest, AddressCountriesAndTaskStartAndOwner) {
  MessageBuilder contact;
  msgwriter::NamedPropertyMap& named = contact.named();
  contact.AddUnicode(0x001A, u"IPM.Contact").AddUnicode(named.Add(kPsetidAddress, 0x801B), u"1 Main St\r\nSpringfield")
      .AddUnicode(named.Add(kPsetidAddress, 0x8049), u"Canada").AddUnicode(0x3A26, u"unused")
      .AddUnicode(0x3A5D, u"2 Elm St").AddUnicode(0x3A5A, u"Elm St")
      .AddUnicode(named.Add(kPsetidAddress, 0x801C), u"PO Box 9\r\nBern\r\nSwitzerland").AddUnicode(0x3A60, u"Switzerland");
  EXPECT_EQ(DetailsOf(contact), (std::vector<std::string>{"Business address:|1 Main St, Springfield, Canada",
                                                          "Home address:|2 Elm St", "Other address:|PO Box 9, Bern, Switzerland"}));
  MessageBuilder fixed_country;  // the business country as a plain property
  fixed_country.AddUnicode(0x001A, u"IPM.Contact").AddUnicode(fixed_country.named().Add(kPsetidAddress, 0x8046), u"Oslo")
      .AddUnicode(0x3A26, u"Norway").AddUnicode(0x3A5A, u"Chile");
  EXPECT_EQ(DetailsOf(fixed_country), std::vector<std::string>{"Business address:|Oslo, Norway"})
      << "a country alone is no address";

  SetZone("NST3:30");
  MessageBuilder task;
  task.AddUnicode(0x001A, u"IPM.Task")
      .AddTime(task.named().Add(kPsetidTask, 0x8104), FileTime(k8Dec2026At1305Utc - (13 * 3600 + 5 * 60)))
      .AddTime(task.named().Add(kPsetidTask, 0x8105), 0x5AE980E0ULL * 600'000'000ULL)
      .AddUnicode(task.named().Add(kPsetidTask, 0x811F), u"Ann\r\nSmith");
  EXPECT_EQ(DetailsOf(task), (std::vector<std::string>{"Start:|8 December 2026", "Owner:|Ann Smith"}));
}

// Lines need their class and their properties: nothing else, nothing invented.
TEST(ItemDetailsTest, LinesWithoutTheirPropertyOrClassAreLeftOut) {
  auto with_location = [](std::u16string_view message_class) {
    MessageBuilder builder;
    builder.AddUnicode(0x001A, message_class)
        .AddUnicode(builder.named().Add(kPsetidAppointment, 0x8208), u"Room")
        .AddUnicode(builder.named().Add(kPsetidTask, 0x8101), u"not a number")
        .AddUnicode(0x3A16, u"Company");
    return DetailsOf(builder);
  };
  EXPECT_EQ(with_location(u"IPM.Appointment"), std::vector<std::string>{"Where:|Room"});
  EXPECT_EQ(with_location(u"IPM.Appointment.Custom"), std::vector<std::string>{"Where:|Room"});
  EXPECT_EQ(with_location(u"IPM.Contact"), std::vector<std::string>{"Company:|Company"});
  // Other classes, and a task whose status is no number.
  for (const char* other : {"IPM.Note", "IPM.AppointmentX", "IPM.Schedule.Meeting", "IPM.TaskRequest",
                            "IPM.Task", "", "IPM.Contac"})
    EXPECT_EQ(with_location(std::u16string(other, other + std::strlen(other))), std::vector<std::string>{}) << other;

  MessageBuilder bare;  // a contact with no card at all: the ordinary block only
  bare.AddUnicode(0x001A, u"IPM.Contact").AddUnicode(0x0037, u"Ann");
  EXPECT_EQ(BlockOf(bare).find("\\tab"), std::string::npos) << BlockOf(bare);

  // A named property whose map entry points at a property of an unsupported element
  // type, and a map naming identifiers the message lacks: lines left out, no failure.
  MessageBuilder odd;
  odd.AddUnicode(0x001A, u"IPM.Appointment").AddStreamProperty(odd.named().Add(kPsetidAppointment, 0x8208),
                                                                 0x0048, std::vector<std::uint8_t>(16, 1));
  odd.named().Add(kPsetidAppointment, 0x8232);
  EXPECT_EQ(DetailsOf(odd), std::vector<std::string>{});
  EXPECT_EQ(Convert(odd), Convert(odd, false)) << "no block, no rule";
}

TEST(ItemDetailsTest, CorpusMeetingAndContact) {
  const std::string corpus = LORVANE_CORPUS_DIR;
  if (!std::filesystem::exists(corpus + "/msgClassAppointment.msg")) GTEST_SKIP() << "no corpus at " << corpus;
  SetZone("UTC0");
  auto details = [&](const char* name) {
    std::ifstream in(corpus + "/" + name, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return DetailLines(bytes);
  };
  EXPECT_EQ(details("msgClassAppointment.msg"),
            (std::vector<std::string>{
                "When:|28 February 2017 18:30 \xe2\x80\x93 19:00 +00:00",
                "Where:|under lazy dog", "Organizer:|Allison, Timothy B."}));
  const std::vector<std::string> contact = details("msgClassContact.msg");
  for (const char* line : {"Company:|Fence Co", "E-mail:|quickbrown@gmail.com", "Business phone:|(123) 456-7890",
                           "Mobile phone:|(456) 789-0123",
                           "Business address:|12 Lazy Dog Lane, Springfield  01234, United States of America"})
    EXPECT_NE(std::find(contact.begin(), contact.end(), line), contact.end()) << line;
  EXPECT_EQ(details("msgClassTask.msg"),
            (std::vector<std::string>{"Start:|19 February 2017", "Due:|10 March 2017", "Status:|In progress",
                                      "% Complete:|0%", "Owner:|Allison, Timothy B."}));
}

// However the opening is cut, the walk's place is where the whole document's walk has
// been: never inside a control word, its parameter or its delimiter ("\fs2" of "\fs20").
TEST(RtfInsertionTest, ACutOpeningIsNeverSplitInsideAControlWord) {
  const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 A;}}\\deff0\\fs20\\li-720 \\fi360 Hello}";
  std::vector<std::size_t> between = {1};
  for (const char* next : {"\\ansi", "{\\fonttbl", "\\deff0", "\\fs20", "\\li-720", "\\fi360", "Hello"})
    between.push_back(rtf.find(next));
  const std::vector<std::uint8_t> bytes(rtf.begin(), rtf.end());
  for (std::size_t cut = 6; cut <= bytes.size(); ++cut) {
    const DocumentStartWalk walk = WalkToDocumentStart(std::span(bytes).first(cut));
    ASSERT_TRUE(walk.at.has_value());
    EXPECT_NE(std::find(between.begin(), between.end(), *walk.at), between.end())
        << "cut at " << cut << ": " << rtf.substr(0, *walk.at) << "|";
  }
}

// An opening longer than the held limit: the block goes where the walk has reached once
// kMostHeld bytes are held (not twice that), and before a control word the limit cuts.
TEST(RtfInsertionTest, TheHeldOpeningStopsAtItsLimitBeforeAControlWord) {
  constexpr std::size_t kMost = DocumentStartInserter::kMostHeld;
  // Header groups of exactly `size` bytes, the document's start included.
  auto groups = [](std::size_t size, bool start) {
    std::string out = start ? "{\\rtf1" : "";
    const std::string group = "{\\*\\htmltag64 <p>" + std::string(980, 'x') + "</p>}";
    while (size - out.size() >= 2 * group.size()) out += group;
    out += "{\\*\\htmltag64 " + std::string(size - out.size() - 15, 'y') + "}";
    return out;
  };
  const std::string tail = "0 Hello}";
  const std::vector<std::vector<std::string>> plans = {
      // First look after 64 KB; the next reaches the limit with "\fs2" at the end.
      {groups(64 * 1024, true), groups(kMost - 64 * 1024 - 4, false) + "\\fs2", tail},
      // A look just short of the limit: the next must come at the limit, not at twice it.
      {groups(kMost / 2 - 1, true), groups(kMost / 2 - 1, false), "\\fs2", tail}};
  for (const std::vector<std::string>& plan : plans) {
    std::vector<std::uint8_t> out;
    VectorSink sink(out);
    DocumentStartInserter inserter(sink, "{BLOCK}");
    std::string whole;
    for (std::size_t k = 0; k < plan.size(); ++k) {
      inserter.Write(std::span(reinterpret_cast<const std::uint8_t*>(plan[k].data()), plan[k].size()));
      whole += plan[k];
      if (k + 2 == plan.size()) {
        EXPECT_FALSE(out.empty()) << "still held at " << whole.size() << " bytes";
      }
    }
    inserter.Finish();
    const std::size_t fs = whole.find("\\fs20 Hello");
    const std::string expected = whole.substr(0, fs) + "{BLOCK}" + whole.substr(fs);
    EXPECT_TRUE(std::string(out.begin(), out.end()) == expected)
        << std::string(out.end() - std::min<std::size_t>(out.size(), 40), out.end());
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
