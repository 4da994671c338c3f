// Reads RTF fed in pieces of any size, as the compressed body's decoder hands it on, and
// tells a handler what it meets: groups opening and closing, runs of text, control words
// with their parameters, control symbols, \'hh bytes and \binN data. A control word, a
// \'hh escape or \binN data split between pieces is read whole; the scanner holds none of
// the body's bytes, only its reading state (the word being read, at most kLongestWord
// letters).
// It also follows the destinations whose text is not shown: from the group that such a
// destination opens to that group's close, hidden() is true.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorlin {

// A control word as read: "\name", "\nameN" or "\name-N".
struct RtfWord {
  std::string_view name;        // longer names are cut to RtfScanner::kLongestWord letters
  long long parameter = 0;      // with its sign; 0 when no digit follows
  bool has_parameter = false;   // digits follow the name
  bool negative = false;        // a '-' follows the name, with or without digits
  bool group_start = false;     // the group's first word, "{\name" (line breaks between count for nothing)
  bool starred = false;         // the group's first word after "\*": "{\*\name"
  // It opens a destination whose text is not shown: any starred word but \htmltag (the tags
  // of a body made from HTML are that HTML's text), or a word of the scanner's list at a
  // group's start.
  bool hides = false;
};

class RtfScanner {
 public:
  // What the scanner meets, in the body's order. During each call offset() is where in the
  // piece being fed the item ends.
  class Handler {
   public:
    virtual void OpenGroup() {}
    // hidden() still tells whether the closed group was hidden.
    virtual void CloseGroup() {}
    // Bytes of text: none of "{", "}", "\" and no line breaks (they are not text in RTF).
    virtual void Text(std::span<const std::uint8_t>) {}
    // The byte a \'hh escape stands for (a digit that is not hex counts as 0).
    virtual void HexByte(std::uint8_t) {}
    // Called after the scanner has taken the word in: hidden() counts a group it hides, and
    // after \binN (N > 0) the next N bytes are Binary().
    virtual void Word(const RtfWord&) {}
    // A control symbol, "\" and one byte that is no letter; \' and \* are read by the scanner.
    virtual void Symbol(std::uint8_t) {}
    // \binN data, in as many calls as the pieces split it into.
    virtual void Binary(std::span<const std::uint8_t>) {}

   protected:
    ~Handler() = default;
  };

  // Longer control words are cut: no word the readers know is this long.
  static constexpr std::size_t kLongestWord = 32;

  // `hidden_destinations`: the words that, first in their group, open a destination whose
  // text is not shown; the scanner keeps the span, so it must outlive the scanner.
  explicit RtfScanner(std::span<const std::string_view> hidden_destinations)
      : hidden_destinations_(hidden_destinations) {}

  void Feed(std::span<const std::uint8_t> bytes, Handler& handler);

  // During a handler's call: where in the piece being fed the item reported ends (past a
  // control word's delimiting space).
  std::size_t offset() const { return offset_; }
  // How many groups are open (a "}" with none open is read as nothing).
  std::size_t depth() const { return depth_; }
  // True inside a group opened by a word that hides it, and inside every group within it.
  bool hidden() const { return hidden_depth_ != 0; }

 private:
  enum class State { kText, kEscape, kWord, kParameter, kHex1, kHex2, kBinary };
  // Where a destination word may stand: just after "{", just after "{\*", or not here.
  enum class Destination { kNone, kGroupStart, kStarred };

  void EndWord(std::size_t after, Handler& handler);

  std::span<const std::string_view> hidden_destinations_;
  State state_ = State::kText;
  std::string word_;
  long long parameter_ = 0;
  bool negative_ = false;
  bool has_parameter_ = false;
  std::uint64_t binary_left_ = 0;
  int hex_value_ = 0;
  Destination destination_ = Destination::kNone;
  std::size_t depth_ = 0;
  std::size_t hidden_depth_ = 0;  // the depth of the outermost hidden group, 0 outside
  std::size_t offset_ = 0;
};

}  // namespace quorlin
