// The header checks of each picture format. Every read goes through ByteCursor, whose
// FormatError on a short read means "damaged": the examination then refuses the picture.
// PNG: the chunks are walked to IEND with every CRC checked. JPEG: the markers are walked
// to the frame header. BMP: the header, colour table and pixel array must lie in the
// file. EMF and WMF: the header's sizes must lie in the file.
#include "converter/pictures/picture_formats.h"

#include <zlib.h>

#include <algorithm>
#include <string_view>

#include "converter/base/byte_cursor.h"
#include "converter/base/errors.h"

namespace quorlin {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint64_t kTwipsPerPixel = 15;  // 1440 twips an inch at 96 pixels an inch

std::uint32_t BigEndian32(Bytes bytes, std::size_t at, std::string_view what) {
  Bytes b = ByteCursor::BytesAt(bytes, at, 4, what);
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

std::uint16_t BigEndian16(Bytes bytes, std::size_t at, std::string_view what) {
  Bytes b = ByteCursor::BytesAt(bytes, at, 2, what);
  return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

bool StartsWith(Bytes bytes, std::string_view magic) {
  return bytes.size() >= magic.size() &&
         std::equal(magic.begin(), magic.end(), bytes.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

bool FitsPixels(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width <= kMostPicturePixels && height <= kMostPicturePixels &&
         width * height <= kMostPictureArea;
}

std::optional<PictureLayout> Bitmap(PictureFormat format, std::uint32_t width, std::uint32_t height,
                                    Bytes head, Bytes body = {}) {
  if (!FitsPixels(width, height)) return std::nullopt;
  return PictureLayout{format, width, height, width * kTwipsPerPixel, height * kTwipsPerPixel, head, body};
}

std::optional<PictureLayout> Png(Bytes bytes) {
  std::size_t at = 8;
  std::uint32_t width = 0, height = 0;
  bool image_data = false;
  for (bool first = true;; first = false) {
    const std::uint32_t length = BigEndian32(bytes, at, "PNG chunk length");
    if (length > 0x7FFFFFFFu) return std::nullopt;
    Bytes typed = ByteCursor::BytesAt(bytes, at + 4, std::size_t{length} + 4, "PNG chunk");
    const std::uint32_t crc = BigEndian32(bytes, at + 8 + length, "PNG chunk CRC");
    if (::crc32(0, typed.data(), static_cast<uInt>(typed.size())) != crc) return std::nullopt;
    const std::string_view type(reinterpret_cast<const char*>(typed.data()), 4);
    if (first) {
      if (type != "IHDR" || length != 13) return std::nullopt;
      width = BigEndian32(typed, 4, "PNG width");
      height = BigEndian32(typed, 8, "PNG height");
      const std::uint8_t depth = typed[12], colour = typed[13];
      const bool valid = (colour == 0 && (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)) ||
                         (colour == 3 && (depth == 1 || depth == 2 || depth == 4 || depth == 8)) ||
                         ((colour == 2 || colour == 4 || colour == 6) && (depth == 8 || depth == 16));
      if (!valid || typed[14] != 0 || typed[15] != 0 || typed[16] > 1) return std::nullopt;
    } else if (type == "IDAT") {
      image_data = true;
    } else if (type == "IEND") {
      if (!image_data) return std::nullopt;
      return Bitmap(PictureFormat::kPng, width, height, bytes.first(at + 12 + length));
    }
    at += 12 + std::size_t{length};
  }
}

std::optional<PictureLayout> Jpeg(Bytes bytes) {
  std::size_t at = 2;
  while (true) {
    if (ByteCursor::BytesAt(bytes, at, 1, "JPEG marker")[0] != 0xFF) return std::nullopt;
    while (ByteCursor::BytesAt(bytes, at + 1, 1, "JPEG marker")[0] == 0xFF) ++at;  // fill bytes
    const std::uint8_t marker = bytes[at + 1];
    at += 2;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before its frame
    const std::uint16_t length = BigEndian16(bytes, at, "JPEG segment length");
    if (length < 2) return std::nullopt;
    Bytes segment = ByteCursor::BytesAt(bytes, at, length, "JPEG segment");
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      const std::uint16_t height = BigEndian16(segment, 3, "JPEG height");
      const std::uint16_t width = BigEndian16(segment, 5, "JPEG width");
      return Bitmap(PictureFormat::kJpeg, width, height, bytes);
    }
    at += length;
  }
}

std::optional<PictureLayout> Dib(Bytes bytes) {
  const std::uint32_t pixels_at = ByteCursor::U32At(bytes, 10, "BMP pixel offset");
  const std::uint32_t header_size = ByteCursor::U32At(bytes, 14, "BMP header size");
  std::int64_t width = 0, height = 0;
  std::uint32_t bits = 0, compression = 0, image_size = 0, colours = 0, entry_size = 4;
  std::uint16_t planes = 0;
  if (header_size == 12) {  // the old core header
    width = ByteCursor::U16At(bytes, 18, "BMP width");
    height = ByteCursor::U16At(bytes, 20, "BMP height");
    planes = ByteCursor::U16At(bytes, 22, "BMP planes");
    bits = ByteCursor::U16At(bytes, 24, "BMP bit count");
    entry_size = 3;
  } else if (header_size == 40 || header_size == 52 || header_size == 56 || header_size == 108 ||
             header_size == 124) {
    width = static_cast<std::int32_t>(ByteCursor::U32At(bytes, 18, "BMP width"));
    height = static_cast<std::int32_t>(ByteCursor::U32At(bytes, 22, "BMP height"));
    planes = ByteCursor::U16At(bytes, 26, "BMP planes");
    bits = ByteCursor::U16At(bytes, 28, "BMP bit count");
    compression = ByteCursor::U32At(bytes, 30, "BMP compression");
    image_size = ByteCursor::U32At(bytes, 34, "BMP image size");
    colours = ByteCursor::U32At(bytes, 46, "BMP colours used");
  } else {
    return std::nullopt;
  }
  height = height < 0 ? -height : height;  // negative: rows top to bottom
  if (width <= 0 || height == 0) return std::nullopt;
  const bool known_bits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  const bool known_compression = compression == 0 || (compression == 1 && bits == 8) ||
                                 (compression == 2 && bits == 4) ||
                                 ((compression == 3 || compression == 6) && (bits == 16 || bits == 32));
  if (planes != 1 || !known_bits || !known_compression) return std::nullopt;
  if (bits <= 8) {
    if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
  } else if (colours > 256) {
    return std::nullopt;
  }
  // Colour masks follow a 40-byte header; the larger headers hold them.
  const std::size_t masks = header_size != 40 ? 0 : compression == 3 ? 12 : compression == 6 ? 16 : 0;
  const std::size_t head_size = header_size + masks + std::size_t{colours} * entry_size;
  if (pixels_at < 14 + head_size) return std::nullopt;
  Bytes head = ByteCursor::BytesAt(bytes, 14, head_size, "BMP header and colour table");
  std::uint64_t pixel_size = image_size;
  if (compression == 0 || compression == 3 || compression == 6) {
    if (!FitsPixels(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))) return std::nullopt;
    pixel_size = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4 * static_cast<std::uint64_t>(height);
  }
  if (pixel_size == 0 || pixel_size > bytes.size()) return std::nullopt;
  Bytes body = ByteCursor::BytesAt(bytes, pixels_at, static_cast<std::size_t>(pixel_size), "BMP pixels");
  return Bitmap(PictureFormat::kDib, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                head, body);
}

// A metafile's physical size, given in `units` an inch, as \picw/\pich (hundredths of a
// millimetre) and twips. Nothing when it is empty or larger than the largest bitmap.
std::optional<PictureLayout> Metafile(PictureFormat format, std::int64_t width, std::int64_t height,
                                      std::int64_t units_per_inch, Bytes head) {
  if (width < 0) width = -width;
  if (height < 0) height = -height;
  if (width == 0 || height == 0 || units_per_inch <= 0) return std::nullopt;
  const std::uint64_t w = static_cast<std::uint64_t>(width), h = static_cast<std::uint64_t>(height);
  const std::uint64_t units = static_cast<std::uint64_t>(units_per_inch);
  const std::uint64_t twips_w = w * 1440 / units, twips_h = h * 1440 / units;
  if (twips_w == 0 || twips_h == 0 ||
      !FitsPixels((twips_w + kTwipsPerPixel - 1) / kTwipsPerPixel, (twips_h + kTwipsPerPixel - 1) / kTwipsPerPixel))
    return std::nullopt;
  return PictureLayout{format, static_cast<std::uint32_t>(w * 2540 / units),
                       static_cast<std::uint32_t>(h * 2540 / units), twips_w, twips_h, head, {}};
}

std::optional<PictureLayout> Emf(Bytes bytes) {
  const std::uint32_t header_size = ByteCursor::U32At(bytes, 4, "EMF header size");
  const auto frame = [&](std::size_t at) {
    return static_cast<std::int32_t>(ByteCursor::U32At(bytes, at, "EMF frame"));
  };
  const std::int64_t width = std::int64_t{frame(32)} - frame(24);
  const std::int64_t height = std::int64_t{frame(36)} - frame(28);
  const std::uint32_t total = ByteCursor::U32At(bytes, 48, "EMF size");
  if (header_size < 88 || total < header_size || total > bytes.size()) return std::nullopt;
  return Metafile(PictureFormat::kEmf, width, height, 2540, bytes.first(total));  // frame: 0.01 mm
}

// The window extent a metafile without placeable header sets first, in pixels.
std::optional<std::pair<std::int16_t, std::int16_t>> WindowExtent(Bytes records) {
  constexpr std::uint16_t kSetWindowExt = 0x020C, kEof = 0x0000;
  for (std::size_t at = 0; at + 6 <= records.size();) {
    const std::uint32_t words = ByteCursor::U32At(records, at, "WMF record size");
    const std::uint16_t function = ByteCursor::U16At(records, at + 4, "WMF record function");
    if (function == kEof || words < 3 || words > (records.size() - at) / 2) return std::nullopt;
    if (function == kSetWindowExt && words >= 5) {
      const auto y = static_cast<std::int16_t>(ByteCursor::U16At(records, at + 6, "WMF extent"));
      const auto x = static_cast<std::int16_t>(ByteCursor::U16At(records, at + 8, "WMF extent"));
      return std::pair{x, y};
    }
    at += std::size_t{words} * 2;
  }
  return std::nullopt;
}

std::optional<PictureLayout> Wmf(Bytes bytes, bool placeable) {
  std::size_t at = 0;
  std::int64_t width = 0, height = 0, units = 0;
  if (placeable) {
    const auto coordinate = [&](std::size_t offset) {
      return static_cast<std::int16_t>(ByteCursor::U16At(bytes, offset, "WMF bounds"));
    };
    width = std::int64_t{coordinate(10)} - coordinate(6);
    height = std::int64_t{coordinate(12)} - coordinate(8);
    units = ByteCursor::U16At(bytes, 14, "WMF units an inch");
    at = 22;
  }
  const std::uint16_t type = ByteCursor::U16At(bytes, at, "WMF type");
  const std::uint16_t header_words = ByteCursor::U16At(bytes, at + 2, "WMF header size");
  const std::uint16_t version = ByteCursor::U16At(bytes, at + 4, "WMF version");
  const std::uint64_t size = std::uint64_t{ByteCursor::U32At(bytes, at + 6, "WMF size")} * 2;
  if ((type != 1 && type != 2) || header_words != 9 || (version != 0x100 && version != 0x300) ||
      size < 18 || size > bytes.size() - at)
    return std::nullopt;
  Bytes metafile = bytes.subspan(at, static_cast<std::size_t>(size));
  if (!placeable) {
    const auto extent = WindowExtent(metafile.subspan(18));
    if (!extent) return std::nullopt;
    width = extent->first, height = extent->second, units = 96;
  }
  return Metafile(PictureFormat::kWmf, width, height, units, metafile);
}

std::optional<PictureLayout> Gif(Bytes bytes) {
  const std::uint16_t width = ByteCursor::U16At(bytes, 6, "GIF width");
  const std::uint16_t height = ByteCursor::U16At(bytes, 8, "GIF height");
  return Bitmap(PictureFormat::kGif, width, height, bytes);
}

}  // namespace

std::optional<PictureLayout> ExaminePicture(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > kMostPictureBytes) return std::nullopt;
  try {
    if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return Png(bytes);
    if (StartsWith(bytes, "\xFF\xD8")) return Jpeg(bytes);
    if (StartsWith(bytes, "BM")) return Dib(bytes);
    if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return Gif(bytes);
    if (StartsWith(bytes, "\xD7\xCD\xC6\x9A")) return Wmf(bytes, true);
    if (StartsWith(bytes, std::string_view("\x01\x00\x00\x00", 4)) && bytes.size() >= 44 &&
        ByteCursor::U32At(bytes, 40, "EMF signature") == 0x464D4520)
      return Emf(bytes);
    if (StartsWith(bytes, std::string_view("\x01\x00\x09\x00", 4)) ||
        StartsWith(bytes, std::string_view("\x02\x00\x09\x00", 4)))
      return Wmf(bytes, false);
  } catch (const FormatError&) {
    // A length or offset past the end: a damaged picture.
  }
  return std::nullopt;
}

}  // namespace quorlin
