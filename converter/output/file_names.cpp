// The file-name rules. Everything works on code points first (dropping what may not be in
// a name) and on UTF-8 bytes last (the limit is in bytes), cutting only between whole
// characters.
#include "converter/output/file_names.h"

#include <algorithm>

#include "converter/output/system_file_names.h"
#include "converter/text/code_page.h"

namespace quorlin {
namespace {

constexpr std::size_t kMaxExtensionBytes = 32;

// Characters that may not be in a name: C0 and C1 controls, DEL, and the marks that
// reorder text on screen (a name could otherwise show "txt.exe" as "exe.txt").
bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The longest start of `text` of at most `limit` bytes that ends between characters.
std::string_view CutUtf8(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && IsContinuation(text[end])) --end;
  return text.substr(0, end);
}

void TrimEnd(std::string& name) {
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
}

// Control characters become spaces, outer spaces and trailing dots go, "." and ".." are
// nothing; `separator` replaces "/" and "\" (NUL: keep only the last component).
std::string CleanName(std::u16string_view text, char separator) {
  std::string name;
  ForEachCodePoint(text, [&](char32_t c) {
    if (c == U'/' || c == U'\\') {
      if (separator) {
        name += separator;
      } else {
        TrimEnd(name);
        if (!name.empty() && name.find_first_not_of(" .") != std::string::npos) name += '/';
      }
    } else {
      AppendUtf8(name, IsControl(c) ? U' ' : c);
    }
  });
  if (!separator) {
    // The last component that is a name; empty components and "." or ".." do not count.
    while (!name.empty() && (name.back() == '/' || name.back() == ' ' || name.back() == '.'))
      name.pop_back();
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos) name.erase(0, slash + 1);
  }
  name.erase(0, std::min(name.find_first_not_of(' '), name.size()));
  TrimEnd(name);
  return SystemSafeName(std::move(name));
}

}  // namespace

std::string_view FileExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  const std::string_view extension = name.substr(dot);
  if (extension.size() > kMaxExtensionBytes || extension.find(' ') != std::string_view::npos)
    return {};
  return extension;
}

std::string ShortenFileName(std::string_view name, std::size_t limit) {
  if (name.size() <= limit) return std::string(name);
  std::string_view extension = FileExtension(name);
  if (extension.size() >= limit) extension = {};
  std::string shortened(CutUtf8(name.substr(0, name.size() - extension.size()), limit - extension.size()));
  TrimEnd(shortened);
  return shortened + std::string(extension);
}

std::string SafeFileName(std::u16string_view name, std::size_t limit) {
  return ShortenFileName(CleanName(name, '\0'), limit);
}

std::string SafeFileStem(std::u16string_view subject, std::size_t limit) {
  std::string stem = CleanName(subject, '_');
  if (stem.size() > limit) {
    stem = std::string(CutUtf8(stem, limit));
    TrimEnd(stem);
  }
  return stem;
}

std::string NumberedFileName(std::string_view name, int number, std::size_t limit) {
  const std::string suffix = " (" + std::to_string(number) + ")";
  std::string_view extension = FileExtension(name);
  if (extension.size() + suffix.size() >= limit) extension = {};
  std::string_view stem = name.substr(0, name.size() - extension.size());
  std::string numbered(CutUtf8(stem, limit - extension.size() - suffix.size()));
  TrimEnd(numbered);
  return numbered + suffix + std::string(extension);
}

std::string NumberedDocumentName(std::string_view name, int number) {
  constexpr std::string_view kDocument = ".doc";
  std::string ending = " (" + std::to_string(number) + ")";
  if (name.size() >= kDocument.size() && name.substr(name.size() - kDocument.size()) == kDocument) {
    name.remove_suffix(kDocument.size());
    ending += kDocument;
  }
  const std::size_t room = ending.size() < kMaxFileNameBytes ? kMaxFileNameBytes - ending.size() : 0;
  return std::string(CutUtf8(name, room)) + ending;
}

std::string FileNameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

}  // namespace quorlin
