// The page of the documents the converter builds: the user's paper with a margin of one
// inch on every side. What a document holds (pictures, tables) is fitted into its text
// area, and the document states the page, so a word processor lays it out on that paper.
#pragma once

#include <string>

namespace quorlin {

struct PageLayout {
  static constexpr int kMargin = 1440;  // twips
  int paper_width = 12240;
  int paper_height = 15840;

  int text_width() const { return paper_width - 2 * kMargin; }
  int text_height() const { return paper_height - 2 * kMargin; }
  // The document's page words: "\paperw..\paperh..\margl..\margr..\margt..\margb..".
  std::string RtfWords() const;
};

}  // namespace quorlin
