// The reason field of a converter's "ok" answer to a conversion request, read back: what
// was kept when attachments were saved ("attachments N messages M") and, when the document
// did not go where it was asked for, the path it went to ("document <path>", to the end of
// the field). The converter writes it (converter/serve.h); both items are optional, in
// that order, one space between them.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct ConverterOkAnswer {
  // The files saved and the embedded messages converted; -1 when the answer does not say
  // (attachments were not asked for).
  int attachments = -1;
  int messages = -1;
  // Where the document was written when it took another name (a numbered one, as a file
  // was at the path asked for); empty when it is where it was asked for.
  QString documentPath;
};

// Reads the reason field of an "ok" answer; nothing when it is none of the forms above.
std::optional<ConverterOkAnswer> ReadConverterOkAnswer(const QByteArray& reason);
