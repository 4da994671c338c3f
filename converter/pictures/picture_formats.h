// Recognizes the picture formats a document can show, by their first bytes (never by the
// file's name), and checks each one's header and lengths before any of it is written: a
// picture that passes is laid out for an RTF picture group; a damaged, oversized or
// unknown one is refused, and its attachment is then shown by name.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace quorlin {

enum class PictureFormat {
  kPng,   // written as it is (\pngblip)
  kJpeg,  // written as it is (\jpegblip)
  kDib,   // a BMP file without its 14-byte file header (\dibitmap0)
  kEmf,   // an enhanced metafile (\emfblip)
  kWmf,   // a Windows metafile without its placeable header (\wmetafile8)
  kGif,   // a GIF, whose first frame is turned into PNG before it is written
};

// Pictures larger than these are shown by name: no mail program sends them inline, and
// they would take the converter past its memory bound.
inline constexpr std::size_t kMostPictureBytes = std::size_t{64} << 20;
inline constexpr std::uint32_t kMostPicturePixels = 30'000;  // a side
// And in all, whatever the format, read from the picture's own header (a metafile counts
// its physical size at 96 pixels an inch): 32 million, a screenshot of 8000 by 4000. A
// reader holds every pixel of a picture it shows, and a few bytes of header can claim
// 900 million.
inline constexpr std::uint64_t kMostPictureArea = std::uint64_t{32} << 20;

// A picture that passed its checks.
struct PictureLayout {
  PictureFormat format;
  // \picw and \pich: pixels for bitmaps, hundredths of a millimetre for metafiles.
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  // The picture's own size in twips: 15 a pixel (96 dots per inch) for bitmaps, the
  // stated physical size for metafiles.
  std::uint64_t natural_width = 0;
  std::uint64_t natural_height = 0;
  // The bytes of the picture group, in order (a DIB is its header and colour table,
  // then its pixels, wherever the BMP file put them).
  std::span<const std::uint8_t> head;
  std::span<const std::uint8_t> body;
};

// Examines `bytes`; nothing when they are no picture of the formats above (TIFF and
// every other format), or a damaged or oversized one. A GIF is checked only as far as
// its screen size: its frame is checked when it is decoded (picture_gif.h).
std::optional<PictureLayout> ExaminePicture(std::span<const std::uint8_t> bytes);

}  // namespace quorlin
