// The pictures of a message's body come from its attachments: an <img> names one by its
// content id (3712), else its content location (3713), else its file name (3707, then
// 3704), as mail programs fall back; an attachment placeholder of a rich-text body stands
// for the next attachment in rendering-position order (370B).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "converter/msg/message.h"
#include "converter/pictures/picture_formats.h"
#include "converter/pictures/picture_placement.h"
#include "converter/rtf/page_layout.h"

namespace quorlin {

struct DocumentContent;

class AttachmentImages : public BodyPictures {
 public:
  // kCheckOnly decides what would be shown, and records it, without writing anything.
  enum class Mode { kWrite, kCheckOnly };

  // `message` must outlive this object. Pictures are fitted into `page`'s text area.
  explicit AttachmentImages(const Message& message, Mode mode = Mode::kWrite, const PageLayout& page = {});

  // The attachment `ref` names, as a picture when it is one that passes its checks,
  // else its name in brackets; a reference to no attachment (also any web address,
  // which is never fetched) gives its alt text in brackets, or nothing without one.
  void WriteImage(const ImageRef& ref, ByteSink& out) override;
  // The next attachment with a rendering position: a picture, or its name in brackets.
  void WriteNextAttachment(ByteSink& out) override;
  void SkipNextAttachment() override;

  // The indices into message.attachments() of the attachments written as pictures.
  const std::set<std::size_t>& placed() const { return placed_; }

 private:
  struct Names {
    std::u16string content_id, location, long_name, short_name;
  };
  // One attachment in rendering-position order: an index into attachments(), or an
  // embedded message known by its name.
  struct Placeholder {
    std::optional<std::size_t> index;
    std::u16string name;
  };

  // The first attachment one of whose names is `key` (ignoring ASCII case), the names
  // tried in the order above: a look-up in an index of every attachment's names, made on
  // the first call, so a body of many tags costs one look-up each.
  std::optional<std::size_t> Find(std::u16string_view key);
  void BuildIndex();
  void WriteAttachment(std::size_t index, std::optional<int> width_px, std::optional<int> height_px,
                       ByteSink& out);
  void LoadPlaceholders();

  const Message& message_;
  Mode mode_;
  PageLayout page_;
  // Per kind of name, in the order Find tries them: the name in lower case to the first
  // attachment that bears it.
  std::optional<std::array<std::unordered_map<std::u16string, std::size_t>, 4>> index_;
  std::optional<std::vector<Placeholder>> placeholders_;
  std::size_t next_placeholder_ = 0;
  std::set<std::size_t> placed_;
  std::uint64_t work_ = 0;    // picture bytes examined and GIF pixels decoded so far
  std::uint64_t pixels_ = 0;  // pixels of the pictures shown so far
};

// The most picture work one body may ask for: the bytes of every picture it shows, each
// time it shows it, and the pixels of every GIF frame decoded, each counting as much as
// kGifPixelWork bytes (it is decoded, and encoded again as PNG). A picture past it shows
// by name, so that a body naming one large picture thousands of times can neither make a
// document of terabytes nor take hours: the largest GIF frame fits once (a second or so),
// and real mail stays far below it.
inline constexpr std::uint64_t kMostPictureWork = std::uint64_t{256} << 20;
inline constexpr std::uint64_t kGifPixelWork = 4;

// The most pixels the pictures of one body may have in all, each counted every time it is
// shown: four of the largest picture (kMostPictureArea), forty screenshots. A reader
// holds every picture it shows; past this bound a picture shows by name.
inline constexpr std::uint64_t kMostDocumentPixels = 4 * kMostPictureArea;

// The attachments the message's body shows as pictures when pictures are on: the body is
// read once, nothing is written. Throws DecodeError when the body is damaged.
std::set<std::size_t> PicturesTheBodyShows(const Message& message);
// The same over `body`, the message's body as ReadDocumentContent read it (its opening
// left empty), so that a large body is held once for this pass and the writing.
std::set<std::size_t> PicturesTheBodyShows(const Message& message, const DocumentContent& body);

}  // namespace quorlin
