// Why a message produced no document, told so that a user can act on it: a first sentence
// in plain words ("This is not an Outlook message file.", "The message file is damaged and
// cannot be read.", "The document could not be written: Permission denied."), then the
// technical detail the converter or the run gave, for a support request. The window, the
// command's error lines and its report all use the same text.
#pragma once

#include <QString>

#include "converter/serve_protocol.h"

struct FailureReason {
  QString sentence;  // plain words, ending in "."
  QString detail;    // the converter's or the run's own words; may be empty

  // One line: the sentence, then the detail in brackets when there is one.
  QString Text() const;
};

// The reason for an outcome given by its result code (the converter's or the run's own,
// converter/serve_protocol.h) and the words that came with it. The sentence is chosen by
// the code alone; the detail only fills in the system's reason where the sentence names one.
FailureReason ReasonForOutcome(quorlin::serve_protocol::Result result, const QString& detail);
