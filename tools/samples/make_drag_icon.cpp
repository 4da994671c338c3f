// Draws the list's drag pointer, an up-and-down arrow beside three row marks, and writes it
// as an icon file: one 32x32 image, 32 bits a pixel with alpha, and its mask.
// Usage: make_drag_icon <output.ico>
#include <cstdio>

#include "tools/pointer_image.h"

namespace {

constexpr pointer_image::Picture kPicture = {
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: make_drag_icon <output.ico>\n");
    return 2;
  }
  return pointer_image::WriteFile(pointer_image::FileBytes(kPicture, pointer_image::Kind::kIcon),
                                  argv[1], "make_drag_icon");
}
