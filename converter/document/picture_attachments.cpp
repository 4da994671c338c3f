// Attachments as pictures. An attachment's properties are read only when a body refers
// to it, and a property that cannot be read counts as absent: a damaged attachment shows
// by name, and never fails the document it belongs to.
#include "converter/document/picture_attachments.h"

#include "converter/document/message_body.h"

#include <algorithm>

#include "converter/rtf/clzf.h"
#include "converter/base/errors.h"
#include "converter/document/message_body.h"
#include "converter/pictures/picture_formats.h"
#include "converter/pictures/picture_gif.h"
#include "converter/pictures/picture_writer.h"
#include "converter/msg/property_tags.h"
#include "converter/rtf/rtf_text.h"

namespace quorlin {
namespace {

constexpr std::int32_t kAttachEmbeddedMessage = 5;

class NullSink : public ByteSink {
 public:
  void Write(std::span<const std::uint8_t>) override {}
};

std::u16string StringOf(const OutlookStorage& storage, const char* id) {
  try {
    if (std::optional<std::u16string> value = storage.GetString(id)) return *value;
  } catch (const ConvertError&) {
  }
  return {};
}

std::optional<std::int32_t> Int32Of(const OutlookStorage& storage, const char* id) {
  try {
    return storage.FindInt32(id);
  } catch (const ConvertError&) {
    return std::nullopt;
  }
}

// The attachment's bytes, a view of the input where they lie there in one piece; nothing
// when it holds none, they cannot be read, or they are past the largest picture.
std::optional<StreamBytes> PictureBytes(const OutlookStorage& attachment) {
  try {
    std::optional<PropertyElement> data = attachment.FindPropertyElement(tags::kAttachData);
    if (!data || data->type != kTypeBinary || data->element.kind != EntryKind::kStream ||
        data->element.size > kMostPictureBytes)
      return std::nullopt;
    return attachment.storage().ReadStreamInPlace(data->element);
  } catch (const ConvertError&) {
    return std::nullopt;
  }
}

std::u16string FileName(const OutlookStorage& attachment) {
  for (const char* id : {tags::kAttachLongFilename, tags::kAttachFilename, tags::kAttachDisplayName})
    if (std::u16string name = StringOf(attachment, id); !name.empty()) return name;
  return {};
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  return !prefix.empty() && text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

// A name as the index keys it: ASCII letters in lower case, as names are compared.
std::u16string LowerKey(std::u16string_view name) {
  std::u16string key(name);
  for (char16_t& c : key) c = Lower(c);
  return key;
}

// The src as UTF-16 (it is UTF-8), with "%hh" escapes decoded as bytes of UTF-8 too.
std::u16string KeyText(std::string_view utf8, bool unescape) {
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto hex = [](char c) {
      return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    if (unescape && utf8[i] == '%' && i + 2 < utf8.size() && hex(utf8[i + 1]) >= 0 && hex(utf8[i + 2]) >= 0) {
      bytes += static_cast<char>(hex(utf8[i + 1]) * 16 + hex(utf8[i + 2]));
      i += 2;
    } else {
      bytes += utf8[i];
    }
  }
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 1;
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    std::size_t k = 1;
    for (; k < length && i + k < bytes.size() && (static_cast<std::uint8_t>(bytes[i + k]) & 0xC0) == 0x80; ++k)
      code = code << 6 | (static_cast<std::uint8_t>(bytes[i + k]) & 0x3F);
    if (k < length) code = 0xFFFD;
    i += k;
    if (code >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(code);
    }
  }
  return text;
}

// Text in brackets, as its own group so the document's own \uc setting is kept.
void WriteBracketed(std::u16string_view text, ByteSink& out) {
  if (text.empty()) return;
  std::string rtf = "{\\uc1 [";
  AppendRtfText(rtf, text);
  rtf += "]}";
  out.Write({reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()});
}

}  // namespace

AttachmentImages::AttachmentImages(const Message& message, Mode mode, const PageLayout& page)
    : message_(message), mode_(mode), page_(page) {}

void AttachmentImages::BuildIndex() {
  index_.emplace();
  static constexpr std::u16string Names::*kFields[] = {&Names::content_id, &Names::location, &Names::long_name,
                                                       &Names::short_name};
  for (std::size_t index = 0; index < message_.attachments().size(); ++index) {
    const Attachment& attachment = message_.attachments()[index];
    Names names{StringOf(attachment, tags::kAttachContentId), StringOf(attachment, tags::kAttachContentLocation),
                StringOf(attachment, tags::kAttachLongFilename), StringOf(attachment, tags::kAttachFilename)};
    // Content ids are often stored with the angle brackets of their mail header.
    if (names.content_id.size() >= 2 && names.content_id.front() == u'<' && names.content_id.back() == u'>')
      names.content_id = names.content_id.substr(1, names.content_id.size() - 2);
    for (std::size_t field = 0; field < std::size(kFields); ++field) {
      const std::u16string& name = names.*kFields[field];
      if (!name.empty()) (*index_)[field].try_emplace(LowerKey(name), index);
    }
  }
}

std::optional<std::size_t> AttachmentImages::Find(std::u16string_view key) {
  if (key.empty()) return std::nullopt;
  if (!index_) BuildIndex();
  const std::u16string lowered = LowerKey(key);
  for (const auto& names : *index_)
    if (auto found = names.find(lowered); found != names.end()) return found->second;
  return std::nullopt;
}

void AttachmentImages::WriteImage(const ImageRef& ref, ByteSink& out) {
  const std::u16string src = KeyText(ref.src, false);
  static constexpr std::u16string_view kWeb[] = {u"http:", u"https:", u"ftp:", u"file:", u"data:", u"//"};
  const bool web = std::any_of(std::begin(kWeb), std::end(kWeb),
                               [&src](std::u16string_view scheme) { return StartsWithNoCase(src, scheme); });
  if (!web) {
    const bool cid = StartsWithNoCase(src, u"cid:");
    std::optional<std::size_t> index = Find(cid ? std::u16string_view(src).substr(4) : src);
    if (!index) {
      const std::u16string unescaped = KeyText(ref.src, true);
      index = Find(cid ? std::u16string_view(unescaped).substr(4) : unescaped);
    }
    if (index) {
      WriteAttachment(*index, ref.width_px, ref.height_px, out);
      return;
    }
  }
  WriteBracketed(ref.alt, out);
}

void AttachmentImages::WriteAttachment(std::size_t index, std::optional<int> width_px,
                                       std::optional<int> height_px, ByteSink& out) {
  const Attachment& attachment = message_.attachments()[index];
  std::optional<StreamBytes> bytes = work_ < kMostPictureWork ? PictureBytes(attachment) : std::nullopt;
  std::optional<PictureLayout> picture;
  if (bytes) {
    work_ += bytes->bytes().size();
    if (work_ <= kMostPictureWork) picture = ExaminePicture(bytes->bytes());
  }
  std::optional<GifFrame> frame;
  if (picture && picture->format == PictureFormat::kGif) {
    frame = DecodeGifFirstFrame(bytes->bytes());
    // A damaged frame may have been read far before it failed: each code of its data
    // gives at most 4096 pixels.
    const std::uint64_t pixels =
        frame ? frame->pixels.size()
              : std::min<std::uint64_t>(kMostGifPixels, std::uint64_t{bytes->bytes().size()} * 4096);
    work_ += pixels * kGifPixelWork;
    if (!frame || work_ > kMostPictureWork) picture.reset();
  }
  if (picture) {
    // Every picture counts its pixels at its own size (natural_* are 15 twips a pixel).
    const std::uint64_t pixels = ((picture->natural_width + 14) / 15) * ((picture->natural_height + 14) / 15);
    if (pixels_ + pixels > kMostDocumentPixels)
      picture.reset();
    else
      pixels_ += pixels;
  }
  if (!picture) {
    WriteBracketed(FileName(attachment), out);
    return;
  }
  placed_.insert(index);
  if (mode_ == Mode::kCheckOnly) return;
  if (frame) {
    // The PNG made of the first frame, at the frame's own size.
    picture->width = frame->width;
    picture->height = frame->height;
    picture->natural_width = std::uint64_t{frame->width} * 15;
    picture->natural_height = std::uint64_t{frame->height} * 15;
    const ShownSize shown = ShownPictureSize(picture->natural_width, picture->natural_height, width_px, height_px, page_);
    WritePictureGroup(*picture, shown, [&frame](ByteSink& png) { WriteFrameAsPng(*frame, png); }, out);
  } else {
    const ShownSize shown = ShownPictureSize(picture->natural_width, picture->natural_height, width_px, height_px, page_);
    WritePictureGroup(*picture, shown, out);
  }
}

void AttachmentImages::LoadPlaceholders() {
  struct Positioned {
    std::uint32_t position;
    Placeholder placeholder;
  };
  std::vector<Positioned> positioned;
  std::size_t index = 0;
  // The same order as the message loaded its attachments, embedded messages included.
  for (std::uint32_t id : message_.attachmentStorageIds()) {
    try {
      const Attachment attachment(message_.storage().OpenStorage(id), &message_);
      const bool embedded = Int32Of(attachment, tags::kAttachMethod) == kAttachEmbeddedMessage;
      Placeholder placeholder;
      if (embedded)
        placeholder.name = FileName(attachment);
      else
        placeholder.index = index++;
      const std::optional<std::int32_t> position = Int32Of(attachment, tags::kRenderingPosition);
      if (position && *position != -1)
        positioned.push_back({static_cast<std::uint32_t>(*position), std::move(placeholder)});
    } catch (const ConvertError&) {
      // A storage the message itself could open; only named here for completeness.
    }
  }
  std::stable_sort(positioned.begin(), positioned.end(),
                   [](const Positioned& a, const Positioned& b) { return a.position < b.position; });
  placeholders_.emplace();
  for (Positioned& item : positioned) placeholders_->push_back(std::move(item.placeholder));
}

void AttachmentImages::WriteNextAttachment(ByteSink& out) {
  if (!placeholders_) LoadPlaceholders();
  if (next_placeholder_ >= placeholders_->size()) return;
  const Placeholder& placeholder = (*placeholders_)[next_placeholder_++];
  if (placeholder.index && *placeholder.index < message_.attachments().size())
    WriteAttachment(*placeholder.index, std::nullopt, std::nullopt, out);
  else
    WriteBracketed(placeholder.name, out);
}

void AttachmentImages::SkipNextAttachment() {
  if (!placeholders_) LoadPlaceholders();
  if (next_placeholder_ < placeholders_->size()) ++next_placeholder_;
}

std::set<std::size_t> PicturesTheBodyShows(const Message& message) {
  return PicturesTheBodyShows(message, ReadDocumentContent(message));
}

std::set<std::size_t> PicturesTheBodyShows(const Message& message, const DocumentContent& body) {
  // The body the document is made of, rich text or HTML, written to nowhere.
  if (!body.rtf && !body.html) return {};
  AttachmentImages pictures(message, AttachmentImages::Mode::kCheckOnly);
  NullSink nothing;
  body.WriteTo(nothing, &pictures);
  return pictures.placed();
}

}  // namespace quorlin
