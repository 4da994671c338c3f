// The run's vocabulary: a job of a batch (one message and where its document goes) and
// what became of it. The plan makes jobs and reads outcomes, the engine (run/engine/) runs
// them; both see these two types and nothing of each other.
#pragma once

#include <QString>
#include <QStringList>

#include "converter/serve_protocol.h"

struct BatchJob {
  QString source;
  QString output;
  // The document may replace a file at `output` (the user chose to replace documents on
  // disk); without it the converter never replaces anything and takes the next numbered
  // name instead, so a run never writes over a document or attachment it wrote itself.
  bool replace = false;
};

struct BatchOutcome {
  bool converted = false;
  // What became of the job: the converter's result code, or the run's own (timed out,
  // crashed, stopped, not started; converter/serve_protocol.h).
  quorlin::serve_protocol::Result result = quorlin::serve_protocol::Result::kOk;
  QString reason;  // why the message was not converted; empty when it was
  // Where the document went when it was not where it was asked for: a file had come to
  // stand at that path during the run, and the converter took the next numbered name.
  QString document;
  QStringList notices;  // the converter's notices about this message, converted or not
  // What an "ok" answer carried: the document's name for a name request, what was kept
  // ("attachments N messages M") for a conversion with attachments saved.
  QString detail;
  int attachmentFiles = 0;   // attachments saved with the document
  int embeddedMessages = 0;  // embedded messages converted into documents of their own
};
