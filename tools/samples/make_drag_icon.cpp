// Draws the list's drag pointer, an up-and-down arrow beside three row marks, and writes it
// as an icon file: one 32x32 image, 32 bits a pixel with alpha, and its mask.
// Usage: make_drag_icon <output.ico>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

// '#' outline, '.' fill, ' ' transparent; row 0 is the top.
constexpr std::array<const char*, kSize> kPicture = {
    "                                ",
    "         ##                     ",
    "        #..#                    ",
    "       #....#                   ",
    "      #......#                  ",
    "     #........#                 ",
    "    #####..#####                ",
    "        #..#                    ",
    "        #..#     ############   ",
    "        #..#     #..........#   ",
    "        #..#     ############   ",
    "        #..#                    ",
    "        #..#                    ",
    "        #..#     ############   ",
    "        #..#     #..........#   ",
    "        #..#     ############   ",
    "        #..#                    ",
    "        #..#                    ",
    "        #..#     ############   ",
    "        #..#     #..........#   ",
    "        #..#     ############   ",
    "        #..#                    ",
    "        #..#                    ",
    "    #####..#####                ",
    "     #........#                 ",
    "      #......#                  ",
    "       #....#                   ",
    "        #..#                    ",
    "         ##                     ",
    "                                ",
    "                                ",
    "                                ",
};

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::vector<std::uint8_t> IconBytes() {
  std::vector<std::uint8_t> image;
  // The bitmap header: height counts the colour rows and the mask rows.
  Put32(image, 40);
  Put32(image, kSize);
  Put32(image, kSize * 2);
  Put16(image, 1);
  Put16(image, 32);
  Put32(image, 0);
  Put32(image, kSize * kSize * 4 + kSize * 4);
  for (int i = 0; i < 4; ++i) Put32(image, 0);
  // Colour rows, bottom row first, as blue, green, red, alpha.
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; ++x) {
      const char c = kPicture[y][x];
      const std::uint32_t argb = c == '#' ? 0xFF000000u : c == '.' ? 0xFFFFFFFFu : 0x00000000u;
      Put32(image, argb);
    }
  }
  // The mask: a set bit lets the screen show through.
  for (int y = kSize - 1; y >= 0; --y) {
    std::uint32_t bits = 0;
    for (int x = 0; x < kSize; ++x)
      if (kPicture[y][x] == ' ') bits |= 1u << (31 - x);
    image.push_back(static_cast<std::uint8_t>(bits >> 24));
    image.push_back(static_cast<std::uint8_t>(bits >> 16));
    image.push_back(static_cast<std::uint8_t>(bits >> 8));
    image.push_back(static_cast<std::uint8_t>(bits));
  }

  std::vector<std::uint8_t> file;
  Put16(file, 0);  // reserved
  Put16(file, 1);  // an icon
  Put16(file, 1);  // one image
  file.push_back(kSize);
  file.push_back(kSize);
  file.push_back(0);  // no palette
  file.push_back(0);
  Put16(file, 1);   // colour planes
  Put16(file, 32);  // bits a pixel
  Put32(file, static_cast<std::uint32_t>(image.size()));
  Put32(file, 6 + 16);
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: make_drag_icon <output.ico>\n");
    return 2;
  }
  const std::vector<std::uint8_t> bytes = IconBytes();
  const std::string target = argv[1];
  const std::string temporary = target + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "make_drag_icon: cannot write %s\n", temporary.c_str());
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    std::fprintf(stderr, "make_drag_icon: cannot rename %s\n", temporary.c_str());
    return 1;
  }
  return 0;
}
