// Writes the fuzzer's starting inputs: the shipped sample messages, each also with
// 4096-byte sectors, plus one message for each path the converter takes (plain-text,
// 8-bit and HTML bodies, damaged UTF-7 and UTF-16BE text, a charset the scan limit cuts,
// 8-bit header names, a stored body, an embedded message, DIFAT sectors, regular
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
