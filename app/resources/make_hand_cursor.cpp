// Draws the program's hand pointer and writes it as a Windows cursor file: one 32x32 image,
// 32 bits a pixel with alpha, its hot spot at the tip of the pointing finger.
// Usage: make_hand_cursor <output.cur>
#include <cstdio>

#include "tools/pointer_image.h"

namespace {
constexpr int kHotX = 6;
constexpr int kHotY = 1;

constexpr pointer_image::Picture kHand = {
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_hand_cursor <output.cur>\n");
    return 2;
  }
  return pointer_image::WriteFile(
      pointer_image::FileBytes(kHand, pointer_image::Kind::kCursor, kHotX, kHotY), argv[1],
      "make_hand_cursor");
}
