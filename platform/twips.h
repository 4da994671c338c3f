// Twips (1/1440 inch), the unit the window's controls are placed and sized in, turned into
// Qt's logical pixels at 15 twips a pixel; Qt scales logical pixels for the screen.
#pragma once

#include <cmath>

constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips) {
  return (twips >= 0 ? twips + kTwipsPerPixel / 2 : twips - kTwipsPerPixel / 2) / kTwipsPerPixel;
}
