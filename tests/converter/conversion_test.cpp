// Conversion: which document a message becomes (RTF body as is, else RTF built from the
// HTML body, else from the plain text),
// and the file rules: output only on success, written whole, never over the input, an
// existing file left alone on failure, no temporary file left behind.
#include "converter/conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <regex>
#include <future>
#include <thread>

#include "converter/cfb/compound_file.h"
#include "converter/rtf/encapsulated_html.h"
#include "converter/base/errors.h"
#include "converter/output/file_names.h"
#include "converter/cfb/input_file.h"
#include "converter/msg/message.h"
#include "converter/files/atomic_file.h"
#include "converter/output/output_file.h"
#include "converter/serve.h"
#include "msgwriter/lzfu_compressor.h"
#include "msgwriter/message_builder.h"
#include "msgwriter/samples.h"
#include "converter/rtf/text_to_rtf.h"
#include "support/converter_documents.h"
#include "support/rtf_visible_text.h"
#include "support/temp_tree.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;
using msgwriter::MessageBuilder;

std::string Convert(const MessageBuilder& builder) {
  std::vector<std::uint8_t> bytes = builder.Build();
  std::vector<std::uint8_t> document = ConvertMessage(bytes);
  return std::string(document.begin(), document.end());
}

std::string TextDocument(std::u16string_view text) { return testing::PlainTextDocument(text) + "\r\n"; }

// The text a reader sees in the document a message becomes.
std::u16string Visible(const MessageBuilder& builder) { return testing::RtfVisibleText(Convert(builder)); }

TEST(DocumentChoiceTest, RtfBodyIsWrittenByteForByteWithCrLf) {
  const std::string rtf = "{\\rtf1\\ansi \x80\x93\xe9\xff text}";
  MessageBuilder builder;
  builder.AddRtfBody(rtf).AddUnicode(0x1000, u"plain text loses to the RTF body");
  EXPECT_EQ(Convert(builder), rtf + "\r\n");
}

// The messages that ship in "Samples" must convert to exactly the RTF they were written
// with, and load their recipient and attachment; so must the same messages laid out in
// every other way a compound file may be (larger sectors, DIFAT sectors, no mini stream,
// degenerate directory trees).
TEST(DocumentChoiceTest, EverySampleMessageBecomesItsRtfBodyInEveryLayout) {
  std::vector<msgwriter::CfbOptions> layouts(5);
  layouts[1].version = 4;
  layouts[2].min_fat_sectors = 110;
  layouts[3].mini_cutoff = 0;
  layouts[4].degenerate_trees = true;
  for (std::size_t layout = 0; layout < layouts.size(); ++layout) {
    const std::vector<msgwriter::SampleMessage> samples = msgwriter::SampleMessages(layouts[layout]);
    ASSERT_EQ(samples.size(), 4u);
    std::size_t attachments = 0;
    for (const msgwriter::SampleMessage& sample : samples) {
      SCOPED_TRACE(sample.file_name + " in layout " + std::to_string(layout));
      std::vector<std::uint8_t> document = ConvertMessage(sample.bytes);
      EXPECT_EQ(std::string(document.begin(), document.end()), sample.rtf + "\r\n");
      std::unique_ptr<Message> message = Message::Open(sample.bytes);
      EXPECT_EQ(message->recipients().size(), 1u);
      attachments += message->attachments().size();
    }
    EXPECT_EQ(attachments, 1u);
  }
}

TEST(DocumentChoiceTest, PlainTextBodyBecomesAnRtfDocument) {
  MessageBuilder unicode;
  unicode.AddUnicode(0x1000, u"Hello \u0416\u00e9\nsecond line");
  EXPECT_EQ(Convert(unicode), TextDocument(u"Hello \u0416\u00e9\nsecond line"));
}

// The HTML body holds what the plain text lost (bold, links, tables): it comes first.
TEST(DocumentChoiceTest, HtmlBodyIsChosenBeforeThePlainText) {
  MessageBuilder both;
  both.AddUnicode(0x1000, u"Hello plain")
      .AddBinary(0x1013, {'<', 'b', '>', 'h', 't', 'm', 'l', '<', '/', 'b', '>'});
  const std::string document = Convert(both);
  EXPECT_NE(document.find("\\b html"), std::string::npos) << document;
  EXPECT_EQ(document.find("Hello plain"), std::string::npos);
  EXPECT_EQ(document.substr(document.size() - 3), "}\r\n");

  MessageBuilder empty_html;  // an empty HTML body is no body: the plain text stays
  empty_html.AddUnicode(0x1000, u"Hello plain").AddUnicode(0x1013, u"");
  EXPECT_EQ(Convert(empty_html), TextDocument(u"Hello plain"));
}

TEST(DocumentChoiceTest, EightBitTextUsesTheMessageCodePage) {
  const std::string cyrillic = "\xc0\xe1\xe2";  // in code page 1251
  MessageBuilder by_message_page;
  by_message_page.AddString8(0x1000, cyrillic).AddInt32(0x3FFD, 1251).AddInt32(0x3FDE, 1252);
  EXPECT_EQ(Convert(by_message_page), TextDocument(u"\u0410\u0431\u0432"));

  MessageBuilder by_internet_page;
  by_internet_page.AddString8(0x1000, cyrillic).AddInt32(0x3FDE, 1251);
  EXPECT_EQ(Convert(by_internet_page), TextDocument(u"\u0410\u0431\u0432"));

  MessageBuilder by_default;
  by_default.AddString8(0x1000, cyrillic);
  EXPECT_EQ(Convert(by_default), TextDocument(u"\u00c0\u00e1\u00e2"));

  MessageBuilder utf8;
  utf8.AddString8(0x1000, "caf\xc3\xa9").AddInt32(0x3FDE, 65001);
  EXPECT_EQ(Convert(utf8), TextDocument(u"caf\u00e9"));
}

// A message that says UTF-8 but holds Windows-1252 text keeps its letters.
TEST(DocumentChoiceTest, TextThatIsNotUtf8IsReadInTheDefaultPage) {
  MessageBuilder builder;
  builder.AddString8(0x1000, "Body \xf6\xe4\xfc Body").AddInt32(0x3FDE, 65001);
  EXPECT_EQ(Convert(builder), TextDocument(u"Body \u00f6\u00e4\u00fc Body"));
}

TEST(DocumentChoiceTest, HtmlBodyBecomesADocumentOfItsText) {
  const std::string html = "<html><body><p>Caf\xc3\xa9</p><script>x()</script></body></html>";
  MessageBuilder binary;
  binary.AddBinary(0x1013, std::vector<std::uint8_t>(html.begin(), html.end())).AddInt32(0x3FDE, 65001);
  EXPECT_EQ(Visible(binary), u"Caf\u00e9");
  EXPECT_EQ(Convert(binary).rfind("{\\rtf1", 0), 0u);

  MessageBuilder unicode;
  unicode.AddUnicode(0x1013, u"<p>Caf\u00e9\u0001\u0085!</p>").AddUnicode(0x1000, u"");  // empty plain text
  EXPECT_EQ(Visible(unicode), u"Caf\u00e9!") << "control characters left out";
}

// Plain bodies in the code pages mail uses, built with the message writer. The bytes were
// made once with Python's codecs (text.encode(codec), codec named on each line), an
// encoder independent of the converter, and pasted here.
TEST(DocumentChoiceTest, PlainBodiesInEveryCodePage) {
  const struct {
    std::uint32_t code_page;
    const char* bytes;
    const char16_t* text;
  } cases[] = {
      {932, "MSG \x8c\x60\x8e\xae\x83\x65\x83\x58\x83\x67\x81\x46\x93\xfa\x96\x7b\x8c\xea",  // cp932
       u"MSG \u5F62\u5F0F\u30C6\u30B9\u30C8\uFF1A\u65E5\u672C\u8A9E"},
      {936, "MSG \xb8\xf1\xca\xbd\xb2\xe2\xca\xd4\xa3\xba\xbc\xf2\xcc\xe5\xd6\xd0\xce\xc4",  // gbk
       u"MSG \u683C\u5F0F\u6D4B\u8BD5\uFF1A\u7B80\u4F53\u4E2D\u6587"},
      {950, "MSG \xae\xe6\xa6\xa1\xb4\xfa\xb8\xd5", u"MSG \u683C\u5F0F\u6E2C\u8A66"},  // big5
      {949, "MSG \xc7\xfc\xbd\xc4 \xc5\xd7\xbd\xba\xc6\xae",  // cp949
       u"MSG \uD615\uC2DD \uD14C\uC2A4\uD2B8"},
      {50220, "MSG \x1b$B7A<0%F%9%H\x1b(B", u"MSG \u5F62\u5F0F\u30C6\u30B9\u30C8"},  // iso2022_jp
      {28592, "Za\xbf\xf3\xb3\xe6 g\xea\xb6l\xb1 ja\xbc\xf1",  // iso8859_2
       u"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144"},
      {20866, "\xf4\xc5\xd3\xd4 \xc6\xcf\xd2\xcd\xc1\xd4\xc1",  // koi8_r
       u"\u0422\u0435\u0441\u0442 \u0444\u043E\u0440\u043C\u0430\u0442\u0430"},
  };
  for (const auto& c : cases) {
    MessageBuilder builder;
    builder.AddString8(0x1000, c.bytes).AddInt32(0x3FFD, static_cast<std::int32_t>(c.code_page));
    EXPECT_EQ(Convert(builder), TextDocument(c.text)) << c.code_page;
  }
}

// A binary HTML body is read in the charset it declares, else in "3FDE", else "3FFD".
TEST(DocumentChoiceTest, HtmlBodyIsReadInItsOwnCharset) {
  auto html_message = [](const std::string& html) {
    MessageBuilder builder;
    builder.AddBinary(0x1013, std::vector<std::uint8_t>(html.begin(), html.end()));
    return builder;
  };
  const std::string japanese = "\xe3\x81\x93\xe3\x81\xae\xe9\x9b\xbb\xe5\xad\x90";  // utf_8
  const std::u16string japanese_text = u"\u3053\u306E\u96FB\u5B50";

  MessageBuilder meta = html_message("<html><head><meta charset=\"UTF-8\"></head><body>" + japanese + "</body></html>");
  meta.AddInt32(0x3FFD, 1252).AddInt32(0x3FDE, 1252);
  EXPECT_EQ(Visible(meta), japanese_text);

  MessageBuilder http_equiv = html_message(
      "<meta http-equiv=Content-Type content=\"text/html; charset=shift_jis\"><p>\x82\xb1\x82\xcc</p>");  // cp932
  http_equiv.AddInt32(0x3FFD, 1252).AddInt32(0x3FDE, 65001);
  EXPECT_EQ(Visible(http_equiv), u"\u3053\u306E");

  MessageBuilder internet_page = html_message("<p>Bestellbest\xc3\xa4tigung</p>");
  internet_page.AddInt32(0x3FFD, 1252).AddInt32(0x3FDE, 65001);
  EXPECT_EQ(Visible(internet_page), u"Bestellbest\u00E4tigung");

  MessageBuilder message_page = html_message("<p>\xc0\xe1\xe2</p>");
  message_page.AddInt32(0x3FFD, 1251);
  EXPECT_EQ(Visible(message_page), u"\u0410\u0431\u0432");

  MessageBuilder utf7 = html_message("<meta charset=utf-7><p>1+1=2 +AGE-</p>");
  utf7.AddInt32(0x3FDE, 28591);
  EXPECT_EQ(Visible(utf7), u"1+1=2 +AGE-") << "a UTF-7 label is not followed";

  MessageBuilder bom = html_message("\xef\xbb\xbf<p>" + japanese + "</p>");
  bom.AddInt32(0x3FDE, 1252);
  EXPECT_EQ(Visible(bom), japanese_text) << "byte-order mark first, and left out";
}

// An RTF body that holds no document is no body: decoded to nothing, or not a stream.
TEST(DocumentChoiceTest, AnEmptyRtfBodyGivesWayToThePlainText) {
  MessageBuilder stated_zero;
  stated_zero.AddBinary(0x1009, msgwriter::CompressRtf("")).AddUnicode(0x1000, u"the words");
  EXPECT_EQ(Convert(stated_zero), TextDocument(u"the words"));

  MessageBuilder header_only;
  header_only.AddBinary(0x1009, {12, 0, 0, 0, 0, 0, 0, 0, 'L', 'Z', 'F', 'u', 0, 0, 0, 0})
      .AddBinary(0x1013, {'<', 'p', '>', 'h', 'i'});
  EXPECT_EQ(Visible(header_only), u"hi");

  MessageBuilder storage;
  storage.AddSubStorage(msgwriter::PropertyName(0x1009, 0x0102), 8);
  storage.AddUnicode(0x1000, u"the words");
  EXPECT_EQ(Convert(storage), TextDocument(u"the words"));
}

TEST(DocumentChoiceTest, NoBodyGivesAnEmptyRtfDocument) {
  MessageBuilder builder;
  builder.AddUnicode(0x0037, u"subject only");
  EXPECT_EQ(Convert(builder), TextDocument(u""));
  EXPECT_EQ(Convert(builder).rfind("{\\rtf", 0), 0u);
}

TEST(DocumentChoiceTest, FailuresAreConvertErrors) {
  std::vector<std::uint8_t> damaged = msgwriter::CompressRtf("{\\rtf1 body}");
  damaged[20] ^= 0x40;
  MessageBuilder bad_body;
  bad_body.AddBinary(0x1009, damaged);
  EXPECT_THROW(Convert(bad_body), DecodeError);
  std::vector<std::uint8_t> text(100, 'a');
  EXPECT_THROW(ConvertMessage(text), FormatError);
}

// HTML mail kept as RTF: the HTML it carries is its tags' content and the text outside
// \htmlrtf regions, whatever the pieces the body is decoded in.
TEST(EncapsulatedHtmlTest, TagsAndSharedTextMakeTheHtmlInAnyPieces) {
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset204 Cyr;}"
      "{\\f2\\fnil\\cpg932 J;}}{\\colortbl\\red0\\green0\\blue0;}{\\*\\generator x;}"
      "{\\*\\htmltag19 <html>}{\\*\\htmltag50 <body>}\\htmlrtf {\\b skipped \\htmlrtf0 shared\\htmlrtf more}\\htmlrtf0 "
      "{\\*\\htmltag148 <font\\par size=2>}caf\\'e9 {\\f1 \\'c4\\'e0} {\\f2 \\'82\\'a0} \\{x\\} a\\\\b\\tab c\\par "
      "\\u8364?\\uc2\\u8212\\'aa\\'bb|\\uc1\\u-4064 ?z\\~\\lquote q\\rquote "
      "{\\*\\htmltag84 &amp;}\\htmlrtf &\\htmlrtf0 {\\*\\mhtmltag84 <img src=\"x\">}{\\*\\htmltag84 <img src=\"cid:x\">}"
      "{\\pict\\pngblip 89504e47}{\\*\\unknown dropped}{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}"
      "\\bin3 {}\\{ {\\*\\htmltag4 \\par }{\\*\\htmltag58 </body>}}";
  const std::u16string want =
      u"<html><body>shared<font\r\nsize=2>caf\u00e9 \u0414\u0430 \u3042 {x} a\\b\tc\r\n\u20ac\u2014|\uf020"
      u"z\u00a0\u2018q\u2019&amp;<img src=\"cid:x\">link \r\n</body>";
  for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, rtf.size()}) {
    EncapsulatedHtmlReader reader;
    for (std::size_t at = 0; at < rtf.size(); at += piece) {
      const std::string_view part = std::string_view(rtf).substr(at, piece);
      reader.Write({reinterpret_cast<const std::uint8_t*>(part.data()), part.size()});
    }
    EXPECT_TRUE(reader.carries_html());
    EXPECT_FALSE(reader.has_table_rows());
    EXPECT_EQ(reader.TakeHtml(), want) << "in pieces of " << piece;
  }
  EncapsulatedHtmlReader short_reader(12);  // past its limit it gives up, holding no more
  short_reader.Write({reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()});
  EXPECT_TRUE(short_reader.too_long() && short_reader.settled());
  EXPECT_EQ(short_reader.TakeHtml(), u"<html><body>");
  EXPECT_TRUE(HtmlHasTable(u"<p>x<TABLE border=1>"));
  EXPECT_TRUE(HtmlHasTable(u"<table>"));
  for (const char16_t* none : {u"<tables>", u"<tab>", u"table", u"<table", u"<tbody>"})
    EXPECT_FALSE(HtmlHasTable(none)) << std::string(none, none + std::char_traits<char16_t>::length(none));
}

// The document of such a body comes from the HTML only when the HTML has a table that the
// RTF side lacks; every other body, and a damaged one, stays as it was.
TEST(DocumentChoiceTest, HtmlInRtfWithATableTheRtfLacksIsMadeFromTheHtml) {
  auto body = [](std::string_view rtf_side, std::string_view table) {
    return "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 {\\fonttbl{\\f0 Arial;}}{\\*\\htmltag19 <html><body>}"
           "{\\*\\htmltag64 " + std::string(table) + "}Phone" + std::string(rtf_side) +
           "{\\*\\htmltag64 </td><td>}\\htmlrtf \\tab \\htmlrtf0 0123 456{\\*\\htmltag64 </td></tr></table>}}";
  };
  const std::string lost = body("", "<table><tr><td>");
  MessageBuilder builder;
  builder.AddRtfBody(lost).AddUnicode(0x0037, u"Numbers");
  const std::string document = Convert(builder);
  EXPECT_EQ(document.find("fromhtml"), std::string::npos) << document;
  EXPECT_NE(document.find("\\trowd"), std::string::npos) << "the grid is back";
  EXPECT_EQ(testing::RtfVisibleText(document), u"Phone\t0123 456");
  std::vector<std::uint8_t> with_header = ConvertMessage(builder.Build(), {true});
  EXPECT_EQ(testing::RtfVisibleText(std::string(with_header.begin(), with_header.end())),
            u"Numbers\n\nPhone\t0123 456") << "the header block, its rule, the table";

  for (const std::string& kept : std::vector<std::string>{body("\\trowd\\cellx100 ", "<table><tr><td>"), body("", "<tablet><p>"),
                                  "{\\rtf1\\ansi\\fromhtml0 {\\*\\htmltag64 <table>}x}",
                                  "{\\rtf1\\ansi x{\\*\\htmltag64 <table>}}", "not rtf <table>"}) {
    MessageBuilder same;
    same.AddRtfBody(kept);
    EXPECT_EQ(Convert(same), kept + "\r\n") << kept;
  }
  std::vector<std::uint8_t> damaged = msgwriter::CompressRtf(lost);
  damaged[40] ^= 0x40;
  MessageBuilder bad_body;
  bad_body.AddBinary(0x1009, damaged);
  EXPECT_THROW(Convert(bad_body), DecodeError) << "fails as before";
}

class ConvertFileTest : public ::testing::Test {
 protected:

  fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::vector<std::uint8_t> GoodMessage() {
    MessageBuilder builder;
    builder.AddRtfBody("{\\rtf1 converted}");
    return builder.Build();
  }

  TempTree tree_;
  const fs::path dir_ = tree_.Root();
};

TEST_F(ConvertFileTest, WritesTheDocumentReplacingAnOlderFile) {
  fs::path input = Write("in.msg", GoodMessage());
  fs::path output = Write("out.doc", std::vector<std::uint8_t>(5000, 'x'));
  ConversionOptions replace;
  replace.replace = true;
  ConversionResult result = ConvertFile(input, output, replace);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(Read(output), "{\\rtf1 converted}\r\n");
  EXPECT_TRUE(result.document.empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"in.msg", "out.doc"}));
}

// Without "replace" nothing is ever replaced: the document takes the first free numbered
// name by the main program's rule, and its attachments the folder of that name.
TEST_F(ConvertFileTest, WithoutReplaceTheDocumentTakesTheNextFreeNumberedName) {
  MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1 converted}");
  builder.AddAttachment(1).AddUnicode(0x3707, u"a.txt").AddBinary(0x3701, {'a'});
  fs::path input = Write("in.msg", builder.Build());
  Write("out.doc", {'o', 'n', 'e'});
  Write("out (2).doc", {'t', 'w', 'o'});
  ConversionOptions options;
  options.attachments = true;
  ConversionResult result = ConvertFile(input, dir_ / "out.doc", options);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(result.document, dir_ / "out (3).doc");
  EXPECT_EQ(Read(dir_ / "out.doc"), "one");
  EXPECT_EQ(Read(dir_ / "out (2).doc"), "two");
  EXPECT_EQ(Read(dir_ / "out (3).doc"), "{\\rtf1 converted}\r\n");
  EXPECT_EQ(Read(dir_ / "out (3) attachments" / "a.txt"), "a");
  // A name that is free is taken as it is, and the answer names no other path.
  result = ConvertFile(input, dir_ / "fresh.doc", options);
  EXPECT_TRUE(result.ok() && result.document.empty());
  EXPECT_EQ(KeptSummary(options, result), "attachments 1 messages 0");
  result = ConvertFile(input, dir_ / "fresh.doc", options);
  EXPECT_EQ(KeptSummary(options, result), "attachments 1 messages 0 document " + (dir_ / "fresh (2).doc").string());
  options.attachments = false;
  EXPECT_EQ(KeptSummary(options, ConvertFile(input, dir_ / "fresh.doc", options)),
            "document " + (dir_ / "fresh (3).doc").string());

  // The numbering rule: the counter before a last ".doc" (else at the end), the name cut at
  // a character boundary so the whole stays within 255 bytes.
  EXPECT_EQ(NumberedDocumentName("Report.doc", 2), "Report (2).doc");
  EXPECT_EQ(NumberedDocumentName("Report.DOC", 12), "Report.DOC (12)");
  EXPECT_EQ(NumberedDocumentName("a.doc.doc", 2), "a.doc (2).doc");
  std::string long_name;
  for (int i = 0; i < 130; ++i) long_name += "\xC3\xA9";  // 260 bytes
  const std::string numbered = NumberedDocumentName(long_name + ".doc", 7);
  EXPECT_EQ(numbered, long_name.substr(0, 246) + " (7).doc");
  EXPECT_LE(numbered.size(), 255u);
}

TEST_F(ConvertFileTest, FailuresWriteNothingAndKeepAnExistingOutput) {
  MessageBuilder no_method;
  no_method.AddRtfBody("{\\rtf1 x}").AddAttachment(std::nullopt);
  std::vector<std::uint8_t> damaged_body = msgwriter::CompressRtf("{\\rtf1 body}");
  damaged_body[17] ^= 1;
  MessageBuilder bad_body;
  bad_body.AddBinary(0x1009, damaged_body);
  std::vector<std::uint8_t> short_size = msgwriter::CompressRtf("{\\rtf1 a whole letter}");
  short_size[4] = 10;  // the stated size covers only the first ten bytes
  MessageBuilder cut_body;
  cut_body.AddBinary(0x1009, short_size);
  // Found only after many pieces of the document have been written.
  std::string long_rtf = "{\\rtf1 ";
  for (int i = 0; long_rtf.size() < 400000; ++i) long_rtf += "word" + std::to_string(i) + " ";
  std::vector<std::uint8_t> long_short_size = msgwriter::CompressRtf(long_rtf + "}");
  const std::size_t stated = long_rtf.size() + 1 - 1000;  // the last 1,000 bytes left out
  for (int i = 0; i < 4; ++i) long_short_size[4 + i] = static_cast<std::uint8_t>(stated >> (8 * i));
  MessageBuilder long_cut_body;
  long_cut_body.AddBinary(0x1009, long_short_size);
  // Stored bodies follow the same rule: a stated size of 0, or one short of the data.
  MessageBuilder stored_zero, stored_short;
  std::vector<std::uint8_t> stored = msgwriter::StoreRtfUncompressed("{\\rtf1 stored letter}");
  stored[4] = 0;
  stored_zero.AddBinary(0x1009, stored).AddUnicode(0x1000, u"not this either");
  stored[4] = 10;
  stored_short.AddBinary(0x1009, stored);
  const struct {
    std::vector<std::uint8_t> input;
    ConversionStatus status;
  } cases[] = {
      {stored_zero.Build(), ConversionStatus::kDecodeError},
      {stored_short.Build(), ConversionStatus::kDecodeError},
      {{'p', 'l', 'a', 'i', 'n'}, ConversionStatus::kFormatError},
      {no_method.Build(), ConversionStatus::kPropertyError},
      {bad_body.Build(), ConversionStatus::kDecodeError},
      {cut_body.Build(), ConversionStatus::kDecodeError},
      {long_cut_body.Build(), ConversionStatus::kDecodeError},
  };
  for (const auto& c : cases) {
    fs::path input = Write("in.msg", c.input);
    ConversionResult fresh = ConvertFile(input, dir_ / "new.doc");
    EXPECT_EQ(fresh.status, c.status) << fresh.message;
    EXPECT_FALSE(fresh.message.empty());
    EXPECT_EQ(fresh.message.find('\n'), std::string::npos) << "one line";
    EXPECT_FALSE(fs::exists(dir_ / "new.doc"));

    fs::path existing = Write("old.doc", {'k', 'e', 'e', 'p'});
    EXPECT_FALSE(ConvertFile(input, existing).ok());
    EXPECT_EQ(Read(existing), "keep");
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.msg", "old.doc"})) << "no temporary file left";
  }
}

TEST_F(ConvertFileTest, RefusesToWriteOverTheInputByAnyName) {
  fs::path input = Write("in.msg", GoodMessage());
  fs::create_directories(dir_ / "sub");
  fs::create_hard_link(input, dir_ / "hard.msg");
  fs::create_symlink(input, dir_ / "soft.msg");
  for (const fs::path& output : {input, dir_ / "sub" / ".." / "in.msg", dir_ / "." / "in.msg",
                                 dir_ / "hard.msg", dir_ / "soft.msg"}) {
    ConversionResult result = ConvertFile(input, output);
    EXPECT_EQ(result.status, ConversionStatus::kIoError) << output;
    EXPECT_NE(result.message.find("is the input file"), std::string::npos) << result.message;
  }
  EXPECT_EQ(Read(input), Read(dir_ / "hard.msg"));
  EXPECT_TRUE(ConvertFile(input, dir_ / "copy.doc").ok());
  EXPECT_EQ(Read(dir_ / "copy.doc"), "{\\rtf1 converted}\r\n");
}

TEST_F(ConvertFileTest, FileSystemFailuresAreReported) {
  fs::path input = Write("in.msg", GoodMessage());
  EXPECT_EQ(ConvertFile(dir_ / "missing.msg", dir_ / "a.doc").status, ConversionStatus::kIoError);
  EXPECT_EQ(ConvertFile(dir_, dir_ / "a.doc").status, ConversionStatus::kIoError);
  EXPECT_EQ(ConvertFile(input, dir_ / "no-such-folder" / "a.doc").status, ConversionStatus::kIoError);
  EXPECT_EQ(ConvertFile("/dev/zero", dir_ / "a.doc").status, ConversionStatus::kIoError) << "endless input";
  std::string long_name(240, 'n');
  EXPECT_TRUE(ConvertFile(input, dir_ / (long_name + ".doc")).ok()) << "temporary name fits";
  fs::remove(dir_ / (long_name + ".doc"));
  fs::create_directories(dir_ / "folder.doc");
  EXPECT_EQ(ConvertFile(input, dir_ / "folder.doc").status, ConversionStatus::kIoError);
  EXPECT_TRUE(fs::is_directory(dir_ / "folder.doc"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder.doc", "in.msg"}));
}

// A named pipe, a device or a socket is refused at once, with nothing read: a pipe that no
// one writes to must not hold the conversion (or the requests queued behind it). Should the
// opening wait, a watchdog opens the pipe's other end after a while to free it, and the
// test fails.
TEST_F(ConvertFileTest, AnInputThatIsNotARegularFileIsRefusedAtOnce) {
  const fs::path pipe = dir_ / "pipe.msg";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const fs::path socket_path = dir_ / "socket.msg";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socket_path.string().size(), sizeof address.sun_path);
  std::copy_n(socket_path.c_str(), socket_path.string().size(), address.sun_path);
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  for (const fs::path& input : {pipe, socket_path, fs::path("/dev/zero"), fs::path("/dev/null")}) {
    std::promise<void> finished;
    std::atomic<bool> had_to_free{false};
    std::thread watchdog([&, done = finished.get_future()] {
      if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return;
      had_to_free = true;
      ::close(::open(pipe.c_str(), O_RDWR | O_NONBLOCK));
    });
    const ConversionResult result = ConvertFile(input, dir_ / "out.doc");
    finished.set_value();
    watchdog.join();
    EXPECT_FALSE(had_to_free) << input << " held the conversion";
    EXPECT_EQ(result.status, ConversionStatus::kIoError) << input;
    EXPECT_NE(result.message.find("not a regular file"), std::string::npos) << result.message;
  }
  ::close(listener);
  EXPECT_FALSE(fs::exists(dir_ / "out.doc"));
}

TEST_F(ConvertFileTest, OnlyARegularOutputFileIsReplaced) {
  fs::path input = Write("in.msg", GoodMessage());
  fs::path target = Write("target.doc", {'k', 'e', 'e', 'p'});
  fs::create_symlink(target, dir_ / "link.doc");
  fs::create_directories(dir_ / "folder.doc");
  ASSERT_EQ(mkfifo((dir_ / "pipe.doc").c_str(), 0600), 0);
  const std::vector<std::string> before = Names();
  for (const auto& [name, reason] : {std::pair{"link.doc", "it is a symbolic link"},
                                     std::pair{"folder.doc", "it is a folder"},
                                     std::pair{"pipe.doc", "it is not a regular file"}}) {
    ConversionResult result = ConvertFile(input, dir_ / name);
    EXPECT_EQ(result.status, ConversionStatus::kIoError) << name;
    EXPECT_NE(result.message.find(reason), std::string::npos) << result.message;
  }
  EXPECT_EQ(Names(), before) << "nothing written, no temporary file left";
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.doc"));
  EXPECT_EQ(Read(target), "keep");
  EXPECT_EQ(ConvertFile(input, "/dev/null").status, ConversionStatus::kIoError);
}

TEST_F(ConvertFileTest, ReplacedOutputKeepsItsPermissionBits) {
  fs::path input = Write("in.msg", GoodMessage());
  for (bool unnamed : {true, false}) {
    UseUnnamedTemporaryFiles(unnamed);
    for (fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                           fs::perms::owner_all | fs::perms::others_read}) {
      fs::path output = Write("out.doc", {'o', 'l', 'd'});
      fs::permissions(output, mode);
      ConversionOptions replace;
      replace.replace = true;
      ASSERT_TRUE(ConvertFile(input, output, replace).ok());
      EXPECT_EQ(Read(output), "{\\rtf1 converted}\r\n");
      EXPECT_EQ(fs::status(output).permissions() & fs::perms::all, mode);
    }
  }
  UseUnnamedTemporaryFiles(true);
}

// The signature is checked on the first bytes: a huge file that is no compound file is
// refused without being read (this sparse one could not be held in memory).
TEST_F(ConvertFileTest, InputWithoutTheSignatureIsRefusedBeforeReadingIt) {
  fs::path input = Write("huge.msg", {'p', 'l', 'a', 'i', 'n', ' ', 't', 'e', 'x', 't'});
  std::error_code error;
  fs::resize_file(input, std::uintmax_t{1} << 42, error);
  if (error) GTEST_SKIP() << "no sparse file here: " << error.message();
  ConversionResult result = ConvertFile(input, dir_ / "out.doc");
  EXPECT_EQ(result.status, ConversionStatus::kFormatError);
  EXPECT_EQ(result.message, CompoundFile::kNoSignatureMessage);
  EXPECT_FALSE(fs::exists(dir_ / "out.doc"));
  result = ConvertFile(Write("short.msg", {0xD0, 0xCF}), dir_ / "out.doc");
  EXPECT_EQ(result.message, CompoundFile::kNoSignatureMessage);
}

// A long document reaches the file in pieces, built from text or decoded from a rich-text
// body, with or without the header block: the same bytes as in memory.
TEST_F(ConvertFileTest, ALongDocumentIsWrittenWhole) {
  std::u16string text;
  for (int i = 0; text.size() < 300000; ++i) text += u"line " + std::u16string(i % 7, u'\u4E2D') + u"{\\}\n";
  std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Arial;}}";
  for (int i = 0; rtf.size() < 300000; ++i) rtf += "{\\*\\htmltag" + std::to_string(i % 300) + " <p>}";
  rtf += "Hello " + std::string(500000, 'x') + "}";
  MessageBuilder text_body, rtf_body;
  text_body.AddUnicode(0x0037, u"Subject").AddUnicode(0x1000, text);
  rtf_body.AddUnicode(0x0037, u"Subject").AddRtfBody(rtf);
  for (const MessageBuilder* builder : {&text_body, &rtf_body}) {
    for (bool header : {false, true}) {
      const std::vector<std::uint8_t> bytes = builder->Build();
      ConversionOptions options{header};
      options.replace = true;
      ASSERT_TRUE(ConvertFile(Write("long.msg", bytes), dir_ / "long.doc", options).ok());
      const std::vector<std::uint8_t> in_memory = ConvertMessage(bytes, {header});
      EXPECT_TRUE(Read(dir_ / "long.doc") == std::string(in_memory.begin(), in_memory.end()));
      EXPECT_GT(in_memory.size(), 3u << 16);
    }
  }
}

// A document that fails while it is being written leaves nothing, not even its temporary
// file, and an older output stays as it was.
TEST_F(ConvertFileTest, AFailureWhileWritingLeavesNothing) {
  fs::path existing = Write("out.doc", {'o', 'l', 'd'});
  auto failing = [](ByteSink& sink) {
    sink.Write(std::vector<std::uint8_t>(100000, 'x'));
    throw DecodeError("stopped halfway");
  };
  for (bool unnamed : {true, false}) {
    UseUnnamedTemporaryFiles(unnamed);
    EXPECT_THROW(WriteFileAtomically(existing, failing), DecodeError);
    EXPECT_THROW(WriteFileAtomically(dir_ / "new.doc", failing), DecodeError);
    EXPECT_EQ(Read(existing), "old");
    EXPECT_EQ(Names(), (std::vector<std::string>{"out.doc"}));
  }
  UseUnnamedTemporaryFiles(true);
}

// The one writer serves the converter (journaled, made as any file is) and the main
// program (its PDFs and reports: open to its owner only until it is complete). Either way,
// named or unnamed, a new file ends with 0666 less the umask and a replaced file's bits
// are kept (the main program's keep the set-user-ID bit too); only the temporary file's
// mode while it is written tells the two apart.
TEST_F(ConvertFileTest, BothWaysOfTheWriterEndWithTheSamePermissions) {
  const mode_t mask = ::umask(027);
  for (const bool journaled : {true, false}) {
    const AtomicFileWay way{.journaled = journaled, .private_while_written = !journaled};
    for (const bool unnamed : {true, false}) {
      SCOPED_TRACE(std::string(journaled ? "converter" : "main program") + (unnamed ? ", unnamed" : ", named"));
      UseUnnamedTemporaryFiles(unnamed);
      fs::remove_all(dir_);
      fs::create_directories(dir_);
      AtomicFile made(dir_ / "new.doc", way);
      ASSERT_FALSE(made.Open());
      std::fputs("new", made.Stream());
      const std::vector<std::string> written = Names();
      if (written.size() == 1) {  // a named temporary file
        struct stat about {};
        ASSERT_EQ(::stat((dir_ / written[0]).c_str(), &about), 0);
        EXPECT_EQ(about.st_mode & 07777, journaled ? 0640u : 0600u);
      } else {
        EXPECT_TRUE(written.empty());
      }
      ASSERT_FALSE(made.PlaceNew());
      EXPECT_EQ(fs::status(dir_ / "new.doc").permissions(), static_cast<fs::perms>(0640));

      fs::path older = Write("older.doc", {'o', 'l', 'd'});
      ASSERT_EQ(::chmod(older.c_str(), 04604), 0);
      AtomicFile replacing(older, way);
      ASSERT_FALSE(replacing.Open());
      std::fputs("newer", replacing.Stream());
      ASSERT_FALSE(replacing.Replace());
      EXPECT_EQ(Read(older), "newer");
      EXPECT_EQ(fs::status(older).permissions() & fs::perms::mask, static_cast<fs::perms>(journaled ? 0604 : 04604));
      EXPECT_EQ(Names(), (std::vector<std::string>{"new.doc", "older.doc"})) << "no temporary file stays";
    }
  }
  ::umask(mask);
  UseUnnamedTemporaryFiles(true);
}

// A new file never takes a name something has, and a replacing one replaces only a regular
// file: the name's owner stays as it was and nothing is left behind, either way.
TEST_F(ConvertFileTest, TheWriterNeverTakesANameNorReplacesAnythingButAFile) {
  const fs::path taken = Write("taken.doc", {'k', 'e', 'e', 'p'});
  fs::create_symlink(taken, dir_ / "link.doc");
  fs::create_directories(dir_ / "folder.doc");
  const std::vector<std::string> before = Names();
  for (const bool journaled : {true, false}) {
    for (const bool unnamed : {true, false}) {
      SCOPED_TRACE(std::string(journaled ? "converter" : "main program") + (unnamed ? ", unnamed" : ", named"));
      UseUnnamedTemporaryFiles(unnamed);
      const AtomicFileWay way{.journaled = journaled, .private_while_written = !journaled};
      for (const char* name : {"taken.doc", "link.doc", "folder.doc"}) {
        AtomicFile file(dir_ / name, way);
        ASSERT_FALSE(file.Open());
        std::fputs("mine", file.Stream());
        EXPECT_EQ(file.PlaceNew(), std::errc::file_exists) << name;
        ASSERT_FALSE(file.Open());
        std::fputs("mine", file.Stream());
        EXPECT_EQ(file.Replace() == std::errc::file_exists, std::string(name) != "taken.doc") << name;
      }
      EXPECT_EQ(Read(taken), "mine") << "only the regular file was replaced";
      EXPECT_TRUE(fs::is_symlink(dir_ / "link.doc"));
      EXPECT_TRUE(fs::is_directory(dir_ / "folder.doc"));
      EXPECT_EQ(Names(), before);
      std::ofstream(taken, std::ios::binary | std::ios::trunc) << "keep";
    }
  }
  UseUnnamedTemporaryFiles(true);
}

// Whether this folder's file system makes unnamed files.
bool MakesUnnamedFiles(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// A converter killed while it writes (SIGKILL: no handler runs) leaves no file where the
// file system makes unnamed files. Where it does not, it leaves one named temporary file
// of the documented pattern, which is what whoever killed it may remove. The writer is
// a child process that writes a megabyte, says so, and waits to be killed.
TEST_F(ConvertFileTest, AWriterKilledPartWayLeavesNothing) {
  const std::regex pattern(R"(\.out\.doc\.[0-9a-f]{16}\.tmp)");
  const bool makes_unnamed = MakesUnnamedFiles(dir_);
  for (bool unnamed : {true, false}) {
    if (unnamed && !makes_unnamed) continue;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      UseUnnamedTemporaryFiles(unnamed);
      WriteFileAtomically(dir_ / "out.doc", [&](ByteSink& sink) {
        sink.Write(std::vector<std::uint8_t>(1 << 20, 'x'));
        const char byte = 1;
        if (::write(ready[1], &byte, 1) != 1) ::_exit(1);
        for (;;) ::pause();
      });
      ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    const std::vector<std::string> while_writing = Names();
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    if (unnamed) {
      EXPECT_TRUE(while_writing.empty()) << while_writing[0];
      EXPECT_TRUE(Names().empty()) << Names()[0];
    } else {
      ASSERT_EQ(Names().size(), 1u);
      EXPECT_TRUE(std::regex_match(Names()[0], pattern)) << Names()[0];
      fs::remove(dir_ / Names()[0]);
    }
  }
  if (!makes_unnamed) GTEST_SKIP() << "no unnamed files in " << dir_ << ": only named ones tested";
}

// The input is mapped, not copied: a file cut short by someone else while it is read ends
// the process with one line and the status of an unreadable input, not a bus error.
TEST_F(ConvertFileTest, AnInputCutShortWhileMappedEndsWithOneLine) {
  fs::path input = Write("in.msg", GoodMessage());
  EXPECT_EXIT(
      {
        InputFile file(input);
        fs::resize_file(input, 0);
        volatile std::uint8_t last = file.bytes().back();
        (void)last;
      },
      ::testing::ExitedWithCode(5), "cut short while being read");
  EXPECT_THROW(InputFile{input}, FormatError) << "the emptied file is refused as usual";
}

// Pages of the mapped input let go once the body is read are read again from the file:
// the bytes stay those of the file, and a conversion after it gives the same document.
TEST_F(ConvertFileTest, ReleasedInputPagesReadTheSameBytesAgain) {
  MessageBuilder builder;
  std::string text;
  while (text.size() < 200000) text += "Released pages come back from the file. ";
  builder.AddString8(0x1000, text);
  const std::vector<std::uint8_t> bytes = builder.Build();
  const fs::path input = Write("in.msg", bytes);
  const InputFile file(input);
  const std::vector<std::uint8_t> first(file.bytes().begin(), file.bytes().end());
  file.ReleasePages();
  EXPECT_EQ(std::vector<std::uint8_t>(file.bytes().begin(), file.bytes().end()), bytes);
  EXPECT_EQ(first, bytes);
  ASSERT_EQ(ConvertFile(input, dir_ / "out.doc", {}).status, ConversionStatus::kSuccess);
  const std::vector<std::uint8_t> document = ConvertMessage(bytes);
  std::ifstream written(dir_ / "out.doc", std::ios::binary);
  EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(written), {}), document);
}

// The same fault while the document is being written from the mapping: the process ends
// as above and removes its temporary file first, named or not.
TEST_F(ConvertFileTest, AnInputCutShortWhileWritingLeavesNoTemporaryFile) {
  for (bool unnamed : {true, false}) {
    fs::path input = Write("in.msg", GoodMessage());
    EXPECT_EXIT(
        {
          UseUnnamedTemporaryFiles(unnamed);
          InputFile file(input);
          WriteFileAtomically(dir_ / "out.doc", [&](ByteSink& sink) {
            sink.Write(std::vector<std::uint8_t>(100000, 'x'));
            fs::resize_file(input, 0);
            sink.Write(std::span(&file.bytes().back(), 1));
          });
        },
        ::testing::ExitedWithCode(5), "cut short while being read");
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.msg"})) << (unnamed ? "unnamed" : "named");
  }
}

}  // namespace
}  // namespace quorlin
