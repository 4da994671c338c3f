// Writing a picture into an RTF document: the size it is shown at, and the picture group
// ({\pict ...} with the picture's bytes as hex) handed to the document in pieces, so that
// a large picture is never held as text.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "converter/base/byte_sink.h"
#include "converter/pictures/picture_formats.h"
#include "converter/rtf/page_layout.h"

namespace quorlin {

struct ShownSize {
  std::uint64_t width;   // twips
  std::uint64_t height;  // twips
};

// The size a picture of `natural` size (twips) is shown at: the width and height asked
// for (pixels, 15 twips each; one of them alone keeps the picture's aspect), else its
// own size; then scaled down, keeping the aspect, to fit the page's text area (a picture
// taller than the page would be cut at its foot, or pushed whole onto a page of its own
// and cut there).
ShownSize ShownPictureSize(std::uint64_t natural_width, std::uint64_t natural_height,
                           std::optional<int> width_px, std::optional<int> height_px,
                           const PageLayout& page = {});

// Writes "{\pict<format>\picw..\pich..\picwgoal..\pichgoal.. <hex>}" to `out`. `data`
// hands the picture's bytes to the sink it is given, in any number of pieces; they are
// written as hex as they come. A GIF is written as the PNG `data` makes of it.
void WritePictureGroup(const PictureLayout& picture, ShownSize shown,
                       const std::function<void(ByteSink&)>& data, ByteSink& out);

// The same for a picture whose bytes are all in `picture` (every format but GIF).
void WritePictureGroup(const PictureLayout& picture, ShownSize shown, ByteSink& out);

}  // namespace quorlin
