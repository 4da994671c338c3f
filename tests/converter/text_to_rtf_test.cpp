// Tests of the RTF documents built from plain text and from HTML bodies (their text as a
// browser shows it, their layout, hostile markup), and of the charset an HTML body declares.
#include "converter/rtf/text_to_rtf.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "converter/text/html_charset.h"
#include "converter/text/code_page.h"
#include "converter/html/html_to_rtf.h"
#include "converter/html/html_to_rtf_parse.h"
#include "converter/html/html_to_rtf_style.h"
#include "converter/html/html_to_rtf_table.h"
#include "converter/rtf/rtf_text.h"
#include "support/converter_documents.h"
#include "support/rtf_visible_text.h"

namespace quorlin {
namespace {

// The document's body: what follows the header's font-size word, up to the closing brace.
std::string BodyOf(const std::string& rtf) {
  const std::string marker = "\\fs20 ";
  const std::size_t start = rtf.find(marker);
  EXPECT_NE(start, std::string::npos) << rtf;
  EXPECT_EQ(rtf.back(), '}');
  return rtf.substr(start + marker.size(), rtf.size() - start - marker.size() - 1);
}

// Brace depth never drops below zero inside, and ends at zero: a well-formed group.
bool BracesBalance(const std::string& rtf) {
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}' && --depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

TEST(WritePlainTextAsRtfTest, EmptyTextIsAnEmptyValidDocument) {
  const std::string rtf = testing::PlainTextDocument(u"");
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u);
  EXPECT_NE(rtf.find("\\fonttbl"), std::string::npos);
  EXPECT_EQ(BodyOf(rtf), "");
  EXPECT_TRUE(BracesBalance(rtf));
}

TEST(WritePlainTextAsRtfTest, EscapesRtfSpecialCharacters) {
  const std::string rtf = testing::PlainTextDocument(u"a\\b {c} }{");
  EXPECT_EQ(BodyOf(rtf), "a\\\\b \\{c\\} \\}\\{");
  EXPECT_TRUE(BracesBalance(rtf));
}

TEST(WritePlainTextAsRtfTest, EachKindOfLineBreakIsOneParagraph) {
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"a\r\nb\nc\rd\r\n\r\ne")),
            "a\\par\r\nb\\par\r\nc\\par\r\nd\\par\r\n\\par\r\ne");
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"\n")), "\\par\r\n");
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"x\ty")), "x\\tab y");
}

TEST(WritePlainTextAsRtfTest, NonAsciiBecomesUnicodeEscapes) {
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"\u041F\u0440\u0438")), "\\u1055?\\u1088?\\u1080?");
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"caf\u00E9")), "caf\\u233?");
  // Above U+7FFF the number is negative: a signed 16-bit value.
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"\u4E2D\u6587")), "\\u20013?\\u25991?");
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"\uFFFD\uAC00")), "\\u-3?\\u-21504?");
  // Outside the BMP: the two halves of the surrogate pair.
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"\U0001F600")), "\\u-10179?\\u-8704?");
  // Half a pair alone is a replacement mark.
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(std::u16string(1, char16_t{0xD800}) + u"x")), "\\u-3?x");
}

TEST(WritePlainTextAsRtfTest, ControlCharactersAreDroppedAndOutputIsAscii) {
  EXPECT_EQ(BodyOf(testing::PlainTextDocument(u"a\u0001\u0007\u001Fb\u007F\u0085c\fd")), "abcd");
  std::u16string all;
  for (char32_t c = 1; c < 0x3000; c += 7) all.push_back(static_cast<char16_t>(c));
  const std::string rtf = testing::PlainTextDocument(all);
  for (char ch : rtf) ASSERT_TRUE(static_cast<unsigned char>(ch) < 0x80);
  EXPECT_TRUE(BracesBalance(rtf));
}

// A long text is written a slice at a time: a CR LF or a surrogate pair that straddles a
// slice's end must come out as the whole text escaped at once, and the header block goes
// first.
TEST(WritePlainTextAsRtfTest, WrittenInSlicesItIsTheSameDocument) {
  for (std::size_t cut = (1u << 14) - 3; cut <= (1u << 14) + 1; ++cut) {
    std::u16string text(cut, u'a');
    text += u"\r\n\U0001F600\r\r\n{x}";
    text.insert(text.size() / 2, u"\U0001F600");
    std::string escaped;
    AppendRtfText(escaped, text);
    EXPECT_EQ(BodyOf(testing::PlainTextDocument(text)), escaped) << cut;
  }
  std::vector<std::uint8_t> bytes;
  VectorSink sink(bytes);
  WritePlainTextAsRtf(u"body", sink, "{\\b head\\par}");
  const std::string document(bytes.begin(), bytes.end());
  EXPECT_LT(document.find("{\\b head\\par}"), document.find("body"));
}

// The document an HTML body becomes, and the text a reader of it sees.
std::string HtmlRtf(std::string_view html, InlineImages* images = nullptr,
                    std::string_view opening = {}) {
  std::vector<std::uint8_t> bytes;
  VectorSink sink(bytes);
  HtmlToRtf(html, sink, images, opening);
  return std::string(bytes.begin(), bytes.end());
}

// What a reader sees of the document an HTML body becomes; the document is checked to be
// well formed and pure ASCII on the way.
std::u16string HtmlToText(std::u16string_view html) {
  const std::string rtf = HtmlRtf(EncodeUtf8(html));
  EXPECT_TRUE(BracesBalance(rtf)) << rtf;
  for (char ch : rtf) EXPECT_LT(static_cast<unsigned char>(ch), 0x80) << rtf;
  return testing::RtfVisibleText(rtf);
}

TEST(HtmlTextTest, RealisticMailBody) {
  const std::u16string html =
      u"<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">"
      u"<title>Quarterly figures</title>\r\n"
      u"<style type=\"text/css\">p { margin: 0 } .x > b { color: red }</style>"
      u"<script>if (a < b && c > d) alert('<p>no</p>');</script></head>\r\n"
      u"<body lang=EN-GB><!-- [if gte mso 9]><xml>hidden</xml><![endif] -->"
      u"<div class=\"WordSection1\"><p class=MsoNormal>Dear   all,</p>\r\n"
      u"<p>The  figures &amp; notes\r\n are <b>in</b>.&nbsp;Totals:</p>"
      u"<table><tr><td>North</td><td>12&nbsp;&euro;</td></tr>"
      u"<tr><th>South</th><td title=\"a>b\">7</td></tr></table>"
      u"<ul><li>one</li><li>two &lt;&gt; &#8212; &#x263A;</li></ul>"
      u"<p>Regards,<br>Ann</p></div></body></html>";
  EXPECT_EQ(HtmlToText(html),
            u"Dear all,\n\n"
            u"The figures & notes are in.\u00A0Totals:\n\n"
            u"North\t12\u00A0\u20AC\n"
            u"South\t7\n"
            u"\u2022\tone\n"
            u"\u2022\ttwo <> \u2014 \u263A\n\n"
            u"Regards,\nAnn");
}

TEST(HtmlTextTest, LineBreaksDoNotPileUp) {
  EXPECT_EQ(HtmlToText(u"<div><div><p>a</p></div></div><div><div>b</div></div>"), u"a\n\nb");
  EXPECT_EQ(HtmlToText(u"<div>a</div><div><br></div><div>b</div>"), u"a\n\nb");
  EXPECT_EQ(HtmlToText(u"a<br>b<br/><br />c"), u"a\nb\n\nc");
  EXPECT_EQ(HtmlToText(u"<p></p><p></p><p>x</p><p></p>"), u"x");
  EXPECT_EQ(HtmlToText(u"a<hr>b<h2>T</h2>c"), u"a\nb\n\nT\n\nc");
}

TEST(HtmlTextTest, PreKeepsItsWhitespace) {
  EXPECT_EQ(HtmlToText(u"x <pre>\r\n  a  b\r\n\tc</pre> y   z"), u"x\n  a  b\n\tc\ny z");
}

TEST(HtmlTextTest, OddMarkupIsReadAsABrowserWould) {
  EXPECT_EQ(HtmlToText(u"a < b and c<3"), u"a < b and c<3");
  EXPECT_EQ(HtmlToText(u"&bogus; &amp &lt;"), u"&bogus; & <") << "&amp needs no ';'";
  EXPECT_EQ(HtmlToText(u"a<!-->b<!--->c<? pi ?>d</ >e"), u"abcde");
  EXPECT_EQ(HtmlToText(u"<SCRIPT>x</Script >y<STYLE>p{}</style>z"), u"yz");
  EXPECT_EQ(HtmlToText(u"a<script>never closed <b>x</b>"), u"a");
  EXPECT_EQ(HtmlToText(u"a<b class=\"never closed"), u"a");
  EXPECT_EQ(HtmlToText(u"a<!-- never closed"), u"a");
  EXPECT_EQ(HtmlToText(u"<head><title>t</title></head>body"), u"body");
  EXPECT_EQ(HtmlToText(u"<head><meta x=1><p>no body tag</p>"), u"no body tag");
  EXPECT_EQ(HtmlToText(u""), u"");
}

// Shapes mail programs really send. Text in the head starts the body, as in a browser.
TEST(HtmlTextTest, RealWorldShapes) {
  EXPECT_EQ(HtmlToText(u"<html><head><meta charset=utf-8>Hello, the meeting is at 10."),
            u"Hello, the meeting is at 10.");
  EXPECT_EQ(HtmlToText(u"<head><title>T</title>\r\n  <style>p{}</style>\r\n</head>Text<br>more"),
            u"Text\nmore");
  EXPECT_EQ(HtmlToText(u"Just text, no tags &amp; no body"), u"Just text, no tags & no body");
  EXPECT_EQ(HtmlToText(u"<!--[if gte mso 9]><xml><o:x>hidden</o:x></xml><![endif]-->"
                       u"<!--[if !mso]><!-->shown<!--<![endif]--><![if !vml]>too<![endif]>"),
            u"showntoo");
  EXPECT_EQ(HtmlToText(u"<pre>a&lt;b  &#233;\n  c</pre>"), u"a<b  \u00E9\n  c");
  EXPECT_EQ(HtmlToText(u"<table><tr><td>a<td>b<tr><td>c</table>d"), u"a\tb\nc\nd");
  EXPECT_EQ(HtmlToText(u"x&nbsp;&nbsp;&nbsp;y"), u"x\u00A0\u00A0\u00A0y");
  EXPECT_EQ(HtmlToText(u"&copy;&#169;&#xA9;&hellip;"), u"\u00A9\u00A9\u00A9\u2026");
  EXPECT_EQ(HtmlToText(u"<p>one<p>two<div>three<b>bold<i>both</p>four"),
            u"one\n\ntwo\n\nthreeboldboth\n\nfour")
      << "<div> ends the paragraph before it; </p> without one is an empty paragraph";
}

std::optional<DeclaredEncoding> Declared(std::string_view html) {
  return HtmlDeclaredEncoding(
      std::span(reinterpret_cast<const std::uint8_t*>(html.data()), html.size()));
}

std::uint32_t DeclaredPage(std::string_view html) {
  const std::optional<DeclaredEncoding> declared = Declared(html);
  return declared ? declared->code_page : 0;
}

TEST(HtmlDeclaredEncodingTest, EitherFormOfTheMetaTag) {
  EXPECT_EQ(DeclaredPage("<meta charset=utf-8>"), 65001u);
  EXPECT_EQ(DeclaredPage("<html><head><META CHARSET = 'Shift_JIS' />"), 932u);
  EXPECT_EQ(DeclaredPage("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ks_c_5601-1987\">"), 949u);
  EXPECT_EQ(DeclaredPage("<meta content='text/html;charset=\"iso-8859-2\"' http-equiv=Content-Type>"), 28592u);
  EXPECT_EQ(DeclaredPage("<meta\tcharset=koi8-r>"), 20866u);
  EXPECT_EQ(DeclaredPage("<meta charset=big5><meta charset=utf-8>"), 950u) << "the first one counts";
  EXPECT_EQ(DeclaredPage("<meta charset=iso-8859-1>"), 1252u) << "read as browsers read it";
  EXPECT_EQ(DeclaredPage("<meta charset=utf-16>"), 65001u) << "the tag itself was not UTF-16";
}

TEST(HtmlDeclaredEncodingTest, WhatIsNotADeclaration) {
  EXPECT_FALSE(Declared(""));
  EXPECT_FALSE(Declared("<p>charset=utf-8</p>"));
  EXPECT_FALSE(Declared("<!-- <meta charset=utf-8> -->"));
  EXPECT_FALSE(Declared("<metadata charset=utf-8>"));
  EXPECT_FALSE(Declared("<meta charset=x-no-such-charset>"));
  EXPECT_EQ(DeclaredPage("<meta charset=x-unknown><meta charset=gb2312>"), 936u);
  EXPECT_FALSE(Declared(std::string(kCharsetScanBytes, ' ') + "<meta charset=utf-8>")) << "too far in";
}

// Labels a browser would not follow are not followed: UTF-7, and a name the scan limit
// would cut short (a tag that begins within the limit is read to its end).
TEST(HtmlDeclaredEncodingTest, LabelsABrowserWouldNotFollow) {
  EXPECT_FALSE(Declared("<meta charset=utf-7>"));
  EXPECT_FALSE(Declared("<meta http-equiv=Content-Type content='text/html; charset=UTF-7'>"));
  EXPECT_EQ(DeclaredPage("<meta charset=x-unicode20utf7><meta charset=big5>"), 950u);
  const std::string tag = "<meta charset=iso-8859-13>";
  for (std::size_t cut = 1; cut < tag.size(); ++cut) {
    const std::string html = std::string(kCharsetScanBytes - cut, ' ') + tag + "<p>text";
    EXPECT_EQ(DeclaredPage(html), 28603u) << "cut after " << cut << " bytes";
  }
  EXPECT_FALSE(Declared(std::string(kCharsetScanBytes, ' ') + "<meta charset=iso-8859-13>"));
}

TEST(HtmlDeclaredEncodingTest, ByteOrderMarksComeFirstAndAreLeftOut) {
  const std::optional<DeclaredEncoding> utf8 = Declared("\xEF\xBB\xBF<meta charset=big5>");
  ASSERT_TRUE(utf8);
  EXPECT_EQ(utf8->code_page, 65001u);
  EXPECT_EQ(utf8->skip, 3u);
  EXPECT_EQ(DeclaredPage("\xFF\xFE<"), 1200u);
  EXPECT_EQ(DeclaredPage("\xFE\xFF"), 1201u);
}

TEST(HtmlTextTest, HostileInputEndsAndKeepsItsText) {
  // Each would take minutes if any piece of the input were scanned again per '<' or '&'.
  const std::size_t size = 1'000'000;
  const std::u16string inputs[] = {std::u16string(size, u'<'), u"<a" + std::u16string(size, u'<'),
                                   std::u16string(size, u'&'), u"<a x='" + std::u16string(size, u'>'),
                                   std::u16string(size / 2, u'<') + std::u16string(size / 2, u'a')};
  for (const std::u16string& input : inputs) {
    const std::u16string text = HtmlToText(input);
    EXPECT_LE(text.size(), input.size());
  }
  std::u16string closers;
  for (std::size_t i = 0; i < size / 8; ++i) closers += u"</scrip>";
  EXPECT_EQ(HtmlToText(u"<script>" + closers), u"");
}

// The layout of a mail body: a table with stated widths and a spanning cell, a nested
// table as text in its cell, lists with nesting and numbering, a link.
TEST(HtmlLayoutTest, TablesListsAndLinks) {
  const std::string rtf = HtmlRtf(
      "<p>Intro</p><table border=1 width=600><tr><th>Name</th><th colspan=2>Figures</th></tr>"
      "<tr><td width=100>North</td><td>1<table><tr><td>in<td>ner</table></td><td>2</td></tr>"
      "</table>After<ul><li>one<li>two<ul><li>deep</ul></ul><ol start=3><li>three<li>four</ol>"
      "<a href=\"https://example.com/?q=1&amp;r=2\">the site</a>");
  EXPECT_TRUE(BracesBalance(rtf));
  // 600 px is 9000 twips: the 100 px column, the other two sharing the rest by their
  // content ("1" over a nested "in ner" asks more than "2").
  EXPECT_NE(rtf.find("\\cellx1500\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs"
                     "\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx9000\r\n"),
            std::string::npos) << "the header row: the spanning cell reaches the edge\n" << rtf;
  EXPECT_NE(rtf.find("\\cellx1500"), std::string::npos);
  EXPECT_NE(rtf.find("\\cellx6761"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\pard\\intbl\\qc \\b Name\\cell \\pard\\intbl\\qc Figures\\cell \\row"),
            std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\pard\\intbl \\b0 North\\cell \\pard\\intbl 1\\par\r\n\\pard\\intbl in\\tab ner"
                     "\\cell \\pard\\intbl 2\\cell \\row"),
            std::string::npos) << "the nested table as text inside its cell\n" << rtf;
  EXPECT_NE(rtf.find("\\row\r\n\\pard\r\n\\pard After"), std::string::npos) << "out of the table";
  EXPECT_NE(rtf.find("\\pard\\fi-360\\li720\\tx720 \\u8226?\\tab one\\par"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\pard\\fi-360\\li1440\\tx1440 \\u8226?\\tab deep\\par"), std::string::npos);
  EXPECT_NE(rtf.find("3.\\tab three\\par\r\n\\pard\\fi-360\\li720\\tx720 4.\\tab four"), std::string::npos);
  EXPECT_NE(rtf.find("{\\field{\\*\\fldinst HYPERLINK \"https://example.com/?q=1&r=2\"}"
                     "{\\fldrslt \\ul\\cf1 the site}}"),
            std::string::npos) << rtf;
  EXPECT_NE(rtf.find("{\\colortbl;\\red5\\green99\\blue193;}"), std::string::npos) << "the link colour";
  EXPECT_EQ(testing::RtfVisibleText(rtf),
            u"Intro\n\nName\tFigures\nNorth\t1\nin\tner\t2\nAfter\n"
            u"\u2022\tone\n\u2022\ttwo\n\u2022\tdeep\n3.\tthree\n4.\tfour\nthe site");
}

TEST(HtmlLayoutTest, HeadingsCharacterFormatsAndPreformattedText) {
  const std::string rtf = HtmlRtf(
      "<h1>Title</h1><h3>Sub</h3><p>a <b>bold</b> <i>it</i> <u>under</u> <s>gone</s> "
      "<del>del</del> <strong><em>both</em></strong></p><pre>  two  spaces\n\tand a tab\n</pre>"
      "<p style=\"color: rgb(255,0,0); font-size: 14pt\">red <font color=\"#00f\" size=5>blue</font>"
      " <span style=\"font-size:16px; font-weight:bold\">px</span></p>");
  EXPECT_NE(rtf.find("\\b\\fs40 Title\\par"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\fs28 Sub\\par"), std::string::npos);
  // A space between two formats takes the one before it.
  EXPECT_NE(rtf.find("\\b0\\fs20 a \\b bold \\b0\\i it \\i0\\ul under \\ulnone\\strike gone del "
                     "\\b\\i\\strike0 both\\par"),
            std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\f1   two  spaces\\par\r\n\\pard \\tab and a tab\\par"), std::string::npos)
      << "spaces, tabs and line breaks kept in the fixed font\n" << rtf;
  EXPECT_NE(rtf.find("{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"), std::string::npos);
  EXPECT_NE(rtf.find("\\cf1\\fs28 red \\cf2\\fs36 blue \\b\\cf1\\fs24 px}"), std::string::npos) << rtf;
  // The header block goes before the first text, after the document's tables.
  const std::string opened = HtmlRtf("<p>x</p>", nullptr, "{\\b From\\par}");
  EXPECT_LT(opened.find("\\fonttbl"), opened.find("{\\b From\\par}"));
  EXPECT_LT(opened.find("{\\b From\\par}"), opened.find("x"));
}

// Bodies built to break a converter: nothing may crash, hang, lose the words or put out a
// document that is not well formed.
TEST(HtmlLayoutTest, HostileMarkupGivesAWellFormedDocument) {
  const std::string deep[] = {
      [] { std::string s; for (int i = 0; i < 10000; ++i) s += "<div>"; return s + "deep"; }(),
      [] { std::string s; for (int i = 0; i < 10000; ++i) s += "<i>"; return s + "deep"; }(),
      [] { std::string s; for (int i = 0; i < 10000; ++i) s += "<table><tr><td>c"; return s + "deep"; }(),
      [] { std::string s; for (int i = 0; i < 10000; ++i) s += "<ul><li>i"; return s + "deep"; }(),
      [] { std::string s; for (int i = 0; i < 10000; ++i) s += "<a href='http://x/'>l"; return s + "deep"; }(),
      [] { std::string s; for (int i = 0; i < 10000; ++i) s += "<blockquote><font size=7 color=red>"; return s + "deep"; }(),
  };
  for (const std::string& html : deep) {
    const std::string rtf = HtmlRtf(html);
    EXPECT_TRUE(BracesBalance(rtf)) << html.substr(0, 40);
    EXPECT_NE(rtf.find("deep"), std::string::npos) << html.substr(0, 40);
    EXPECT_LT(rtf.size(), html.size() * 16) << "bounded growth";
    EXPECT_EQ(rtf.find("\\li7920"), std::string::npos) << "indents stop growing";
  }
  // A target with quotes, braces and backslashes cannot leave its field; a script is no link.
  const std::string links = HtmlRtf(
      "<a href='http://a/\"}{\\fldrslt x}}\\par\\\\ b'>one</a> <a href='javascript:alert(1)'>two</a>"
      " <a href='http://\xc3\xa9/ x'>three</a>");
  EXPECT_TRUE(BracesBalance(links));
  EXPECT_NE(links.find("HYPERLINK \"http://a/%22%7D%7B%5Cfldrslt%20x%7D%7D%5Cpar%5C%5C%20b\"}"),
            std::string::npos) << links;
  EXPECT_EQ(links.find("javascript"), std::string::npos);
  EXPECT_NE(links.find("HYPERLINK \"http://%C3%A9/%20x\""), std::string::npos) << links;
  EXPECT_EQ(testing::RtfVisibleText(links), u"one two three");
  // A huge colspan takes the columns there are; a row of many cells keeps every word.
  const std::string span = HtmlRtf("<table><tr><td colspan=100000>a<td>b</tr><tr><td>c</table>");
  EXPECT_NE(span.find("\\cellx9360\r\n"), std::string::npos) << span;
  std::string wide = "<table><tr>";
  for (int i = 0; i < 100; ++i) wide += "<td>w" + std::to_string(i);
  const std::string wide_rtf = HtmlRtf(wide + "</table>");
  EXPECT_NE(wide_rtf.find("w62\\tab w63\\tab "), std::string::npos) << "63 cells, then tabs";
  EXPECT_NE(wide_rtf.find("w99\\cell \\row"), std::string::npos);
  // Unclosed tags and stray end tags; text in a table but in no cell goes before the table,
  // as in a browser. Characters RTF must escape.
  EXPECT_EQ(HtmlToText(u"<b><i>open <table><td>x</b></i></td></tr></tbody></p></ul>y z"),
            u"open\n\ny z\nx");
  EXPECT_EQ(HtmlToText(u"{\\rtf1 \\par} \U0001F600 \u00E9"), u"{\\rtf1 \\par} \U0001F600 \u00E9");
}

// Past its bounds a body is parsed again in pieces: formatting elements re-opened for
// every paragraph would otherwise make gumbo hold gigabytes.
TEST(HtmlLayoutTest, AParseThatPassesItsBoundsGoesOnInPieces) {
  std::string bomb = "<p>";
  for (int i = 0; i < 3000; ++i) bomb += "<b id=" + std::to_string(i) + ">";
  bomb += "x</p>";
  for (int i = 0; i < 3000; ++i) bomb += "<p>y" + std::to_string(i) + "</p>";
  std::vector<bool> wholes;
  std::string text;
  ParseHtml(bomb, {std::size_t{16} << 20, std::chrono::seconds(60)},
            [&](const GumboNode& document, bool whole) {
              wholes.push_back(whole);
              std::vector<const GumboNode*> nodes{&document};
              while (!nodes.empty()) {
                const GumboNode* node = nodes.back();
                nodes.pop_back();
                if (node->type == GUMBO_NODE_TEXT) text += node->v.text.text;
                const GumboVector* children = node->type == GUMBO_NODE_DOCUMENT ? &node->v.document.children
                                              : node->type == GUMBO_NODE_ELEMENT ? &node->v.element.children
                                                                                 : nullptr;
                for (unsigned i = children ? children->length : 0; i > 0; --i)
                  nodes.push_back(static_cast<const GumboNode*>(children->data[i - 1]));
              }
            });
  ASSERT_GT(wholes.size(), 1u);
  EXPECT_FALSE(wholes[0]);
  EXPECT_NE(text.find("y0y1y2"), std::string::npos);
  EXPECT_NE(text.find("y2999"), std::string::npos);
  // Within its bounds a body is parsed whole, once.
  wholes.clear();
  ParseHtml("<p>small", DefaultHtmlParseLimits(8), [&](const GumboNode&, bool whole) { wholes.push_back(whole); });
  EXPECT_EQ(wholes, std::vector<bool>{true});
}

// A large document reaches the sink in pieces, never held whole.
TEST(HtmlLayoutTest, ALargeBodyIsWrittenInPieces) {
  class LargestWrite : public ByteSink {
   public:
    void Write(std::span<const std::uint8_t> bytes) override {
      largest = std::max(largest, bytes.size());
      total += bytes.size();
    }
    std::size_t largest = 0, total = 0;
  } sink;
  std::string html = "<table>";
  for (int i = 0; html.size() < 3'000'000; ++i) html += "<tr><td>cell " + std::to_string(i) + "<td>\xe4\xb8\xad</tr>";
  HtmlToRtf(html, sink, nullptr, "");
  EXPECT_GT(sink.total, 1'500'000u);
  EXPECT_LT(sink.largest, 80'000u);
}

// Pictures go through the hook, at their place; without one an <img> adds nothing.
TEST(HtmlLayoutTest, PicturesAreWrittenByTheHook) {
  class Recorder : public InlineImages {
   public:
    void WriteImage(const ImageRef& ref, ByteSink& out) override {
      refs.push_back(ref);
      const std::string_view pict = "{\\pict}";
      out.Write({reinterpret_cast<const std::uint8_t*>(pict.data()), pict.size()});
    }
    std::vector<ImageRef> refs;
  } images;
  const std::string html =
      "<p>before <img src=\"cid:logo@x\" alt=\"Caf\xc3\xa9\" width=120 height=\"40px\"> after</p>"
      "<a href='http://x/'><img src=http://x/y.png></a>";
  const std::string rtf = HtmlRtf(html, &images);
  ASSERT_EQ(images.refs.size(), 2u);
  EXPECT_EQ(images.refs[0].src, "cid:logo@x");
  EXPECT_EQ(images.refs[0].alt, u"Caf\u00E9");
  EXPECT_EQ(images.refs[0].width_px, 120);
  EXPECT_EQ(images.refs[0].height_px, 40);
  EXPECT_FALSE(images.refs[1].width_px);
  EXPECT_NE(rtf.find("before {\\pict} after"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("{\\fldrslt \\ul\\cf1 {\\pict}}}"), std::string::npos) << "a picture as a link";
  EXPECT_EQ(HtmlToText(u"before <img src=\"cid:logo@x\" alt=\"logo\"> after"), u"before after");
}

TEST(HtmlStyleTest, ColorsSizesAndWidths) {
  EXPECT_EQ(ParseHtmlColor("#C00"), 0xCC0000u);
  EXPECT_EQ(ParseHtmlColor(" #1f497D "), 0x1F497Du);
  EXPECT_EQ(ParseHtmlColor("rgb(0, 128,255)"), 0x0080FFu);
  EXPECT_EQ(ParseHtmlColor("rgb(100%,0%,50%)"), 0xFF0080u);
  EXPECT_EQ(ParseHtmlColor("Navy"), 0x000080u);
  EXPECT_FALSE(ParseHtmlColor("#12345"));
  EXPECT_FALSE(ParseHtmlColor("windowtext"));
  EXPECT_FALSE(ParseHtmlColor("rgb(1,2"));
  EXPECT_EQ(ParseCssFontSize("11pt", 20), 22);
  EXPECT_EQ(ParseCssFontSize("16px", 20), 24);
  EXPECT_EQ(ParseCssFontSize("1.5em", 20), 30);
  EXPECT_EQ(ParseCssFontSize("200%", 30), 60);
  EXPECT_EQ(ParseCssFontSize("x-large", 20), 36);
  EXPECT_EQ(ParseCssFontSize("99999pt", 20), 400) << "kept within 200 points";
  EXPECT_FALSE(ParseCssFontSize("-3pt", 20));
  EXPECT_FALSE(ParseCssFontSize("inherit", 20));
  EXPECT_EQ(ParseFontSizeAttribute("1"), 16);
  EXPECT_EQ(ParseFontSizeAttribute("+2"), 36);
  EXPECT_EQ(ParseFontSizeAttribute("99"), 72);
  // Numbers past an integer's range are size 7 (or 1), as a browser shows them.
  EXPECT_EQ(ParseFontSizeAttribute("+2147483647"), 72);
  EXPECT_EQ(ParseFontSizeAttribute("99999999999"), 72);
  EXPECT_EQ(ParseFontSizeAttribute("-2147483648"), 16);
  int declarations = 0;
  ForEachCssDeclaration("COLOR : red !important;;font-size:1pt;bogus;x:", [&](std::string_view name, std::string_view value) {
    if (declarations == 0) {
      EXPECT_EQ(std::string(name) + "=" + std::string(value), "color=red");
    }
    ++declarations;
  });
  EXPECT_EQ(declarations, 3);
  // Columns: stated pixels and percentages, the rest from the content; never past the text.
  const auto px = [](double v) { return HtmlLength{v, false}; };
  const auto pct = [](double v) { return HtmlLength{v, true}; };
  using Edges = std::vector<std::vector<int>>;
  EXPECT_EQ(TableCellEdges(std::nullopt, {{{}, {}, {}}}, 9360), (Edges{{240, 480, 720}})) << "empty: narrow";
  EXPECT_EQ(TableCellEdges(px(400), {{{1, px(100)}, {}}, {{2, {}}}}, 9360), (Edges{{1500, 6000}, {6000}}));
  EXPECT_EQ(TableCellEdges(pct(50), {{{1, pct(25)}, {}}}, 9360), (Edges{{1170, 4680}}));
  EXPECT_EQ(TableCellEdges(std::nullopt, {{{1, px(2000)}, {1, px(2000)}}}, 9360), (Edges{{4680, 9360}}))
      << "too wide: scaled down";
  EXPECT_EQ(TableCellEdges(px(2000), {{{1, px(2000)}, {1, px(2000)}}}, 9026), (Edges{{4513, 9026}}))
      << "an A4 page's text width";
  // An icon column beside text: the icon keeps its width, the text takes the rest.
  EXPECT_EQ(TableCellEdges(std::nullopt, {{{1, {}, 600, 600}, {1, {}, 1500, 40000}}}, 9360), (Edges{{816, 9360}}));
  // Content that fits: as wide as it asks, the table too; a stated column keeps its width.
  EXPECT_EQ(TableCellEdges(std::nullopt, {{{1, {}, 500, 1000}, {1, {}, 500, 2000}}}, 9360), (Edges{{1216, 3432}}));
  EXPECT_EQ(TableCellEdges(pct(100), {{{1, px(40), 600, 600}, {1, {}, 500, 2000}}}, 9360), (Edges{{816, 9360}}))
      << "a picture wider than its stated column widens it";
  // Words wider together than the page: every column scaled down by the same share.
  EXPECT_EQ(TableCellEdges(std::nullopt, {{{1, {}, 9144, 9144}, {1, {}, 9144, 9144}}}, 9360), (Edges{{4680, 9360}}));
  EXPECT_EQ(TableCellEdges(std::nullopt, {{{1000000, {}}, {}}}, 9360).front().size(), 1u);
}

}  // namespace
}  // namespace quorlin
