// Why a message produced no document, told so that a user can act on it: a first sentence
// in plain words ("This is not an Outlook message file.", "The message file is damaged and
// cannot be read.", "The document could not be written: Permission denied."), then the
// technical detail the converter or the run gave, for a support request. The window, the
// command's error lines and its report all use the same text.
#pragma once

#include <QString>

struct FailureReason {
  QString sentence;  // plain words, ending in "."
  QString detail;    // the converter's or the run's own words; may be empty

  // One line: the sentence, then the detail in brackets when there is one.
  QString Text() const;
};

// The reason for an outcome given by its result word (the converter's: "format",
// "decode", "property", "io", "internal", "usage"; the run's: "timeout", "ended",
// "stopped", "not-started") and the words that came with it.
FailureReason ReasonForOutcome(const QString& word, const QString& detail);
