// Writes the fuzzer's starting inputs: the shipped sample messages, each also with
// 4096-byte sectors, plus one message for each path the converter takes (plain-text,
// 8-bit and HTML bodies, damaged UTF-7 and UTF-16BE text, a charset the scan limit cuts,
// 8-bit header names, a stored body, an embedded message, attachments of every kind, a
// meeting with named properties, DIFAT sectors, regular sectors only, degenerate directory
// trees, pictures placed by HTML tags and by attachment placeholders in every format). With
// them the fuzzer reaches every part of
// the reader at once, also where the shared corpus of real messages is absent.
// Usage: make_fuzz_seeds <folder>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "msgwriter/cfb_writer.h"
#include "msgwriter/lzfu_compressor.h"
#include "msgwriter/message_builder.h"
#include "msgwriter/samples.h"

namespace {

using Seeds = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

void AddPathSeeds(Seeds& seeds) {
  using msgwriter::CfbOptions;
  using msgwriter::MessageBuilder;
  const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Seed body\\par}";

  MessageBuilder unicode_text;
  unicode_text.AddUnicode(0x1000, u"Plain text \u0416\u00e9\nsecond line").AddInt32(0x3FFD, 1252);
  seeds.emplace_back("text-unicode.msg", unicode_text.Build());

  MessageBuilder eight_bit_text;
  eight_bit_text.AddString8(0x1000, "\xc0\xe1\xe2 text").AddInt32(0x3FFD, 1251).AddInt32(0x3FDE, 65001);
  seeds.emplace_back("text-8bit.msg", eight_bit_text.Build());

  MessageBuilder html;
  html.AddBinary(0x1013, Bytes("<html><body><p>Caf&eacute; &amp; <b>bold</b></p><br>line</body></html>"))
      .AddInt32(0x3FDE, 65001);
  seeds.emplace_back("html.msg", html.Build());

  // Damaged text in the pages read a code unit or a shifted run at a time.
  MessageBuilder utf7_text;
  utf7_text.AddString8(0x1000, "+ZeVnL\xffIqe-ok +AGF-x +2D3cAA- 1+-1").AddInt32(0x3FFD, 65000);
  seeds.emplace_back("text-utf7.msg", utf7_text.Build());
  MessageBuilder utf16be_text;
  utf16be_text.AddString8(0x1000, std::string_view("\0A\xd8\0\0B\xd8\x3d\xde\0\0C", 12)).AddInt32(0x3FFD, 1201);
  seeds.emplace_back("text-utf16be.msg", utf16be_text.Build());

  // A charset declaration that the 4 KB scan limit cuts through.
  std::string late_charset(4096 - 20, ' ');
  late_charset += "<meta charset=iso-8859-13><p>\xe0\xfe</p>";
  MessageBuilder html_late;
  html_late.AddBinary(0x1013, Bytes(late_charset)).AddInt32(0x3FDE, 1252);
  seeds.emplace_back("html-late-charset.msg", html_late.Build());

  // 8-bit names for the header block, read in the body's declared code page.
  MessageBuilder eight_bit_names;
  eight_bit_names.AddRtfBody("{\\rtf1\\ansi\\ansicpg932\\deff0\\fs20 body}")
      .AddString8(0x0037, "\x93\xfa\x96{\x8c\xea").AddString8(0x0C1A, "\x8e\x91\x97\xbf")
      .AddInt32(0x3FDE, 50220);
  eight_bit_names.AddAttachment().AddString8(0x3707, "\x8e\x91\x97\xbf.pdf");
  seeds.emplace_back("header-8bit-names.msg", eight_bit_names.Build());

  // HTML bodies that reach every part of the layout: tables with widths and spans, a
  // nested table, lists, links, colours and sizes, preformatted text, pictures, and
  // markup left open.
  MessageBuilder html_layout;
  html_layout.AddUnicode(0x1013,
      u"<html><head><style>p{}</style><title>t</title></head><body>"
      u"<h1>Title</h1><p style='color:#c00;font-size:14pt'>red <font color=blue size=+2>big</font>"
      u" <b>b</b><i>i</i><u>u</u><s>s</s><code>c</code></p>"
      u"<table border=1 width=80%><caption>cap</caption><tr><th colspan=2 width=30%>h</th>"
      u"<td width=120>x<table><tr><td>in<td>ner</table></td></tr><tr><td>1<td>2<td>3</tr></table>"
      u"<ul><li>one<ol start=7><li value=9>nine<li>ten</ol></ul>"
      u"<a href='https://example.com/\"q\"{x}'>link <img src='cid:a@b' alt='pic' width=20></a>"
      u"<pre>  a\n\tb</pre><blockquote><div style='display:none'>hidden</div>q</blockquote>"
      u"<p><b><i>open<table><td>cell");
  seeds.emplace_back("html-layout.msg", html_layout.Build());

  MessageBuilder html_and_plain;
  html_and_plain.AddUnicode(0x1000, u"plain").AddString8(0x1013, "<div>a<br>b<div><span>c")
      .AddInt32(0x3FFD, 1252);
  seeds.emplace_back("html-and-plain.msg", html_and_plain.Build());

  MessageBuilder stored;
  stored.AddBinary(0x1009, msgwriter::StoreRtfUncompressed(rtf));
  seeds.emplace_back("stored-body.msg", stored.Build());

  MessageBuilder embedded;
  embedded.AddRtfBody(rtf).AddRecipient().AddUnicode(0x3001, u"Someone");
  msgwriter::StorageBuilder& inner = embedded.AddEmbeddedMessage();
  inner.AddRtfBody("{\\rtf1 inner message}").AddAttachment(1).AddBinary(0x3701, Bytes("data"));
  seeds.emplace_back("embedded.msg", embedded.Build());

  // A meeting whose details are named properties, numbered and named, with recipients.
  MessageBuilder meeting;
  msgwriter::NamedPropertyMap& named = meeting.named();
  meeting.AddUnicode(0x001A, u"IPM.Appointment").AddUnicode(0x0C1A, u"Organizer").AddRtfBody(rtf)
      .AddTime(named.Add(quorlin::kPsetidAppointment, 0x820D), 0x01DD5B2F3C4A8000ULL)
      .AddTime(named.Add(quorlin::kPsetidAppointment, 0x820E), 0x01DD5B33D1A68000ULL)
      .AddUnicode(named.Add(quorlin::kPsetidAppointment, 0x8208), u"Room 7")
      .AddUnicode(named.Add(quorlin::kPsPublicStrings, u"Keywords"), u"seed")
      .AddFixed(named.Add(quorlin::kPsetidTask, 0x8102), 0x0005, 0x3FE0000000000000ULL);
  meeting.AddRecipient().AddUnicode(0x3001, u"Attendee").AddInt32(0x0C15, 1);
  meeting.AddRecipient().AddUnicode(0x3001, u"Organizer").AddInt32(0x0C15, 1).AddInt32(0x5FFD, 3);
  seeds.emplace_back("meeting-named.msg", meeting.Build());

  MessageBuilder attachments;
  attachments.AddRtfBody(rtf).AddUnicode(0x0037, u"With attachments");
  attachments.AddAttachment(1).AddUnicode(0x3707, u"../report.txt").AddBinary(0x3701, Bytes("report"));
  attachments.AddAttachment(1).AddUnicode(0x3707, u"Report.TXT").AddBinary(0x3701, Bytes("again"));
  attachments.AddAttachment(1).AddUnicode(0x3707, u"hidden.png").AddBinary(0x3701, Bytes("png"))
      .AddBoolean(0x7FFE, true);
  attachments.AddAttachment(2).AddUnicode(0x3707, u"\\\\server\\share\\linked.xlsx");
  attachments.AddObjectAttachment().AddRawStream(
      u"\x01Ole10Native", msgwriter::PackagedFileStream("Label", "C:\\Temp\\packed.bin", Bytes("packed")));
  msgwriter::StorageBuilder& forwarded = attachments.AddEmbeddedMessage();
  forwarded.AddUnicode(0x0037, u"Fwd: inner/outer").AddUnicode(0x1000, u"inner text");
  forwarded.AddAttachment(1).AddUnicode(0x3704, u"INNER.TXT").AddBinary(0x3701, Bytes("inner"));
  seeds.emplace_back("attachments.msg", attachments.Build());

  MessageBuilder plain;
  plain.AddRtfBody(rtf);
  CfbOptions with_difat;
  with_difat.min_fat_sectors = 110;
  seeds.emplace_back("difat.msg", plain.Build(with_difat));
  CfbOptions regular_only;
  regular_only.mini_cutoff = 0;
  seeds.emplace_back("regular-sectors.msg", plain.Build(regular_only));
  CfbOptions degenerate;
  degenerate.degenerate_trees = true;
  seeds.emplace_back("degenerate-tree.msg", embedded.Build(degenerate));
}

// Small pictures of each format the converter shows, and messages that place them: an HTML
// body carried in RTF naming them by content id, location and name, a native body with
// attachment placeholders, and a message of hundreds of attachments.
void AddPictureSeeds(Seeds& seeds) {
  using msgwriter::MessageBuilder;
  const std::vector<std::uint8_t> png = Bytes(std::string_view(
      "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00\x00\x02"
      "\x08\x02\x00\x00\x00\xfd\xd4\x9a\x73\x00\x00\x00\x11\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\xc0"
      "\xf0\x1f\x8c\x80\x18\x00\x1d\xf0\x03\xfd\xd3\xd0\x7d\x26\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42"
      "\x60\x82", 74));
  const std::vector<std::uint8_t> gif = Bytes(std::string_view(
      "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00"
      "\x00\x00\x01\x00\x01\x00\x00\x02\x02" "D\x01\x00;", 43));
  std::vector<std::uint8_t> bmp = Bytes(std::string_view(
      "BM\x3a\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00"
      "\x01\x00\x18\x00\x00\x00\x00\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x10\x20\x30\x00", 58));
  const std::vector<std::uint8_t> jpeg = Bytes(std::string_view(
      "\xff\xd8\xff\xc0\x00\x0b\x08\x00\x01\x00\x01\x01\x01\x11\x00\xff\xda\x00\x02\xff\xd9", 21));
  const std::vector<std::uint8_t> wmf = Bytes(std::string_view(
      "\xd7\xcd\xc6\x9a\x00\x00\x00\x00\x00\x00\xa0\x05\xa0\x05\xa0\x05\x00\x00\x00\x00\x00\x00"
      "\x01\x00\x09\x00\x00\x03\x0c\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00", 46));
  const std::vector<std::vector<std::uint8_t>> pictures = {png, gif, bmp, jpeg, wmf};

  MessageBuilder html;
  html.AddRtfBody("{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 {\\*\\htmltag84 <img src=\"cid:p0\" width=40>}"
                  "{\\*\\htmltag84 <IMG SRC='cid:p1' alt=\"one &amp; two\">}{\\*\\htmltag84 <img src=p2.bmp>}"
                  "{\\*\\htmltag84 <img src=cid:p3 height=\\'31\\par 2>}\\htmlrtf \\objattph \\htmlrtf0 "
                  "{\\*\\htmltag84 <img src=\"cid:p4\">}{\\*\\htmltag4 <img src=\"http://x/y.png\" alt=web>}text}");
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    msgwriter::StorageBuilder& attachment = html.AddAttachment(1);
    attachment.AddBinary(0x3701, pictures[i]).AddInt32(0x7FFE, 1);
    if (i == 2) attachment.AddUnicode(0x3707, u"p2.bmp");
    else attachment.AddUnicode(0x3712, u"p" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
  }
  seeds.emplace_back("pictures-html.msg", html.Build());

  MessageBuilder native;
  native.AddRtfBody("{\\rtf1\\ansi a\\objattph  b\\objattph  c\\objattph  d\\objattph  e\\objattph  f\\objattph }");
  for (std::size_t i = 0; i < pictures.size(); ++i)
    native.AddAttachment(1).AddBinary(0x3701, pictures[i]).AddInt32(0x370B, static_cast<std::int32_t>(10 - i))
        .AddUnicode(0x3707, u"picture");
  native.AddAttachment(1).AddBinary(0x3701, Bytes("II*\x00")).AddInt32(0x370B, 20).AddUnicode(0x3707, u"scan.tif");
  seeds.emplace_back("pictures-native.msg", native.Build());

  // Many attachments: the picture look-up over hundreds of names (content ids, locations,
  // file names in mixed case, some shared), tags naming none of them and tags in groups no
  // reader shows; the saver numbering names that collide, an embedded message whose
  // document takes the name a file attachment also wants, and another document inside it.
  MessageBuilder many;
  std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 ";
  for (int i = 0; i < 600; ++i) {
    const std::string n = std::to_string(i);
    rtf += i % 3 == 0   ? "{\\*\\htmltag84 <img src=cid:c" + n + ">}"
           : i % 3 == 1 ? "{\\*\\htmltag84 <img src=\"NAME" + n + ".PNG\">}"
                        : "{\\*\\mhtmlignore {\\*\\htmltag84 <img src=cid:none" + n + ">}}";
  }
  many.AddRtfBody(rtf + "}");
  for (int i = 0; i < 300; ++i) {
    const std::string n = std::to_string(i);
    msgwriter::StorageBuilder& attachment = many.AddAttachment(1);
    attachment.AddBinary(0x3701, pictures[static_cast<std::size_t>(i) % pictures.size()]);
    attachment.AddUnicode(0x3707, i % 4 == 0 ? u"same.txt" : std::u16string(u"name") + std::u16string(n.begin(), n.end()) + u".png");
    if (i % 2 == 0) attachment.AddUnicode(0x3712, std::u16string(u"c") + std::u16string(n.begin(), n.end()));
    if (i % 5 == 0) attachment.AddUnicode(0x3713, u"location");
  }
  many.AddAttachment(1).AddBinary(0x3701, Bytes("text")).AddUnicode(0x3707, u"Forwarded.doc");
  msgwriter::StorageBuilder& embedded = many.AddEmbeddedMessage();
  embedded.AddUnicode(0x0037, u"Forwarded").AddRtfBody("{\\rtf1 inner}");
  embedded.AddEmbeddedMessage().AddUnicode(0x0037, u"Forwarded");
  seeds.emplace_back("many-attachments.msg", many.Build());
}

bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: make_fuzz_seeds <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "make_fuzz_seeds: cannot make %s\n", folder.c_str());
    return 1;
  }
  Seeds seeds;
  for (msgwriter::SampleMessage& sample : msgwriter::SampleMessages())
    seeds.emplace_back("sample-" + sample.file_name, std::move(sample.bytes));
  msgwriter::CfbOptions version4;
  version4.version = 4;
  for (msgwriter::SampleMessage& sample : msgwriter::SampleMessages(version4))
    seeds.emplace_back("sample-v4-" + sample.file_name, std::move(sample.bytes));
  AddPathSeeds(seeds);
  AddPictureSeeds(seeds);
  for (const auto& [name, bytes] : seeds) {
    if (!WriteFile(folder / ("seed-" + name), bytes)) {
      std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", (folder / name).c_str());
      return 1;
    }
  }
  return 0;
}
