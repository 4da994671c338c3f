// The placer reads the body with the RTF scanner (groups and their depth, the groups no
// reader shows, control words, control symbols, \'hh escapes, and \binN data stepped over
// unread, so bytes inside it are never taken for braces). Inside an \htmltag group it
// keeps the tag's text as the HTML it stands for: text, \'hh bytes, escaped braces and
// backslashes, and a space for each line or tab word.
#include "converter/pictures/picture_placement.h"

#include "converter/pictures/picture_tag.h"

namespace quorlin {
namespace {

// Destinations without "\*" whose text no reader shows.
constexpr std::string_view kHiddenDestinations[] = {"fonttbl", "colortbl", "stylesheet", "info", "pict",
                                                    "fldinst", "listtable", "listoverridetable", "revtbl"};

void Put(ByteSink& out, std::string_view text) {
  out.Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// Wraps what is written into it in {\htmlrtf ... \htmlrtf0}, opened only when something
// is written.
class HtmlRtfGroup : public ByteSink {
 public:
  explicit HtmlRtfGroup(ByteSink& out) : out_(out) {}
  void Write(std::span<const std::uint8_t> bytes) override {
    if (bytes.empty()) return;
    if (!open_) Put(out_, "{\\htmlrtf ");
    open_ = true;
    out_.Write(bytes);
  }
  void Close() {
    if (open_) Put(out_, "\\htmlrtf0 }");
  }

 private:
  ByteSink& out_;
  bool open_ = false;
};

}  // namespace

PicturePlacer::PicturePlacer(ByteSink& out, BodyPictures& pictures)
    : out_(out), pictures_(pictures), scanner_(kHiddenDestinations) {}

template <typename Insert>
void PicturePlacer::InsertAt(std::size_t at, Insert insert) {
  out_.Write(piece_.subspan(handed_on_, at - handed_on_));
  handed_on_ = at;
  insert();
}

void PicturePlacer::AppendToTag(char c) {
  if (tag_.size() < kMostTagBytes) tag_ += c;
}

void PicturePlacer::PlaceTagPicture() {
  std::optional<ImageRef> ref = ParseImageTag(tag_, code_page_);
  tag_.clear();
  if (tag_.capacity() > 4096) std::string().swap(tag_);
  if (!ref) return;
  HtmlRtfGroup group(out_);
  pictures_.WriteImage(*ref, group);
  group.Close();
}

void PicturePlacer::Word(const RtfWord& word) {
  const std::string_view name = word.name;
  if (name == "bin") return;  // its data is stepped over by the scanner
  if (word.starred && name == "htmltag" && tag_depth_ == 0) {
    tag_depth_ = scanner_.depth();
    tag_.clear();
  } else if (name == "fromhtml") {
    html_ = !word.has_parameter || word.parameter != 0;
  } else if (name == "ansicpg" && word.parameter > 0 && word.parameter < 0x10000) {
    code_page_ = static_cast<std::uint32_t>(word.parameter);
  } else if (tag_depth_ != 0) {
    if (name == "par" || name == "line" || name == "tab" || name == "lbr") AppendToTag(' ');
  } else if (name == "objattph" && !html_) {
    if (scanner_.hidden())
      pictures_.SkipNextAttachment();
    else
      InsertAt(scanner_.offset(), [this] { pictures_.WriteNextAttachment(out_); });
  }
}

void PicturePlacer::CloseGroup() {
  if (tag_depth_ != 0 && scanner_.depth() < tag_depth_) {
    tag_depth_ = 0;
    if (html_ && !scanner_.hidden()) InsertAt(scanner_.offset(), [this] { PlaceTagPicture(); });
    tag_.clear();
  }
}

void PicturePlacer::Text(std::span<const std::uint8_t> run) {
  if (tag_depth_ == 0) return;
  for (const std::uint8_t c : run) AppendToTag(static_cast<char>(c));
}

void PicturePlacer::HexByte(std::uint8_t byte) {
  if (tag_depth_ != 0) AppendToTag(static_cast<char>(byte));
}

void PicturePlacer::Symbol(std::uint8_t c) {
  if (tag_depth_ == 0) return;
  if (c == '\\' || c == '{' || c == '}') AppendToTag(static_cast<char>(c));
  else if (c == '~' || c == '\r' || c == '\n') AppendToTag(' ');
}

void PicturePlacer::Write(std::span<const std::uint8_t> bytes) {
  piece_ = bytes;
  handed_on_ = 0;
  scanner_.Feed(bytes, *this);
  out_.Write(bytes.subspan(handed_on_));
  piece_ = {};
}

}  // namespace quorlin
