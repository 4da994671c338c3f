// GIF to PNG. giflib reads from memory through a read function; libpng writes through a
// write function. libpng reports errors by a long jump back to the setjmp in
// WriteFrameAsPng, so nothing with a destructor lives between the two, and a failure of
// the sink is carried across as a saved exception and thrown again afterwards.
#include "converter/pictures/picture_gif.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <stdexcept>

#include "converter/pictures/picture_formats.h"

namespace quorlin {
namespace {

struct GifInput {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

int ReadGif(GifFileType* gif, GifByteType* buffer, int length) {
  auto* input = static_cast<GifInput*>(gif->UserData);
  const std::size_t count = std::min(static_cast<std::size_t>(length < 0 ? 0 : length),
                                     input->bytes.size() - input->at);
  std::memcpy(buffer, input->bytes.data() + input->at, count);
  input->at += count;
  return static_cast<int>(count);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// Reads the image that `gif` has just described into `frame`. False when it is damaged.
bool ReadImage(GifFileType* gif, GifFrame& frame) {
  const GifImageDesc& image = gif->Image;
  if (image.Width <= 0 || image.Height <= 0) return false;
  const auto width = static_cast<std::uint64_t>(image.Width), height = static_cast<std::uint64_t>(image.Height);
  if (width > kMostPicturePixels || height > kMostPicturePixels || width * height > kMostGifPixels)
    return false;
  const ColorMapObject* colours = image.ColorMap != nullptr ? image.ColorMap : gif->SColorMap;
  if (colours == nullptr || colours->ColorCount <= 0 || colours->ColorCount > 256) return false;
  frame.width = static_cast<std::uint32_t>(width);
  frame.height = static_cast<std::uint32_t>(height);
  for (int i = 0; i < colours->ColorCount; ++i) {
    frame.palette.push_back(colours->Colors[i].Red);
    frame.palette.push_back(colours->Colors[i].Green);
    frame.palette.push_back(colours->Colors[i].Blue);
  }
  frame.pixels.assign(width * height, 0);
  const auto read_row = [&](std::uint64_t row) {
    return DGifGetLine(gif, frame.pixels.data() + row * width, image.Width) == GIF_OK;
  };
  if (image.Interlace) {
    static constexpr std::uint64_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (std::uint64_t row = kStart[pass]; row < height; row += kStep[pass])
        if (!read_row(row)) return false;
  } else {
    for (std::uint64_t row = 0; row < height; ++row)
      if (!read_row(row)) return false;
  }
  if (frame.transparent >= colours->ColorCount) frame.transparent = -1;
  for (std::uint8_t& pixel : frame.pixels)
    if (pixel >= colours->ColorCount) pixel = 0;
  return true;
}

struct PngOutput {
  ByteSink* out;
  std::exception_ptr failure;
};

void WritePng(png_structp png, png_bytep data, png_size_t length) {
  auto* output = static_cast<PngOutput*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    output->out->Write({data, length});
  } catch (...) {
    output->failure = std::current_exception();
    failed = true;
  }
  if (failed) png_error(png, "the document could not take the picture");
}

void FlushPng(png_structp) {}

// libpng's own handlers print to the standard error; the converter keeps it for its reason.
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// The libpng calls between setjmp and the end; false when libpng reported an error.
bool EncodePng(png_structp png, png_infop info, const GifFrame& frame, png_bytep* rows,
               const png_color* palette, const png_byte* alpha, int alpha_count) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, frame.width, frame.height, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_PLTE(png, info, palette, static_cast<int>(frame.palette.size() / 3));
  if (alpha_count > 0) png_set_tRNS(png, info, alpha, alpha_count, nullptr);
  png_set_rows(png, info, rows);
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  return true;
}

}  // namespace

std::optional<GifFrame> DecodeGifFirstFrame(std::span<const std::uint8_t> bytes) {
  GifInput input{bytes};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, ReadGif, &error));
  if (!gif) return std::nullopt;
  GifFrame frame;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return std::nullopt;
    if (record == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) != GIF_OK || !ReadImage(gif.get(), frame)) return std::nullopt;
      return frame;
    }
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) != GIF_OK) return std::nullopt;
      // The graphic control block before the first frame says which index is transparent.
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
          frame.transparent = control.TransparentColor;
      }
      while (block != nullptr)
        if (DGifGetExtensionNext(gif.get(), &block) != GIF_OK) return std::nullopt;
    } else {
      return std::nullopt;  // the trailer, or anything else, before a frame
    }
  }
}

void WriteFrameAsPng(const GifFrame& frame, ByteSink& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    throw std::bad_alloc();
  }
  PngOutput output{&out, nullptr};
  png_set_write_fn(png, &output, WritePng, FlushPng);
  std::vector<png_bytep> rows(frame.height);
  for (std::uint32_t row = 0; row < frame.height; ++row)
    rows[row] = const_cast<png_bytep>(frame.pixels.data() + std::size_t{row} * frame.width);
  std::vector<png_color> palette(frame.palette.size() / 3);
  for (std::size_t i = 0; i < palette.size(); ++i)
    palette[i] = {frame.palette[3 * i], frame.palette[3 * i + 1], frame.palette[3 * i + 2]};
  // Every index opaque but the transparent one.
  std::vector<png_byte> alpha(frame.transparent >= 0 ? frame.transparent + 1 : 0, 255);
  if (frame.transparent >= 0) alpha[frame.transparent] = 0;
  const bool written = EncodePng(png, info, frame, rows.data(), palette.data(), alpha.data(),
                                 static_cast<int>(alpha.size()));
  png_destroy_write_struct(&png, &info);
  if (output.failure) std::rethrow_exception(output.failure);
  if (!written) throw std::runtime_error("the picture could not be encoded as PNG");
}

}  // namespace quorlin
