// Choosing the code page of the header texts: the message's own Windows code page, the
// rich-text body's declaration, or a small table from the scripts of Internet code pages
// to the Windows code pages that write them.
#include "converter/document/header_code_page.h"

#include <algorithm>
#include <string_view>

#include "converter/rtf/clzf.h"
#include "converter/base/errors.h"
#include "converter/document/message_body.h"
#include "converter/msg/property_tags.h"

namespace quorlin {
namespace {

constexpr std::uint32_t kDefaultCodePage = 1252;
// The opening of a rich-text body looked at for its "\ansicpg": it stands in the
// document's first line, before the font table.
constexpr std::size_t kOpeningBytes = 4096;

struct ScriptCodePage {
  std::uint32_t code_page;
  std::uint32_t windows;
};

// Code pages of mail and the Windows code page of their script. Pages not listed that are
// not Windows pages themselves are Western (Latin-1, Latin-9, ASCII, Mac Roman, ...).
constexpr ScriptCodePage kScripts[] = {
    // Japanese: ISO-2022-JP, EUC-JP.
    {50220, 932}, {50221, 932}, {50222, 932}, {51932, 932}, {20932, 932},
    // Simplified Chinese: GB2312, EUC-CN, HZ, GB18030, ISO-2022-CN.
    {20936, 936}, {51936, 936}, {52936, 936}, {54936, 936}, {50227, 936},
    // Korean: EUC-KR, ISO-2022-KR, Johab.
    {51949, 949}, {50225, 949}, {1361, 949},
    // Traditional Chinese: EUC-TW.
    {51950, 950},
    // Cyrillic: KOI8-R, KOI8-U, ISO-8859-5, DOS and Mac Cyrillic.
    {20866, 1251}, {21866, 1251}, {28595, 1251}, {855, 1251}, {866, 1251}, {10007, 1251},
    // Central European: ISO-8859-2, DOS Latin-2.
    {28592, 1250}, {852, 1250},
    // Greek, Turkish, Hebrew (visual and logical), Arabic, Baltic, Thai.
    {28597, 1253}, {737, 1253}, {869, 1253}, {28599, 1254}, {857, 1254},
    {28598, 1255}, {38598, 1255}, {862, 1255}, {28596, 1256}, {864, 1256},
    {28594, 1257}, {28603, 1257}, {775, 1257}, {28601, 874},
};

bool IsWindowsCodePage(std::uint32_t code_page) {
  return code_page == 874 || code_page == 932 || code_page == 936 || code_page == 949 ||
         code_page == 950 || (code_page >= 1250 && code_page <= 1258);
}

// The "\ansicpg" of the rich-text body. A body that cannot be read declares nothing here;
// its damage is reported where the body is written.
std::optional<std::uint32_t> BodyAnsiCodePage(const Message& message) {
  try {
    if (std::optional<StreamBytes> body = message.CompressedBodyRTF())
      return RtfAnsiCodePage(CLZF::decompressOpening(body->bytes(), kOpeningBytes));
  } catch (const ConvertError&) {
  }
  return std::nullopt;
}

}  // namespace

std::uint32_t WindowsCodePageOfScript(std::uint32_t code_page) {
  if (IsWindowsCodePage(code_page) || code_page == 65001) return code_page;
  for (const ScriptCodePage& entry : kScripts)
    if (entry.code_page == code_page) return entry.windows;
  return kDefaultCodePage;
}

std::optional<std::uint32_t> RtfAnsiCodePage(std::span<const std::uint8_t> opening) {
  static constexpr std::string_view kWord = "\\ansicpg";
  const std::string_view text(reinterpret_cast<const char*>(opening.data()), opening.size());
  for (std::size_t at = text.find(kWord); at != std::string_view::npos; at = text.find(kWord, at + 1)) {
    if (at > 0 && text[at - 1] == '\\') continue;  // "\\ansicpg" is text, not the word
    std::uint32_t code_page = 0;
    std::size_t i = at + kWord.size();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && code_page < 100000; ++i)
      code_page = code_page * 10 + static_cast<std::uint32_t>(text[i] - '0');
    if (code_page > 0) return code_page;
  }
  return std::nullopt;
}

std::uint32_t HeaderCodePage(const Message& message) {
  if (auto code_page = CodePageProperty(message, tags::kMessageCodePage)) return *code_page;
  if (auto code_page = BodyAnsiCodePage(message)) return *code_page;
  if (auto code_page = CodePageProperty(message, tags::kInternetCodePage))
    return WindowsCodePageOfScript(*code_page);
  return kDefaultCodePage;
}

}  // namespace quorlin
