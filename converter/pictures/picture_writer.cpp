// The picture group and its hex text. RTF readers ignore line breaks inside a picture's
// hex, so the hex is broken into lines of 128 digits like the documents mail programs
// write.
#include "converter/pictures/picture_writer.h"

#include <algorithm>
#include <string>
#include <vector>

namespace quorlin {
namespace {

constexpr std::uint64_t kTwipsPerPixel = 15;
constexpr std::size_t kBytesPerLine = 64;

void Put(ByteSink& out, std::string_view text) {
  out.Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// Turns the bytes it is given into lines of hex, handed on 64 KB at a time.
class HexSink : public ByteSink {
 public:
  explicit HexSink(ByteSink& out) : out_(out) { text_.reserve(kBufferSize + 8); }
  void Write(std::span<const std::uint8_t> bytes) override {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (const std::uint8_t byte : bytes) {
      if (column_ == kBytesPerLine) {
        text_ += "\r\n";
        column_ = 0;
        if (text_.size() >= kBufferSize) Flush();
      }
      text_ += kDigits[byte >> 4];
      text_ += kDigits[byte & 0xF];
      ++column_;
    }
  }
  void Flush() {
    Put(out_, text_);
    text_.clear();
  }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;
  ByteSink& out_;
  std::string text_;
  std::size_t column_ = 0;
};

const char* FormatWord(PictureFormat format) {
  switch (format) {
    case PictureFormat::kPng:
    case PictureFormat::kGif: return "\\pngblip";
    case PictureFormat::kJpeg: return "\\jpegblip";
    case PictureFormat::kDib: return "\\dibitmap0";
    case PictureFormat::kEmf: return "\\emfblip";
    case PictureFormat::kWmf: return "\\wmetafile8";
  }
  return "\\pngblip";
}

}  // namespace

ShownSize ShownPictureSize(std::uint64_t natural_width, std::uint64_t natural_height,
                           std::optional<int> width_px, std::optional<int> height_px,
                           const PageLayout& page) {
  natural_width = std::max<std::uint64_t>(natural_width, 1);
  natural_height = std::max<std::uint64_t>(natural_height, 1);
  // Sizes past the largest picture are as good as none.
  const auto pixels = [](std::optional<int> px) -> std::optional<std::uint64_t> {
    if (!px || *px <= 0 || *px > 100'000) return std::nullopt;
    return static_cast<std::uint64_t>(*px) * kTwipsPerPixel;
  };
  const std::optional<std::uint64_t> width = pixels(width_px), height = pixels(height_px);
  ShownSize shown{natural_width, natural_height};
  if (width && height) {
    shown = {*width, *height};
  } else if (width) {
    shown = {*width, std::max<std::uint64_t>(1, *width * natural_height / natural_width)};
  } else if (height) {
    shown = {std::max<std::uint64_t>(1, *height * natural_width / natural_height), *height};
  }
  const auto most_width = static_cast<std::uint64_t>(std::max(page.text_width(), 1));
  const auto most_height = static_cast<std::uint64_t>(std::max(page.text_height(), 1));
  if (shown.width > most_width) {
    shown.height = std::max<std::uint64_t>(1, shown.height * most_width / shown.width);
    shown.width = most_width;
  }
  if (shown.height > most_height) {
    shown.width = std::max<std::uint64_t>(1, shown.width * most_height / shown.height);
    shown.height = most_height;
  }
  return shown;
}

void WritePictureGroup(const PictureLayout& picture, ShownSize shown,
                       const std::function<void(ByteSink&)>& data, ByteSink& out) {
  const std::string opening = std::string("{\\pict") + FormatWord(picture.format) +
                              "\\picw" + std::to_string(picture.width) + "\\pich" +
                              std::to_string(picture.height) + "\\picwgoal" +
                              std::to_string(shown.width) + "\\pichgoal" +
                              std::to_string(shown.height) + "\r\n";
  Put(out, opening);
  HexSink hex(out);
  data(hex);
  hex.Flush();
  Put(out, "}");
}

void WritePictureGroup(const PictureLayout& picture, ShownSize shown, ByteSink& out) {
  WritePictureGroup(picture, shown, [&picture](ByteSink& hex) {
    hex.Write(picture.head);
    hex.Write(picture.body);
  }, out);
}

}  // namespace quorlin
