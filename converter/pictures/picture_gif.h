// GIF pictures: RTF has no GIF picture type, so the first frame of a GIF is decoded
// (giflib) and written as a PNG (libpng) with the frame's own colours and transparency.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "converter/base/byte_sink.h"
#include "converter/pictures/picture_formats.h"

namespace quorlin {

// The first frame of a GIF: one palette index a pixel, rows top to bottom.
struct GifFrame {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> pixels;
  std::vector<std::uint8_t> palette;  // red, green, blue for each index
  int transparent = -1;               // the transparent index, or -1
};

// A frame of more pixels than this is refused (its pixels are held while it is
// converted): the bound of every picture.
inline constexpr std::uint64_t kMostGifPixels = kMostPictureArea;

// Decodes the first frame; nothing when the GIF is damaged, holds no frame, or the frame
// is larger than kMostGifPixels or 30,000 pixels a side. Indices past the colour table
// are read as index 0.
std::optional<GifFrame> DecodeGifFirstFrame(std::span<const std::uint8_t> gif);

// Writes the frame as a PNG file into `out`, in pieces. Throws what `out` throws.
void WriteFrameAsPng(const GifFrame& frame, ByteSink& out);

}  // namespace quorlin
