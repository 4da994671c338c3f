// Pictures: each format's header checks (damaged and oversized pictures refused), a GIF
// made with giflib turned into PNG, the size a picture is shown at, the <img> tag's
// attributes, the placer over bodies split anywhere, and whole messages converted with
// pictures on: HTML carried in RTF, native attachment placeholders, and the option off.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

#include "converter/document/attachment_saver.h"
#include "converter/cfb/compound_file.h"
#include "converter/conversion.h"
#include "converter/msg/message.h"
#include "converter/document/message_document.h"
#include "converter/document/picture_attachments.h"
#include "converter/pictures/picture_formats.h"
#include "converter/pictures/picture_gif.h"
#include "converter/pictures/picture_placement.h"
#include "converter/pictures/picture_tag.h"
#include "converter/pictures/picture_writer.h"
#include "converter/files/atomic_file.h"
#include "converter/output/output_file.h"
#include "converter/stop_signals.h"
#include "msgwriter/message_builder.h"
#include "support/slow_message.h"
#include "support/temp_tree.h"

namespace quorlin {
namespace {

using Bytes = std::vector<std::uint8_t>;

// `size` bytes of `value`, zeros past its eight.
void Le(Bytes& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
}
void Be(Bytes& out, std::uint32_t value, int size) {
  for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PngChunk(Bytes& png, const char* type, const Bytes& data) {
  Be(png, static_cast<std::uint32_t>(data.size()), 4);
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  Be(png, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))), 4);
}

// A grey PNG of the given size.
Bytes Png(std::uint32_t width, std::uint32_t height) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  Be(header, width, 4);
  Be(header, height, 4);
  header.insert(header.end(), {8, 0, 0, 0, 0});
  PngChunk(png, "IHDR", header);
  const Bytes rows(std::size_t{height} * (width + 1), 0x80);
  Bytes packed(compressBound(static_cast<uLong>(rows.size())));
  uLongf packed_size = static_cast<uLongf>(packed.size());
  compress(packed.data(), &packed_size, rows.data(), static_cast<uLong>(rows.size()));
  packed.resize(packed_size);
  PngChunk(png, "IDAT", packed);
  PngChunk(png, "IEND", {});
  return png;
}

Bytes Jpeg(std::uint16_t width, std::uint16_t height) {
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  jpeg.insert(jpeg.end(), {0xFF, 0xFF, 0xC0, 0, 17, 8});  // a fill byte before the frame
  Be(jpeg, height, 2);
  Be(jpeg, width, 2);
  jpeg.insert(jpeg.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1, 0xFF, 0xDA, 0, 2, 0x55, 0xFF, 0xD9});
  return jpeg;
}

// A 24-bit BMP whose pixels begin `gap` bytes after its header.
Bytes Bmp(std::int32_t width, std::int32_t height, std::uint32_t gap = 0) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 24 + 31) / 32 * 4;
  Bytes bmp = {'B', 'M'};
  Le(bmp, 54 + gap + stride * static_cast<std::uint32_t>(std::abs(height)), 4);
  Le(bmp, 0, 4);
  Le(bmp, 54 + gap, 4);
  Le(bmp, 40, 4);
  Le(bmp, static_cast<std::uint32_t>(width), 4);
  Le(bmp, static_cast<std::uint32_t>(height), 4);
  Le(bmp, 1, 2);
  Le(bmp, 24, 2);
  Le(bmp, 0, 24);
  bmp.resize(bmp.size() + gap, 0xEE);
  for (std::uint32_t i = 0; i < stride * static_cast<std::uint32_t>(std::abs(height)); ++i)
    bmp.push_back(static_cast<std::uint8_t>(i));
  return bmp;
}

// An EMF header record with its frame in hundredths of a millimetre, then one record.
Bytes Emf(std::int32_t frame_width, std::int32_t frame_height, std::uint32_t stated_size = 108) {
  Bytes emf;
  Le(emf, 1, 4);
  Le(emf, 88, 4);
  Le(emf, 0, 16);  // bounds
  Le(emf, 0, 8);   // frame left, top
  Le(emf, static_cast<std::uint32_t>(frame_width), 4);
  Le(emf, static_cast<std::uint32_t>(frame_height), 4);
  Le(emf, 0x464D4520, 4);
  Le(emf, 0x10000, 4);
  Le(emf, stated_size, 4);
  Le(emf, 2, 4);
  emf.resize(88, 0);
  Le(emf, 14, 4);  // EMR_EOF
  Le(emf, 20, 4);
  Le(emf, 0, 12);
  return emf;
}

// A metafile of one SetWindowExt record and the end record, placeable or not.
Bytes Wmf(bool placeable, std::uint32_t stated_words = 9 + 5 + 3) {
  Bytes wmf;
  if (placeable) {
    Le(wmf, 0x9AC6CDD7, 4);
    Le(wmf, 0, 2);
    Le(wmf, 0, 4);     // left, top
    Le(wmf, 2880, 2);  // right: 2 inches at 1440 an inch
    Le(wmf, 1440, 2);  // bottom
    Le(wmf, 1440, 2);
    Le(wmf, 0, 6);
  }
  Le(wmf, 1, 2);
  Le(wmf, 9, 2);
  Le(wmf, 0x300, 2);
  Le(wmf, stated_words, 4);
  Le(wmf, 0, 2);
  Le(wmf, 5, 4);
  Le(wmf, 0, 2);
  Le(wmf, 5, 4);
  Le(wmf, 0x020C, 2);
  Le(wmf, 48, 2);  // height, then width, in pixels
  Le(wmf, 96, 2);
  Le(wmf, 3, 4);
  Le(wmf, 0, 2);
  return wmf;
}

int WriteToVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

// A GIF made with giflib: `frames` frames of 3 by 2 pixels (the first one interlaced,
// index 2 transparent), pixel values frame * 10 + position.
Bytes Gif(int frames = 1) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToVector, &error);
  GifColorType colours[32] = {};
  for (int i = 0; i < 32; ++i) colours[i] = {static_cast<GifByteType>(i * 8), 0, static_cast<GifByteType>(255 - i)};
  ColorMapObject* map = GifMakeMapObject(32, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, 3, 2, 5, 0, map);
  for (int frame = 0; frame < frames; ++frame) {
    GraphicsControlBlock control{0, false, 0, 2};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
    EGifPutImageDesc(gif, 0, 0, 3, 2, frame == 0, nullptr);
    // An interlaced frame of two rows is written row 0, then row 1.
    for (int row = 0; row < 2; ++row) {
      GifPixelType line[3];
      for (int x = 0; x < 3; ++x) line[x] = static_cast<GifPixelType>(frame * 10 + row * 3 + x);
      EGifPutLine(gif, line, 3);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

std::string Hex(const Bytes& bytes) {
  std::string hex;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % 64 == 0) hex += "\r\n";
    static constexpr char kDigits[] = "0123456789abcdef";
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

Bytes Unhex(std::string_view hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size();) {
    if (hex[i] == '\r' || hex[i] == '\n') {
      ++i;
      continue;
    }
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    i += 2;
  }
  return bytes;
}

TEST(PictureFormatTest, EachFormatIsKnownByItsBytesAndSized) {
  const Bytes png = Png(20, 10);
  std::optional<PictureLayout> layout = ExaminePicture(png);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->format, PictureFormat::kPng);
  EXPECT_EQ(layout->width, 20u);
  EXPECT_EQ(layout->natural_width, 300u);
  EXPECT_EQ(layout->head.size(), png.size());

  layout = ExaminePicture(Jpeg(640, 480));
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->format, PictureFormat::kJpeg);
  EXPECT_EQ(layout->width, 640u);
  EXPECT_EQ(layout->height, 480u);

  // The BMP's file header is dropped and the pixels follow the header directly, even
  // where the file leaves a gap before them; rows top to bottom count by their size.
  const Bytes bmp = Bmp(3, -2, 6);
  layout = ExaminePicture(bmp);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->format, PictureFormat::kDib);
  EXPECT_EQ(layout->height, 2u);
  EXPECT_EQ(layout->head.data(), bmp.data() + 14);
  EXPECT_EQ(layout->head.size(), 40u);
  EXPECT_EQ(layout->body.data(), bmp.data() + 60);
  EXPECT_EQ(layout->body.size(), 24u);

  layout = ExaminePicture(Emf(2540, 1270));  // 1 inch by half an inch
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->format, PictureFormat::kEmf);
  EXPECT_EQ(layout->width, 2540u);
  EXPECT_EQ(layout->natural_width, 1440u);
  EXPECT_EQ(layout->natural_height, 720u);
  EXPECT_EQ(layout->head.size(), 108u);

  // A placeable metafile loses its 22-byte header and is sized by its bounds; one
  // without is sized by its window extent, in pixels.
  const Bytes placeable = Wmf(true);  // the layout's spans point into it
  layout = ExaminePicture(placeable);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->format, PictureFormat::kWmf);
  EXPECT_EQ(layout->head.size(), 34u);
  EXPECT_EQ(layout->head[0], 1);
  EXPECT_EQ(layout->natural_width, 2880u);
  EXPECT_EQ(layout->width, 5080u);
  layout = ExaminePicture(Wmf(false));
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->natural_width, 1440u);
  EXPECT_EQ(layout->natural_height, 720u);

  layout = ExaminePicture(Gif());
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->format, PictureFormat::kGif);
}

TEST(PictureFormatTest, DamagedOversizedAndOtherPicturesAreRefused) {
  Bytes bad_crc = Png(4, 4);
  bad_crc[bad_crc.size() - 20] ^= 1;  // inside the image data
  Bytes cut = Png(4, 4);
  cut.resize(cut.size() - 12);  // no IEND
  Bytes zero_width = Png(4, 4);
  std::fill(zero_width.begin() + 16, zero_width.begin() + 20, 0);
  Bytes cut_bmp = Bmp(4, 4);
  cut_bmp.pop_back();
  Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
  Bytes jpeg_scan_first = Jpeg(8, 8);
  jpeg_scan_first[3] = 0xDA;  // image data before the frame header
  Bytes jpeg_long_segment = Jpeg(8, 8);
  jpeg_long_segment[5] = 0xFF;
  const std::vector<Bytes> refused = {
      bad_crc, cut, zero_width, Png(30'001, 1), Jpeg(0, 10), Jpeg(40'000, 10), jpeg_scan_first,
      jpeg_long_segment, cut_bmp, Bmp(30'001, 1), Emf(0, 100), Emf(2540, 2540, 4000),
      Wmf(true, 4000), Wmf(false, 9 + 3), tiff, {'G', 'I', 'F', '8', '9', 'a', 1}, {}, {0x89, 'P', 'N', 'G'}};
  for (std::size_t i = 0; i < refused.size(); ++i)
    EXPECT_FALSE(ExaminePicture(refused[i])) << "case " << i;
}

// A PNG whose header claims `width` by `height` pixels, its CRC right, its data a few bytes.
Bytes PngHeader(std::uint32_t width, std::uint32_t height) {
  Bytes png = Png(4, 4);
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  const auto crc = static_cast<std::uint32_t>(::crc32(0, png.data() + 12, 17));
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return png;
}

// One bound of pixels for every format, from the picture's own header: 32 million (8192
// by 4096) passes, one row more does not, nor 30000 by 30000 in a few bytes.
TEST(PictureFormatTest, EveryFormatHasOneBoundOfPixels) {
  for (const Bytes& fits : {Jpeg(8192, 4096), PngHeader(4096, 8192), Emf(2540 * 80, 2540 * 40)})
    EXPECT_TRUE(ExaminePicture(fits));
  const std::vector<Bytes> refused = {Jpeg(30000, 30000), Jpeg(8192, 4097), PngHeader(30000, 30000),
                                      PngHeader(4097, 8192), Emf(793750, 793750), Emf(2540 * 80, 2540 * 50)};
  for (std::size_t i = 0; i < refused.size(); ++i) EXPECT_FALSE(ExaminePicture(refused[i])) << "case " << i;
}

TEST(PictureFormatTest, GifFirstFrameBecomesAPngWithItsTransparency) {
  const std::optional<GifFrame> frame = DecodeGifFirstFrame(Gif(2));
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->width, 3u);
  EXPECT_EQ(frame->height, 2u);
  EXPECT_EQ(frame->pixels, (Bytes{0, 1, 2, 3, 4, 5}));  // interlaced rows back in order
  EXPECT_EQ(frame->transparent, 2);
  EXPECT_EQ(frame->palette.size(), 96u);

  Bytes png;
  VectorSink sink(png);
  WriteFrameAsPng(*frame, sink);
  const std::optional<PictureLayout> layout = ExaminePicture(png);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->format, PictureFormat::kPng);
  EXPECT_EQ(layout->width, 3u);
  EXPECT_NE(std::search(png.begin(), png.end(), std::begin("tRNS"), std::end("tRNS") - 1), png.end());

  Bytes cut = Gif();
  cut.resize(cut.size() - 8);
  EXPECT_FALSE(DecodeGifFirstFrame(cut));
  EXPECT_FALSE(DecodeGifFirstFrame(Bytes{'G', 'I', 'F', '8', '9', 'a', 3, 0, 2, 0, 0, 0, 0, 0x3B}));
}

TEST(PictureWriterTest, SizeFromTheTagElseThePictureFittedToTheTextWidth) {
  const auto size = [](std::uint64_t w, std::uint64_t h, std::optional<int> wp, std::optional<int> hp) {
    const ShownSize shown = ShownPictureSize(w, h, wp, hp);
    return std::to_string(shown.width) + "x" + std::to_string(shown.height);
  };
  EXPECT_EQ(size(300, 150, {}, {}), "300x150");
  EXPECT_EQ(size(300, 150, 40, 30), "600x450");
  EXPECT_EQ(size(300, 150, 40, {}), "600x300");
  EXPECT_EQ(size(300, 150, {}, 40), "1200x600");
  EXPECT_EQ(size(18720, 900, {}, {}), "9360x450");
  EXPECT_EQ(size(300, 150, 1248, 10), "9360x75");
  EXPECT_EQ(size(300, 150, 0, -5), "300x150");
  // Taller than the page's text: as tall as the text area, its aspect kept.
  EXPECT_EQ(size(600, 30000, {}, {}), "259x12960");
  EXPECT_EQ(size(300, 150, 400, 2000), "2592x12960");
  EXPECT_EQ(size(30000, 60000, {}, {}), "6480x12960") << "too wide and too tall: the tighter bound";
  const ShownSize a4 = ShownPictureSize(18720, 60000, {}, {}, PageLayout{11906, 16838});
  EXPECT_EQ(std::to_string(a4.width) + "x" + std::to_string(a4.height), "4354x13958") << "an A4 page";
}

TEST(PictureWriterTest, PictureGroupIsTheBytesAsLinesOfHex) {
  const Bytes png = Png(2, 1);
  Bytes out;
  VectorSink sink(out);
  WritePictureGroup(*ExaminePicture(png), {30, 15}, sink);
  EXPECT_EQ(std::string(out.begin(), out.end()),
            "{\\pict\\pngblip\\picw2\\pich1\\picwgoal30\\pichgoal15\r\n" + Hex(png) + "}");
}

TEST(PictureTagTest, ImgAttributesInEveryQuotingAndCase) {
  std::optional<ImageRef> ref = ParseImageTag(
      "<IMG Alt='Caf\xe9 &amp; co' hspace=0 SRC=\"cid:a&amp;b@x\"  width=120px height=\"50%\" src=second>", 1252);
  ASSERT_TRUE(ref);
  EXPECT_EQ(ref->src, "cid:a&b@x");
  EXPECT_EQ(ref->alt, u"Caf\u00e9 & co");
  EXPECT_EQ(ref->width_px, 120);
  EXPECT_FALSE(ref->height_px);

  ref = ParseImageTag(" <img src=cid:plain />", 1252);
  ASSERT_TRUE(ref);
  EXPECT_EQ(ref->src, "cid:plain");
  EXPECT_TRUE(ref->alt.empty());

  EXPECT_FALSE(ParseImageTag("<imgx src=a>", 1252));
  EXPECT_FALSE(ParseImageTag("<p>", 1252));
  EXPECT_FALSE(ParseImageTag("</img>", 1252));
}

// Writes markers instead of pictures, so the places are plain to see.
class MarkerPictures : public BodyPictures {
 public:
  void WriteImage(const ImageRef& ref, ByteSink& out) override {
    std::string marker = "<" + ref.src + "|" + std::string(ref.alt.begin(), ref.alt.end()) + "|" +
                         (ref.width_px ? std::to_string(*ref.width_px) : "") + ">";
    if (ref.src == "none") marker.clear();
    out.Write({reinterpret_cast<const std::uint8_t*>(marker.data()), marker.size()});
  }
  void WriteNextAttachment(ByteSink& out) override {
    out.Write({reinterpret_cast<const std::uint8_t*>("<next>"), 6});
  }
  void SkipNextAttachment() override {}
};

std::string Place(std::string_view rtf, std::size_t piece) {
  Bytes out;
  VectorSink sink(out);
  MarkerPictures pictures;
  PicturePlacer placer(sink, pictures);
  for (std::size_t at = 0; at < rtf.size(); at += piece)
    placer.Write({reinterpret_cast<const std::uint8_t*>(rtf.data()) + at, std::min(piece, rtf.size() - at)});
  return std::string(out.begin(), out.end());
}

// Every split of the body into pieces gives the same document: tags and control words
// split between pieces are read whole.
TEST(PicturePlacerTest, PlacesAfterTagsAndPlaceholdersHoweverTheBodyIsSplit) {
  const std::string html =
      "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 {\\*\\htmltag84 <IMG alt=\"A &amp; \\'e9\\{\" src=\"cid:one\" \\par "
      "width=\\'31\\'32>}\\htmlrtf \\objattph  \\htmlrtf0 {\\*\\mhtmltag84 <img src=\"cid:no\">}"
      "{\\*\\htmltag4 <p>}{\\*\\htmltag4 <img src=none>}\\bin4 {}}x{\r\n\\*\\htmltag0 <img {\\b src}=x>}end}";
  const std::string placed =
      "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 {\\*\\htmltag84 <IMG alt=\"A &amp; \\'e9\\{\" src=\"cid:one\" \\par "
      "width=\\'31\\'32>}{\\htmlrtf <cid:one|A & \xe9{|12>\\htmlrtf0 }\\htmlrtf \\objattph  \\htmlrtf0 "
      "{\\*\\mhtmltag84 <img src=\"cid:no\">}{\\*\\htmltag4 <p>}{\\*\\htmltag4 <img src=none>}\\bin4 {}}x"
      "{\r\n\\*\\htmltag0 <img {\\b src}=x>}{\\htmlrtf <x||>\\htmlrtf0 }end}";
  const std::string native = "{\\rtf1 a\\objattph  b\\objattph\\par c\\objattphx d\\objattph}";
  const std::string native_placed = "{\\rtf1 a\\objattph <next> b\\objattph<next>\\par c\\objattphx d\\objattph<next>}";
  // Inside a group no reader shows, nothing is placed: the picture would show nowhere.
  const std::string hidden =
      "{\\rtf1\\fromhtml1 {\\*\\mhtmlignore {\\*\\htmltag84 <img src=a>}}{\\*\\x{\\*\\htmltag84 <img src=b>}}"
      "{\\fonttbl{\\*\\htmltag84 <img src=c>}}{\\*\\htmltag84 <img src=d>}}";
  const std::string hidden_placed =
      "{\\rtf1\\fromhtml1 {\\*\\mhtmlignore {\\*\\htmltag84 <img src=a>}}{\\*\\x{\\*\\htmltag84 <img src=b>}}"
      "{\\fonttbl{\\*\\htmltag84 <img src=c>}}{\\*\\htmltag84 <img src=d>}{\\htmlrtf <d||>\\htmlrtf0 }}";
  const std::string hidden_native = "{\\rtf1 {\\*\\x \\objattph } {\\info\\objattph } \\objattph }";
  for (std::size_t piece = 1; piece <= html.size(); ++piece) {
    ASSERT_EQ(Place(html, piece), placed) << "pieces of " << piece;
    ASSERT_EQ(Place(native, piece), native_placed) << "pieces of " << piece;
    ASSERT_EQ(Place(hidden, piece), hidden_placed) << "pieces of " << piece;
    ASSERT_EQ(Place(hidden_native, piece), "{\\rtf1 {\\*\\x \\objattph } {\\info\\objattph } \\objattph <next>}")
        << "pieces of " << piece;
  }
}

using msgwriter::MessageBuilder;

std::string Convert(const Bytes& msg, bool pictures) {
  ConversionOptions options;
  options.pictures = pictures;
  const Bytes document = ConvertMessage(msg, options);
  return std::string(document.begin(), document.end());
}

msgwriter::StorageBuilder& Attach(MessageBuilder& builder, const Bytes& data, std::u16string_view name) {
  msgwriter::StorageBuilder& attachment = builder.AddAttachment(1);
  attachment.AddBinary(0x3701, data).AddUnicode(0x3707, name);
  return attachment;
}

// Removes every {\htmlrtf ...\htmlrtf0 } group the pictures added.
std::string WithoutAdded(std::string document) {
  for (std::size_t at; (at = document.find("{\\htmlrtf ")) != std::string::npos;)
    document.erase(at, document.find("\\htmlrtf0 }", at) + 11 - at);
  return document;
}

TEST(PictureConversionTest, HtmlInRtfShowsTheAttachmentsItsTagsName) {
  const std::string rtf =
      "{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag84 <img width=2 src=\"cid:one@x\">}"
      "{\\*\\htmltag84 <img src=\"two.gif\">}{\\*\\htmltag84 <img src=cid:Three.BMP>}"
      "{\\*\\htmltag84 <img src=cid:gone alt=\"Gone picture\">}{\\*\\htmltag84 <img src=\"https://x/y.png\" alt=Logo>}"
      "{\\*\\htmltag84 <img src=\"http://x/z.png\">}{\\*\\htmltag84 <img src=cid:broken>}"
      "{\\*\\htmltag84 <img src=cid:scan>}text}";
  Bytes damaged = Png(2, 2);
  damaged[30] ^= 0xFF;
  MessageBuilder builder;
  builder.AddRtfBody(rtf);
  Attach(builder, Png(4, 2), u"one.png").AddUnicode(0x3712, u"<one@x>").AddInt32(0x7FFE, 1);
  Attach(builder, Gif(), u"two.gif").AddUnicode(0x3713, u"two.gif");
  Attach(builder, Bmp(2, 2), u"three.bmp");
  Attach(builder, damaged, u"broken.png").AddUnicode(0x3712, u"broken");
  Attach(builder, {'I', 'I', 42, 0}, u"scan.tif").AddUnicode(0x3712, u"scan");
  Attach(builder, Png(1, 1), u"unused.png").AddUnicode(0x3712, u"unused");
  const Bytes msg = builder.Build();

  EXPECT_EQ(Convert(msg, false), rtf + "\r\n") << "the option off leaves the body as it is";
  const std::string document = Convert(msg, true);
  EXPECT_EQ(WithoutAdded(document), rtf + "\r\n") << "only groups are added";
  const std::string first = "{\\htmlrtf {\\pict\\pngblip\\picw4\\pich2\\picwgoal30\\pichgoal15\r\n" + Hex(Png(4, 2)) +
                            "}\\htmlrtf0 }";
  EXPECT_EQ(document.find(first), document.find(">}") + 2) << document;
  const std::size_t gif = document.find("{\\pict\\pngblip\\picw3\\pich2\\picwgoal45\\pichgoal30\r\n");
  ASSERT_NE(gif, std::string::npos);
  const std::size_t hex = document.find('\n', gif) + 1;
  EXPECT_TRUE(ExaminePicture(Unhex(std::string_view(document).substr(hex, document.find('}', hex) - hex))));
  EXPECT_NE(document.find("{\\pict\\dibitmap0\\picw2\\pich2"), std::string::npos);
  for (const char* text : {"{\\uc1 [Gone picture]}", "{\\uc1 [Logo]}", "{\\uc1 [broken.png]}", "{\\uc1 [scan.tif]}"})
    EXPECT_NE(document.find(text), std::string::npos) << text;
  EXPECT_EQ(document.find("z.png\">}{\\htmlrtf"), std::string::npos) << "no alt, nothing";
  EXPECT_EQ(std::count(document.begin(), document.end(), '['), 4);

  std::unique_ptr<Message> message = Message::Open(msg);
  EXPECT_EQ(PicturesTheBodyShows(*message), (std::set<std::size_t>{0, 1, 2}));
}

TEST(PictureConversionTest, NativePlaceholdersTakeTheAttachmentsInRenderingOrder) {
  const std::string rtf = "{\\rtf1\\ansi a\\objattph  b\\objattph  c\\objattph  d\\objattph  e}";
  MessageBuilder builder;
  builder.AddRtfBody(rtf);
  Attach(builder, Png(1, 1), u"last.png").AddInt32(0x370B, 50);
  Attach(builder, Png(3, 3), u"unplaced.png").AddInt32(0x370B, -1);
  Attach(builder, {'t', 'e', 'x', 't'}, u"notes.txt").AddInt32(0x370B, 10);
  msgwriter::StorageBuilder& embedded = builder.AddAttachment(5);
  embedded.AddFixed(0x3701, 0x000D, 0xFFFFFFFFu).AddInt32(0x370B, 30).AddUnicode(0x3001, u"Forwarded");
  embedded.AddSubStorage(msgwriter::PropertyName(0x3701, 0x000D), 24).AddRtfBody("{\\rtf1 inner}");
  const Bytes msg = builder.Build();

  const std::string document = Convert(msg, true);
  EXPECT_EQ(document.substr(0, document.find("{\\pict")),
            "{\\rtf1\\ansi a\\objattph {\\uc1 [notes.txt]} b\\objattph {\\uc1 [Forwarded]} c\\objattph ");
  EXPECT_EQ(document.substr(document.find("}", document.find("{\\pict"))), "} d\\objattph  e}\r\n");
  EXPECT_NE(document.find("\\picw1\\pich1\\picwgoal15\\pichgoal15"), std::string::npos);
  EXPECT_EQ(PicturesTheBodyShows(*Message::Open(msg)), (std::set<std::size_t>{0}));
  EXPECT_EQ(Convert(msg, false), rtf + "\r\n");
}

// The attachment data comes from the input as the file has it: a picture in several
// sectors, a picture property of the wrong type, and a message without a rich-text body.
// The pictures a body shows are attachments the mail program hides: when the document
// does not show them they are saved with the attachments (and listed), never lost; when
// it does, they are neither saved nor listed. Hidden attachments the body does not show
// stay unsaved. The same for HTML carried in RTF whose table grid makes the document.
TEST(PictureConversionTest, PicturesNotShownAreSavedWithTheAttachments) {
  const TempTree tree;
  const std::filesystem::path root = tree.Root();
  for (const std::string rtf : {"{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag84 <img src=\"cid:one@x\">}text}",
                                "{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag64 <table><tr><td>}x{\\*\\htmltag84 "
                                "<img src=\"cid:one@x\">}{\\*\\htmltag64 </td></tr></table>}}"}) {
    MessageBuilder builder;
    builder.AddRtfBody(rtf);
    Attach(builder, Png(4, 2), u"one.png").AddUnicode(0x3712, u"<one@x>").AddBoolean(0x7FFE, true);
    Attach(builder, {'B', 'E', 'G', 'I', 'N'}, u"calendar.ics").AddBoolean(0x7FFE, true);
    Attach(builder, {'%', 'P', 'D', 'F'}, u"report.pdf");
    const Bytes msg = builder.Build();
    const std::unique_ptr<Message> message = Message::Open(msg);
    ConversionOptions options;
    options.attachments = true;
    const SavedAttachments saved = SaveAttachments(*message, root / "off", options);
    EXPECT_EQ(saved.names, (std::vector<std::u16string>{u"one.png", u"report.pdf"})) << rtf;
    EXPECT_TRUE(std::filesystem::exists(root / "off" / "one.png"));
    EXPECT_FALSE(std::filesystem::exists(root / "off" / "calendar.ics"));

    options.pictures = true;
    const std::set<std::size_t> shown = PicturesShown(*message, options);
    EXPECT_EQ(shown, std::set<std::size_t>{0});
    EXPECT_EQ(SaveAttachments(*message, root / "on", options, shown).names,
              std::vector<std::u16string>{u"report.pdf"});
    EXPECT_FALSE(std::filesystem::exists(root / "on" / "one.png"));
    const std::string document = Convert(msg, true);
    EXPECT_NE(document.find("{\\pict\\pngblip\\picw4\\pich2"), std::string::npos) << document;
    std::filesystem::remove_all(root / "off");
    std::filesystem::remove_all(root / "on");
  }
}

TEST(PictureConversionTest, HostileAttachmentsShowByNameAndOtherBodiesAreUnchanged) {
  const std::string rtf = "{\\rtf1 \\objattph  \\objattph  \\objattph }";
  MessageBuilder builder;
  builder.AddRtfBody(rtf);
  Attach(builder, Png(300, 200), u"large.png").AddInt32(0x370B, 1);
  builder.AddAttachment(1).AddUnicode(0x3701, u"not bytes").AddUnicode(0x3707, u"odd.png").AddInt32(0x370B, 2);
  builder.AddAttachment(1).AddInt32(0x370B, 3);  // no name, no data
  const std::string document = Convert(builder.Build(), true);
  EXPECT_NE(document.find("\\picw300\\pich200\\picwgoal4500\\pichgoal3000"), std::string::npos);
  EXPECT_NE(document.find("{\\uc1 [odd.png]}"), std::string::npos);
  EXPECT_EQ(document.substr(document.size() - 24), "[odd.png]} \\objattph }\r\n") << "nothing for no name";

  MessageBuilder text;
  text.AddUnicode(0x1000, u"plain \\objattph text");
  Attach(text, Png(1, 1), u"a.png").AddInt32(0x370B, 0);
  EXPECT_EQ(Convert(text.Build(), true), Convert(text.Build(), false));
  EXPECT_TRUE(PicturesTheBodyShows(*Message::Open(text.Build())).empty());
}

using test_support::PlainGif;

// A body may name one picture any number of times. Each time costs its bytes (and a
// GIF's decoded pixels); past a bound of work further pictures show by name, so a small
// message can neither ask for a document of terabytes nor keep the converter for hours.
TEST(PictureConversionTest, PictureWorkIsBoundedHoweverOftenTheBodyNamesAPicture) {
  // A PNG of 40 MB (a large text chunk before its image data), named 10 times.
  Bytes big = Png(2, 2);
  Bytes text(std::size_t{40} << 20, 'x');
  Bytes chunk;
  PngChunk(chunk, "tEXt", text);
  big.insert(big.begin() + 33, chunk.begin(), chunk.end());
  ASSERT_TRUE(ExaminePicture(big));
  // A GIF frame of 32 million pixels from a file of a few KB, named 10 times.
  const Bytes gif = PlainGif(8192, 4096);
  ASSERT_LT(gif.size(), 200'000u);
  for (const auto& [picture, key] : {std::pair<const Bytes*, const char*>{&big, "big"}, {&gif, "gif"}}) {
    std::string rtf = "{\\rtf1\\ansi\\fromhtml1 ";
    for (int i = 0; i < 10; ++i) rtf += std::string("{\\*\\htmltag84 <img src=cid:") + key + ">}";
    rtf += "{\\*\\htmltag84 <img src=cid:small>}}";
    MessageBuilder builder;
    builder.AddRtfBody(rtf);
    Attach(builder, *picture, u"big").AddUnicode(0x3712, std::u16string(key, key + 3));
    Attach(builder, Png(1, 1), u"small.png").AddUnicode(0x3712, u"small");
    EXPECT_EQ(PicturesTheBodyShows(*Message::Open(builder.Build())), (std::set<std::size_t>{0})) << key;
  }
}

// The pixels of the whole document are bounded too: five pictures of 32 million pixels
// each, a few bytes apiece, show four and the fifth by name.
TEST(PictureConversionTest, TheDocumentsPicturePixelsAreBounded) {
  std::string rtf = "{\\rtf1\\ansi\\fromhtml1 ";
  MessageBuilder builder;
  for (int i = 0; i < 5; ++i) {
    const std::string name = "p" + std::to_string(i) + ".jpg";
    rtf += "{\\*\\htmltag84 <img src=" + name + ">}";
    Attach(builder, Jpeg(8192, 4096), std::u16string(name.begin(), name.end()));
  }
  builder.AddRtfBody(rtf + "}");
  const Bytes msg = builder.Build();
  EXPECT_EQ(PicturesTheBodyShows(*Message::Open(msg)), (std::set<std::size_t>{0, 1, 2, 3}));
  const std::string document = Convert(msg, true);
  EXPECT_NE(document.find("{\\uc1 [p4.jpg]}"), std::string::npos);
}

// A picture the body places where no reader shows it counts as not shown: saving the
// attachments keeps it. Names are looked up in the order content id, location, long
// name, short name across all attachments, ignoring case, whatever their number.
TEST(PictureConversionTest, HiddenTagsShowNothingAndNamesAreFoundInTheirOrder) {
  MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1\\fromhtml1 {\\*\\mhtmlignore {\\*\\htmltag84 <img src=cid:hidden>}}"
                     "{\\*\\htmltag84 <img src=X.PNG>}{\\*\\htmltag84 <img src=cid:none>}}");
  Attach(builder, Png(1, 1), u"hidden.png").AddUnicode(0x3712, u"hidden");
  for (int i = 0; i < 3000; ++i) Attach(builder, {'t'}, u"filler.txt").AddUnicode(0x3712, u"filler");
  Attach(builder, Png(2, 2), u"x.png");
  Attach(builder, Png(3, 3), u"other.png").AddUnicode(0x3712, u"x.png");
  EXPECT_EQ(PicturesTheBodyShows(*Message::Open(builder.Build())), (std::set<std::size_t>{3002}));
}

// A large HTML body is read out of the message once for the passes that decide which
// pictures it shows and which attachments are kept, and for the document itself, with
// pictures on and off and attachments saved or not; the caller hears once that it is read.
TEST(PictureConversionTest, TheBodyIsReadOnceForEveryPass) {
  const TempTree tree;
  std::string html = "<html><body><img src=\"cid:one@x\"><table>";
  while (html.size() < 300000) html += "<tr><td>a cell</td></tr>";
  html += "</table></body></html>";
  MessageBuilder builder;
  builder.AddBinary(0x1013, Bytes(html.begin(), html.end()));
  Attach(builder, Png(4, 2), u"one.png").AddUnicode(0x3712, u"<one@x>").AddBoolean(0x7FFE, true);
  Attach(builder, {'%', 'P', 'D', 'F'}, u"report.pdf");
  const Bytes msg = builder.Build();
  int run = 0;
  for (bool pictures : {false, true}) {
    for (bool attachments : {false, true}) {
      const std::shared_ptr<const CompoundFile> file = CompoundFile::Open(msg);
      const Message message(Storage::Root(file), 32, nullptr, 0);
      ConversionOptions options;
      options.header_block = true;
      options.pictures = pictures;
      options.attachments = attachments;
      AttachmentJournal journal;
      int heard = 0;
      const std::uint64_t before = file->stream_bytes_read();
      PreparedDocument prepared = PrepareDocument(message, std::filesystem::path(tree.Root()) / ("d" + std::to_string(run++) + ".doc"),
                                                  options, journal, [&heard] { ++heard; });
      EXPECT_LT(file->stream_bytes_read() - before, html.size() + 10000) << pictures << attachments;
      EXPECT_EQ(heard, 1);
      std::vector<std::uint8_t> document;
      VectorSink sink(document);
      prepared.content.WriteTo(sink);
      const std::string text(document.begin(), document.end());
      EXPECT_EQ(text.find("{\\pict\\pngblip") != std::string::npos, pictures) << pictures << attachments;
      // The hidden picture is kept when the document does not show it.
      const std::vector<std::u16string> kept =
          !attachments ? std::vector<std::u16string>()
          : pictures   ? std::vector<std::u16string>{u"report.pdf"}
                       : std::vector<std::u16string>{u"one.png", u"report.pdf"};
      EXPECT_EQ(prepared.saved.names, kept) << pictures << attachments;
    }
  }
}

// Messages as a user meets them: an HTML mail with a tall portrait picture, one laid out as
// an icon column beside text with coloured cells, and one with a table wider than the page.
// Each is fitted into the text area of the user's paper, and the document states that page.
TEST(PictureConversionTest, TallPicturesAndWideTablesFitThePage) {
  struct Page {
    PaperSize paper;
    int text_width, text_height;
  };
  for (const Page& page : {Page{kLetterPaper, 9360, 12960}, Page{kA4Paper, 9026, 13958}}) {
    ConversionOptions options;
    options.pictures = true;
    options.paper = page.paper;
    const std::string page_words = "\\paperw" + std::to_string(page.paper.width_twips) + "\\paperh" +
                                   std::to_string(page.paper.height_twips) + "\\margl1440";
    // A portrait photo of 600 by 2400 pixels: 9000 by 36000 twips at its own size.
    MessageBuilder tall;
    const std::string tall_html = "<p>Look:</p><img src=\"cid:photo@x\"><p>After</p>";
    tall.AddBinary(0x1013, Bytes(tall_html.begin(), tall_html.end()));
    Attach(tall, Png(600, 2400), u"photo.png").AddUnicode(0x3712, u"<photo@x>").AddBoolean(0x7FFE, true);
    const Bytes tall_doc = ConvertMessage(tall.Build(), options);
    const std::string tall_text(tall_doc.begin(), tall_doc.end());
    EXPECT_NE(tall_text.find(page_words), std::string::npos) << tall_text.substr(0, 300);
    const std::string goal = "\\picwgoal" + std::to_string(page.text_height / 4) + "\\pichgoal" +
                             std::to_string(page.text_height);
    EXPECT_NE(tall_text.find(goal), std::string::npos) << goal;

    // An icon column: a 32-pixel icon beside a long text, the cells in their colours.
    MessageBuilder icons;
    std::string icon_html =
        "<table bgcolor=#eeeeee><tr><td style=\"background-color: #FFCC00\"><img src=\"cid:icon@x\" width=32 "
        "height=32></td><td>";
    for (int i = 0; i < 60; ++i) icon_html += "a line of text beside the icon ";
    icon_html += "</td></tr><tr><td bgcolor=red>!</td><td>plain</td></tr></table>";
    icons.AddBinary(0x1013, Bytes(icon_html.begin(), icon_html.end()));
    Attach(icons, Png(32, 32), u"icon.png").AddUnicode(0x3712, u"<icon@x>").AddBoolean(0x7FFE, true);
    const Bytes icon_doc = ConvertMessage(icons.Build(), options);
    const std::string icon_text(icon_doc.begin(), icon_doc.end());
    // 32 pixels are 480 twips, and the cell's gap on either side of them.
    // The colours in the order met: the table's, the icon cell's, the red cell's; a cell
    // without a colour of its own takes its row's, else its table's.
    EXPECT_NE(icon_text.find("\\trowd\\trgaph108\\trleft0\\clcbpat2\\cellx696\\clcbpat1\\cellx" +
                             std::to_string(page.text_width) + "\r\n"),
              std::string::npos) << icon_text.substr(0, 600);
    EXPECT_NE(icon_text.find("\\clcbpat3\\cellx696\\clcbpat1\\cellx"), std::string::npos) << "the row below";
    EXPECT_NE(icon_text.find("{\\colortbl;\\red238\\green238\\blue238;\\red255\\green204\\blue0;\\red255\\green0\\blue0;}"),
              std::string::npos) << icon_text.substr(0, 600);

    // A table stated wider than the page, in pixels, and one whose text would be.
    MessageBuilder wide;
    std::string wide_html = "<table width=1400><tr><td width=700>left</td><td width=700>right</td></tr></table><table><tr>";
    for (int i = 0; i < 8; ++i) wide_html += "<td>" + std::string(20, static_cast<char>('a' + i)) + "</td>";
    wide_html += "</tr></table>";
    wide.AddBinary(0x1013, Bytes(wide_html.begin(), wide_html.end()));
    const Bytes wide_doc = ConvertMessage(wide.Build(), options);
    const std::string wide_text(wide_doc.begin(), wide_doc.end());
    int widest = 0;
    for (std::size_t at = wide_text.find("\\cellx"); at != std::string::npos; at = wide_text.find("\\cellx", at + 1))
      widest = std::max(widest, std::stoi(wide_text.substr(at + 6)));
    EXPECT_EQ(widest, page.text_width) << wide_text;
    EXPECT_NE(wide_text.find("\\cellx" + std::to_string(page.text_width / 2) + "\\cellx"), std::string::npos)
        << "two equal columns, each half the text";
  }
}

// A conversion stopped part way (a time limit, Ctrl-C, SIGTERM) takes back what it wrote:
// the saved attachments, their folder, temporary files, named or not, and its journal. A
// message with five attachments and a picture that takes a while to write is stopped once
// the attachments are saved. Killed outright, it leaves what it made, and nothing else:
// its journal was an unnamed file of the temporary folder, never beside the document
// (a serving converter's journal is read by the program that killed it: run_tests).
TEST(StoppedConversionTest, AStopSignalLeavesNothingOfTheConversion) {
  const Bytes msg = test_support::SlowMessage();
  for (const int signal : {SIGTERM, SIGINT, SIGKILL}) {
    for (const bool unnamed : {true, false}) {
      const TempTree tree;
      const std::filesystem::path dir = tree.Root();
      std::ofstream(dir / "slow.msg", std::ios::binary)
          .write(reinterpret_cast<const char*>(msg.data()), static_cast<std::streamsize>(msg.size()));
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        InstallStopHandlers();
        UseUnnamedTemporaryFiles(unnamed);
        ConversionOptions options;
        options.pictures = options.attachments = true;
        ConvertFile(dir / "slow.msg", dir / "slow.doc", options);
        _exit(0);
      }
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (!std::filesystem::exists(dir / "slow attachments" / "kept4.txt") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      kill(child, signal);
      int status = 0;
      waitpid(child, &status, 0);
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "stopped part way, signal " << signal;
      std::vector<std::string> left;
      for (const auto& entry : std::filesystem::directory_iterator(dir)) left.push_back(entry.path().filename().string());
      if (signal == SIGKILL) {
        // The folder stays, and no journal beside it.
        EXPECT_TRUE(std::filesystem::exists(dir / "slow attachments" / "kept4.txt"));
        std::sort(left.begin(), left.end());
        if (unnamed) {
          EXPECT_EQ(left, (std::vector<std::string>{"slow attachments", "slow.msg"}));
        }
        EXPECT_FALSE(std::any_of(left.begin(), left.end(), [](const std::string& name) {
          return name.size() > 8 && name.substr(name.size() - 8) == ".journal";
        }));
      } else {
        EXPECT_EQ(left, std::vector<std::string>{"slow.msg"}) << "signal " << signal << (unnamed ? "" : ", named temporaries");
      }
    }
  }
}

}  // namespace
}  // namespace quorlin
