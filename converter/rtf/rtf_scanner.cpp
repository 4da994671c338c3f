// Reading RTF piece by piece: a state for each place a piece can end inside an item (after
// "\", inside a word's letters or digits, between \' and its two hex digits, inside \binN
// data), so that the next piece goes on where the last one stopped.
#include "converter/rtf/rtf_scanner.h"

#include <algorithm>

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

// A parameter stops growing here, long before it could overflow; no real one comes near.
constexpr long long kLargestParameter = 1'000'000'000'000;

bool EndsText(std::uint8_t c) { return c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n'; }

}  // namespace

void RtfScanner::EndWord(std::size_t after, Handler& handler) {
  state_ = State::kText;
  RtfWord word;
  word.name = word_;
  word.negative = negative_;
  word.has_parameter = has_parameter_;
  word.parameter = negative_ ? -parameter_ : parameter_;
  word.group_start = destination_ == Destination::kGroupStart;
  word.starred = destination_ == Destination::kStarred;
  destination_ = Destination::kNone;
  word.hides = (word.starred && word.name != "htmltag") ||
               (word.group_start && std::find(hidden_destinations_.begin(), hidden_destinations_.end(),
                                              word.name) != hidden_destinations_.end());
  if (word.hides && hidden_depth_ == 0 && depth_ > 0) hidden_depth_ = depth_;
  if (word.name == "bin" && word.parameter > 0) {
    state_ = State::kBinary;
    binary_left_ = static_cast<std::uint64_t>(word.parameter);
  }
  offset_ = after;
  handler.Word(word);
}

void RtfScanner::Feed(std::span<const std::uint8_t> bytes, Handler& handler) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t c = bytes[i];
    switch (state_) {
      case State::kBinary: {
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(binary_left_, bytes.size() - i));
        binary_left_ -= take;
        if (binary_left_ == 0) state_ = State::kText;
        offset_ = i + take;
        handler.Binary(bytes.subspan(i, take));
        i += take;
        break;
      }
      case State::kText:
        if (c == '{') {
          ++i;
          ++depth_;
          destination_ = Destination::kGroupStart;
          offset_ = i;
          handler.OpenGroup();
        } else if (c == '}') {
          ++i;
          if (depth_ > 0) --depth_;
          destination_ = Destination::kNone;
          offset_ = i;
          handler.CloseGroup();
          if (hidden_depth_ != 0 && depth_ < hidden_depth_) hidden_depth_ = 0;
        } else if (c == '\\') {
          ++i;
          state_ = State::kEscape;
        } else if (c == '\r' || c == '\n') {
          ++i;  // not text; a destination word may still follow
        } else {
          std::size_t end = i + 1;
          while (end < bytes.size() && !EndsText(bytes[end])) ++end;
          destination_ = Destination::kNone;
          offset_ = end;
          handler.Text(bytes.subspan(i, end - i));
          i = end;
        }
        break;
      case State::kEscape:
        ++i;
        if (IsLetter(c)) {
          word_.assign(1, static_cast<char>(c));
          parameter_ = 0;
          negative_ = has_parameter_ = false;
          state_ = State::kWord;
        } else if (c == '\'') {
          state_ = State::kHex1;
        } else if (c == '*') {
          state_ = State::kText;
          destination_ = destination_ == Destination::kGroupStart ? Destination::kStarred : Destination::kNone;
        } else {
          state_ = State::kText;
          destination_ = Destination::kNone;
          offset_ = i;
          handler.Symbol(c);
        }
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
          EndWord(c == ' ' ? i + 1 : i, handler);
          i = offset_;
        }
        break;
      case State::kParameter:
        if (IsDigit(c)) {
          if (parameter_ < kLargestParameter) parameter_ = parameter_ * 10 + (c - '0');
          has_parameter_ = true;
          ++i;
        } else {
          EndWord(c == ' ' ? i + 1 : i, handler);
          i = offset_;
        }
        break;
      case State::kHex1:
        hex_value_ = HexValue(c);
        state_ = State::kHex2;
        ++i;
        break;
      case State::kHex2:
        ++i;
        state_ = State::kText;
        destination_ = Destination::kNone;
        offset_ = i;
        handler.HexByte(static_cast<std::uint8_t>(hex_value_ * 16 + HexValue(c)));
        break;
    }
  }
}

}  // namespace quorlin
