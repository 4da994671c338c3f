// The reading of RTF the placer needs: groups and their depth, control words with their
// parameters, control symbols, \'hh escapes and \binN data (stepped over unread, so bytes
// inside it are never taken for braces). Inside an \htmltag group it keeps the tag's text
// as the HTML it stands for: text, \'hh bytes, escaped braces and backslashes, and a
// space for each line or tab word.
#include "converter/pictures/picture_placement.h"

#include <algorithm>

#include "converter/pictures/picture_tag.h"

namespace quorlin {
namespace {

bool IsLetter(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

int HexValue(std::uint8_t c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

constexpr std::size_t kLongestWord = 32;

// Destinations without "\*" whose text no reader shows.
bool IsHiddenGroup(std::string_view word) {
  static constexpr std::string_view kHidden[] = {"fonttbl", "colortbl", "stylesheet", "info", "pict",
                                                 "fldinst", "listtable", "listoverridetable", "revtbl"};
  return std::find(std::begin(kHidden), std::end(kHidden), word) != std::end(kHidden);
}

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

std::size_t PicturePlacer::EndWord(std::size_t at) {
  const std::size_t after = at < piece_.size() && piece_[at] == ' ' ? at + 1 : at;
  state_ = State::kText;
  const long long parameter = negative_ ? -parameter_ : parameter_;
  const bool destination = destination_ == 2;
  const bool group_start = destination_ == 1;
  destination_ = 0;
  if (hidden_depth_ == 0 && depth_ > 0 && ((destination && word_ != "htmltag") || (group_start && IsHiddenGroup(word_))))
    hidden_depth_ = depth_;
  if (word_ == "bin" && parameter > 0) {
    state_ = State::kBinary;
    binary_left_ = static_cast<std::uint64_t>(parameter);
  } else if (destination && word_ == "htmltag" && tag_depth_ == 0) {
    tag_depth_ = depth_;
    tag_.clear();
  } else if (word_ == "fromhtml") {
    html_ = !has_parameter_ || parameter != 0;
  } else if (word_ == "ansicpg" && parameter > 0 && parameter < 0x10000) {
    code_page_ = static_cast<std::uint32_t>(parameter);
  } else if (tag_depth_ != 0) {
    if (word_ == "par" || word_ == "line" || word_ == "tab" || word_ == "lbr") AppendToTag(' ');
  } else if (word_ == "objattph" && !html_) {
    if (hidden_depth_ != 0)
      pictures_.SkipNextAttachment();
    else
      InsertAt(after, [this] { pictures_.WriteNextAttachment(out_); });
  }
  return after;
}

void PicturePlacer::Write(std::span<const std::uint8_t> bytes) {
  piece_ = bytes;
  handed_on_ = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t c = bytes[i];
    switch (state_) {
      case State::kBinary: {
        const std::size_t skip = static_cast<std::size_t>(
            std::min<std::uint64_t>(binary_left_, bytes.size() - i));
        i += skip;
        binary_left_ -= skip;
        if (binary_left_ == 0) state_ = State::kText;
        break;
      }
      case State::kText:
        if (c == '{') {
          ++depth_;
          destination_ = 1;
          ++i;
        } else if (c == '}') {
          if (depth_ > 0) --depth_;
          destination_ = 0;
          ++i;
          if (tag_depth_ != 0 && depth_ < tag_depth_) {
            tag_depth_ = 0;
            if (html_ && hidden_depth_ == 0) InsertAt(i, [this] { PlaceTagPicture(); });
            tag_.clear();
          }
          if (hidden_depth_ != 0 && depth_ < hidden_depth_) hidden_depth_ = 0;
        } else if (c == '\\') {
          state_ = State::kEscape;
          ++i;
        } else if (c == '\r' || c == '\n') {
          ++i;  // not part of the text; a destination word may still follow
        } else {
          destination_ = 0;
          if (tag_depth_ != 0) {
            AppendToTag(static_cast<char>(c));
            ++i;
          } else {
            // Plain text: straight on to the next byte that means something.
            while (i < bytes.size() && bytes[i] != '{' && bytes[i] != '}' && bytes[i] != '\\') ++i;
          }
        }
        break;
      case State::kEscape:
        ++i;
        if (IsLetter(c)) {
          word_.assign(1, static_cast<char>(c));
          parameter_ = 0;
          negative_ = has_parameter_ = false;
          state_ = State::kWord;
          break;
        }
        state_ = State::kText;
        if (c == '\'') {
          state_ = State::kHex1;
        } else if (c == '*') {
          destination_ = destination_ == 1 ? 2 : 0;
          break;
        } else if (tag_depth_ != 0) {
          if (c == '\\' || c == '{' || c == '}') AppendToTag(static_cast<char>(c));
          else if (c == '~' || c == '\r' || c == '\n') AppendToTag(' ');
        }
        destination_ = 0;
        break;
      case State::kWord:
        if (IsLetter(c)) {
          if (word_.size() < kLongestWord) word_ += static_cast<char>(c);
          ++i;
        } else if (IsDigit(c) || c == '-') {
          negative_ = c == '-';
          parameter_ = negative_ ? 0 : c - '0';
          has_parameter_ = !negative_;
          state_ = State::kParameter;
          ++i;
        } else {
          i = EndWord(i);
        }
        break;
      case State::kParameter:
        if (IsDigit(c)) {
          if (parameter_ < 1'000'000'000'000) parameter_ = parameter_ * 10 + (c - '0');
          has_parameter_ = true;
          ++i;
        } else {
          i = EndWord(i);
        }
        break;
      case State::kHex1:
        hex_value_ = HexValue(c);
        state_ = State::kHex2;
        ++i;
        break;
      case State::kHex2:
        if (tag_depth_ != 0) AppendToTag(static_cast<char>(hex_value_ * 16 + HexValue(c)));
        state_ = State::kText;
        ++i;
        break;
    }
  }
  out_.Write(bytes.subspan(handed_on_));
  piece_ = {};
}

}  // namespace quorlin
