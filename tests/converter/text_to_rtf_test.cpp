// Tests of the RTF documents built from plain text, of reading the text of HTML bodies and
// of the charset an HTML body declares.
#include "converter/text_to_rtf.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "converter/html_charset.h"
#include "converter/html_entities.h"
#include "converter/html_text.h"
#include "converter/rtf_text.h"
#include "support/converter_documents.h"

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

TEST(DecodeHtmlEntityTest, NamedNumericAndUnknown) {
  auto decode = [](std::u16string_view s) {
    std::u16string out;
    const std::size_t end = DecodeHtmlEntity(s, 0, out);
    return std::make_pair(out, end);
  };
  EXPECT_EQ(decode(u"&amp;x"), std::make_pair(std::u16string(u"&"), std::size_t{5}));
  EXPECT_EQ(decode(u"&eacute;").first, u"\u00E9");
  EXPECT_EQ(decode(u"&nbsp;").first, u"\u00A0");
  EXPECT_EQ(decode(u"&apos;").first, u"'");
  EXPECT_EQ(decode(u"&euro;").first, u"\u20AC");
  EXPECT_EQ(decode(u"&#65;").first, u"A");
  EXPECT_EQ(decode(u"&#x1F600;").first, u"\U0001F600");
  EXPECT_EQ(decode(u"&#X41"), std::make_pair(std::u16string(u"A"), std::size_t{5}));
  EXPECT_EQ(decode(u"&#150;").first, u"\u2013");  // read as Windows-1252, as browsers do
  EXPECT_EQ(decode(u"&#0;").first, u"\uFFFD");
  EXPECT_EQ(decode(u"&#xD800;").first, u"\uFFFD");
  EXPECT_EQ(decode(u"&#99999999999999999999;").first, u"\uFFFD");
  // Not references: nothing decoded, the text stays as written.
  EXPECT_EQ(decode(u"&bogus;").second, 0u);
  EXPECT_EQ(decode(u"&amp").second, 0u);
  EXPECT_EQ(decode(u"&#;").second, 0u);
  EXPECT_EQ(decode(u"& b").second, 0u);
  EXPECT_EQ(decode(u"&averyveryverylongname;").second, 0u);
}

TEST(HtmlToTextTest, RealisticMailBody) {
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
            u"one\n"
            u"two <> \u2014 \u263A\n\n"
            u"Regards,\nAnn");
}

TEST(HtmlToTextTest, LineBreaksDoNotPileUp) {
  EXPECT_EQ(HtmlToText(u"<div><div><p>a</p></div></div><div><div>b</div></div>"), u"a\n\nb");
  EXPECT_EQ(HtmlToText(u"<div>a</div><div><br></div><div>b</div>"), u"a\n\nb");
  EXPECT_EQ(HtmlToText(u"a<br>b<br/><br />c"), u"a\nb\n\nc");
  EXPECT_EQ(HtmlToText(u"<p></p><p></p><p>x</p><p></p>"), u"x");
  EXPECT_EQ(HtmlToText(u"a<hr>b<h2>T</h2>c"), u"a\nb\n\nT\n\nc");
}

TEST(HtmlToTextTest, PreKeepsItsWhitespace) {
  EXPECT_EQ(HtmlToText(u"x <pre>\r\n  a  b\r\n\tc</pre> y   z"), u"x\n  a  b\n\tc\ny z");
}

TEST(HtmlToTextTest, OddMarkupIsReadAsABrowserWould) {
  EXPECT_EQ(HtmlToText(u"a < b and c<3"), u"a < b and c<3");
  EXPECT_EQ(HtmlToText(u"&bogus; &amp &lt;"), u"&bogus; &amp <");
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
TEST(HtmlToTextTest, RealWorldShapes) {
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
            u"one\n\ntwo\nthreeboldboth\n\nfour");
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

TEST(HtmlDeclaredEncodingTest, ByteOrderMarksComeFirstAndAreLeftOut) {
  const std::optional<DeclaredEncoding> utf8 = Declared("\xEF\xBB\xBF<meta charset=big5>");
  ASSERT_TRUE(utf8);
  EXPECT_EQ(utf8->code_page, 65001u);
  EXPECT_EQ(utf8->skip, 3u);
  EXPECT_EQ(DeclaredPage("\xFF\xFE<"), 1200u);
  EXPECT_EQ(DeclaredPage("\xFE\xFF"), 1201u);
}

TEST(HtmlToTextTest, HostileInputTakesLinearTime) {
  // Each would take minutes if any piece of the input were scanned again per '<' or '&'.
  const std::size_t size = 4'000'000;
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

}  // namespace
}  // namespace quorlin
