// File names as the converter's text: UTF-8 in std::string. A path made from a plain
// std::string, or read back with string(), goes through the system's narrow code page on
// Windows, which cannot hold most names; these two go through UTF-8 on every system (and
// copy the bytes as they are on Linux).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorlin {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace quorlin
