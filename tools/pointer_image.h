// Writes a 32x32 picture drawn in text as a Windows icon or cursor file: one image, 32 bits
// a pixel with alpha, and its transparency mask. The build draws the program's pointer files
// ("HAND-M.CUR", "drag.ico") with it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace pointer_image {

constexpr int kSize = 32;
// '#' black outline, '.' white fill, ' ' transparent; row 0 is the top.
using Picture = std::array<const char*, kSize>;

enum class Kind : std::uint16_t { kIcon = 1, kCursor = 2 };

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// The file's bytes. A cursor carries its hot spot where an icon carries planes and depth.
inline std::vector<std::uint8_t> FileBytes(const Picture& picture, Kind kind, int hotX = 0,
                                           int hotY = 0) {
  std::vector<std::uint8_t> image;
  // The bitmap header: the height counts the colour rows and the mask rows.
  Put32(image, 40);
  Put32(image, kSize);
  Put32(image, kSize * 2);
  Put16(image, 1);
  Put16(image, 32);
  Put32(image, 0);
  Put32(image, kSize * kSize * 4 + kSize * 4);
  for (int i = 0; i < 4; ++i) Put32(image, 0);
  // Colour rows, bottom row first, as blue, green, red, alpha.
  for (int y = kSize - 1; y >= 0; --y)
    for (int x = 0; x < kSize; ++x) {
      const char c = picture[static_cast<std::size_t>(y)][x];
      Put32(image, c == '#' ? 0xFF000000u : c == '.' ? 0xFFFFFFFFu : 0x00000000u);
    }
  // The mask, bottom row first: a set bit lets the screen show through.
  for (int y = kSize - 1; y >= 0; --y) {
    std::uint32_t bits = 0;
    for (int x = 0; x < kSize; ++x)
      if (picture[static_cast<std::size_t>(y)][x] == ' ') bits |= 1u << (31 - x);
    for (int shift = 24; shift >= 0; shift -= 8) image.push_back(static_cast<std::uint8_t>(bits >> shift));
  }

  std::vector<std::uint8_t> file;
  Put16(file, 0);  // reserved
  Put16(file, static_cast<std::uint16_t>(kind));
  Put16(file, 1);  // one image
  file.push_back(kSize);
  file.push_back(kSize);
  file.push_back(0);  // no palette
  file.push_back(0);
  if (kind == Kind::kCursor) {
    Put16(file, static_cast<std::uint32_t>(hotX));
    Put16(file, static_cast<std::uint32_t>(hotY));
  } else {
    Put16(file, 1);   // colour planes
    Put16(file, 32);  // bits a pixel
  }
  Put32(file, static_cast<std::uint32_t>(image.size()));
  Put32(file, 6 + 16);
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

// Writes the bytes beside the target and renames them into place, so an interrupted build
// never leaves a half-written file. Returns a process exit status.
inline int WriteFile(const std::vector<std::uint8_t>& bytes, const std::string& target,
                     const char* program) {
  const std::string temporary = target + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "%s: cannot write %s\n", program, temporary.c_str());
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot rename %s\n", program, temporary.c_str());
    return 1;
  }
  return 0;
}

}  // namespace pointer_image
