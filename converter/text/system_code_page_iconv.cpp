// The platform decoder on Linux: glibc's iconv, part of the C library, so the converter
// needs no package of its own for it. Each Windows code page number is mapped to the name
// iconv knows it by; HZ, which glibc lacks, is first rewritten as EUC-CN, and the SO/SI
// katakana of 50222 as escapes.
#include "converter/text/system_code_page.h"

#if !defined(_WIN32)

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#include "converter/text/hz_text.h"
#include "converter/text/jis_shift.h"

namespace quorlin {
namespace {

constexpr std::uint32_t kHz = 52936;
constexpr std::uint32_t kJisShifted = 50222;
constexpr char16_t kReplacement = 0xFFFD;

struct CodePageName {
  std::uint32_t code_page;
  const char* name;
};

// Windows code page numbers and glibc's names for them.
constexpr CodePageName kNames[] = {
    {437, "IBM437"},       {737, "CP737"},        {775, "IBM775"},       {850, "IBM850"},
    {852, "IBM852"},       {855, "IBM855"},       {857, "IBM857"},       {860, "IBM860"},
    {861, "IBM861"},       {862, "IBM862"},       {863, "IBM863"},       {864, "IBM864"},
    {865, "IBM865"},       {866, "IBM866"},       {869, "IBM869"},       {874, "CP874"},
    {932, "CP932"},        {936, "CP936"},        {949, "CP949"},        {950, "CP950"},
    {1200, "UTF-16LE"},    {1201, "UTF-16BE"},    {1250, "CP1250"},      {1251, "CP1251"},
    {1252, "CP1252"},      {1253, "CP1253"},      {1254, "CP1254"},      {1255, "CP1255"},
    {1256, "CP1256"},      {1257, "CP1257"},      {1258, "CP1258"},      {1361, "JOHAB"},
    {10000, "MACINTOSH"},  {10007, "MAC-CYRILLIC"}, {12000, "UTF-32LE"}, {12001, "UTF-32BE"},
    {20127, "ASCII"},      {20866, "KOI8-R"},     {20932, "EUC-JP"},     {20936, "GB2312"},
    {21866, "KOI8-U"},     {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"}, {28600, "ISO-8859-10"}, {28601, "ISO-8859-11"},
    {28603, "ISO-8859-13"}, {28604, "ISO-8859-14"}, {28605, "ISO-8859-15"}, {28606, "ISO-8859-16"},
    {38598, "ISO-8859-8"},
    // ISO-2022-JP-2 also reads the half-width katakana escapes of 50221, and those of
    // 50222 once its SO/SI are rewritten as escapes.
    {50220, "ISO-2022-JP-2"}, {50221, "ISO-2022-JP-2"}, {50222, "ISO-2022-JP-2"},
    {50225, "ISO-2022-KR"}, {50227, "ISO-2022-CN"}, {51932, "EUC-JP"},     {51936, "EUC-CN"},
    {51949, "EUC-KR"},     {kHz, "EUC-CN"},       {54936, "GB18030"},    {65001, "UTF-8"},
};

const char* IconvName(std::uint32_t code_page) {
  for (const CodePageName& entry : kNames)
    if (entry.code_page == code_page) return entry.name;
  return nullptr;
}

class Converter {
 public:
  explicit Converter(const char* from) : cd_(iconv_open("UTF-16LE", from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Back to the initial state, as a new converter begins: each text starts afresh.
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

  // Decodes all of `bytes`. Each sequence iconv refuses becomes one U+FFFD and decoding
  // goes on after it: `unit` bytes further (a whole code unit), from the initial state
  // when `reset` is set.
  std::u16string Decode(std::span<const std::uint8_t> bytes, std::size_t unit = 1, bool reset = false) {
    std::u16string text;
    text.reserve(bytes.size());
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    std::size_t in_left = bytes.size();
    char chunk[1 << 14];
    while (true) {
      char* out = chunk;
      std::size_t out_left = sizeof chunk;
      const std::size_t result = iconv(cd_, in_left ? &in : nullptr, in_left ? &in_left : nullptr,
                                       &out, &out_left);
      const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
      Append(text, chunk, static_cast<std::size_t>(out - chunk));
      if (error == E2BIG) continue;
      if (error == EILSEQ || error == EINVAL) {
        // A byte that starts no character here, or a character cut off by the end.
        text.push_back(kReplacement);
        if (error == EINVAL) break;
        if (reset) iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        const std::size_t skip = std::min(unit, in_left);
        in += skip;
        in_left -= skip;
        continue;
      }
      if (error != 0 || in_left == 0) break;
    }
    return text;
  }

 private:
  static void Append(std::u16string& text, const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size; i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8));
  }

  iconv_t cd_;
};

// The converter of each code page, opened the first time it is needed on this thread and
// kept until the thread ends (a name iconv does not know, too): opening one loads and parses iconv's module tables, which
// costs many times the decoding of a header field, and a message decodes dozens of them.
Converter* ConverterFor(std::uint32_t code_page, const char* name) {
  thread_local std::vector<std::pair<std::uint32_t, std::unique_ptr<Converter>>> open;
  for (auto& [page, converter] : open)
    if (page == code_page) return converter->ok() ? converter.get() : nullptr;
  open.emplace_back(code_page, std::make_unique<Converter>(name));  // one that fails is kept as failed
  Converter* converter = open.back().second.get();
  return converter->ok() ? converter : nullptr;
}

}  // namespace

std::optional<std::u16string> DecodeWithSystem(std::span<const std::uint8_t> bytes,
                                               std::uint32_t code_page) {
  const char* name = IconvName(code_page);
  if (name == nullptr) return std::nullopt;
  Converter* found = ConverterFor(code_page, name);
  if (found == nullptr) return std::nullopt;
  Converter& converter = *found;
  converter.Reset();
  if (code_page == kHz) return converter.Decode(HzToEucCn(bytes));
  if (code_page == kJisShifted) return converter.Decode(ShiftedKatakanaToEscapes(bytes));
  // UTF-16 and UTF-32 go on with the next whole code unit, so the text after a bad one (a
  // lone surrogate, a value past U+10FFFF) keeps its alignment. Elsewhere the next byte
  // may begin a character, and the state is kept: in the ISO-2022 pages it is the
  // character set an escape chose, which the text after the bad bytes is still in.
  if (code_page == 1200 || code_page == 1201) return converter.Decode(bytes, 2, true);
  if (code_page == 12000 || code_page == 12001) return converter.Decode(bytes, 4, true);
  return converter.Decode(bytes);
}

}  // namespace quorlin

#endif  // !defined(_WIN32)
