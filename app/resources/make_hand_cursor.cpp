// Draws the program's hand pointer and writes it as a Windows cursor file: one 32x32 image,
// 32 bits a pixel with alpha, its hot spot at the tip of the pointing finger.
// Usage: make_hand_cursor <output.cur>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {
constexpr int kSize = 32;
constexpr int kHotX = 6;
constexpr int kHotY = 1;

// '#' outline, '.' fill, ' ' transparent; row 0 is the top.
constexpr std::array<const char*, kSize> kHand = {
    "      ##                        ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..###                     ",
    "     #..#..###                  ",
    "     #..#..#..##                ",
    "     #..#..#..#.#               ",
    " ### #..#..#..#..#              ",
    " #..##.........#.#              ",
    " #...#...........#              ",
    "  #..#...........#              ",
    "   #.............#              ",
    "   #.............#              ",
    "    #............#              ",
    "    #...........#               ",
    "     #..........#               ",
    "     #.........#                ",
    "      #........#                ",
    "      #........#                ",
    "      ##########                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_hand_cursor <output.cur>\n");
    return 2;
  }
  constexpr uint32_t kMaskStride = 4;  // 32 pixels at 1 bit, padded to 4 bytes
  constexpr uint32_t kImageBytes = 40 + kSize * kSize * 4 + kSize * kMaskStride;
  std::vector<uint8_t> out;
  // The directory: reserved, type 2 (cursor), one image.
  Put16(out, 0);
  Put16(out, 2);
  Put16(out, 1);
  // The entry: size, colours, reserved, hot spot, image length and offset.
  out.push_back(kSize);
  out.push_back(kSize);
  out.push_back(0);
  out.push_back(0);
  Put16(out, kHotX);
  Put16(out, kHotY);
  Put32(out, kImageBytes);
  Put32(out, 6 + 16);
  // The bitmap header: twice the height (colour rows, then the mask), 32 bits a pixel.
  Put32(out, 40);
  Put32(out, kSize);
  Put32(out, kSize * 2);
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  // Colour rows, bottom-up, blue-green-red-alpha.
  for (int y = kSize - 1; y >= 0; --y)
    for (int x = 0; x < kSize; ++x) {
      const char c = kHand[static_cast<size_t>(y)][x];
      const uint8_t shade = c == '.' ? 255 : 0;
      const uint8_t alpha = c == ' ' ? 0 : 255;
      out.insert(out.end(), {shade, shade, shade, alpha});
    }
  // The mask, bottom-up: 1 where the pixel is transparent.
  for (int y = kSize - 1; y >= 0; --y)
    for (uint32_t byte = 0; byte < kMaskStride; ++byte) {
      uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit)
        if (kHand[static_cast<size_t>(y)][byte * 8 + static_cast<uint32_t>(bit)] == ' ')
          bits |= static_cast<uint8_t>(0x80 >> bit);
      out.push_back(bits);
    }
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!file) {
    std::fprintf(stderr, "make_hand_cursor: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
