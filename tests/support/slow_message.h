// A message whose conversion takes a while once its attachments are saved, for the tests
// that stop a converter part way: a body showing a GIF of 32 million pixels (its frame is
// decoded and encoded again as PNG while the document is written, about a second) and
// five small attachments, "kept0.txt" to "kept4.txt", saved before that.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "msgwriter/message_builder.h"

namespace test_support {

inline int AppendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

// A GIF of one frame of the given size, every pixel index 0: LZW packs it into a few KB.
inline std::vector<std::uint8_t> PlainGif(int width, int height) {
  std::vector<std::uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
  GifColorType colours[2] = {{0, 0, 0}, {255, 255, 255}};
  ColorMapObject* map = GifMakeMapObject(2, colours);
  EGifPutScreenDesc(gif, width, height, 1, 0, map);
  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
  const std::vector<GifPixelType> line(static_cast<std::size_t>(width), 0);
  for (int row = 0; row < height; ++row) EGifPutLine(gif, const_cast<GifPixelType*>(line.data()), width);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

// Convert it with pictures and attachments on.
inline std::vector<std::uint8_t> SlowMessage() {
  msgwriter::MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag84 <img src=cid:slow>}}");
  builder.AddAttachment(1).AddBinary(0x3701, PlainGif(8192, 4096)).AddUnicode(0x3707, u"slow.gif").AddUnicode(0x3712, u"slow");
  for (int i = 0; i < 5; ++i)
    builder.AddAttachment(1).AddBinary(0x3701, {'k'}).AddUnicode(
        0x3707, u"kept" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u".txt");
  return builder.Build();
}

}  // namespace test_support
