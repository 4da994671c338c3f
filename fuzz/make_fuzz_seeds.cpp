// Writes the fuzzer's starting inputs: the shipped sample messages, each also with
// 4096-byte sectors, plus one message for each path the converter takes (plain-text,
// 8-bit and HTML bodies, a stored body, an embedded message, DIFAT sectors, regular
// sectors only, degenerate directory trees). With them the fuzzer reaches every part of
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
  for (const auto& [name, bytes] : seeds) {
    if (!WriteFile(folder / ("seed-" + name), bytes)) {
      std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", (folder / name).c_str());
      return 1;
    }
  }
  return 0;
}
