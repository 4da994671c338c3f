// A batch run: converts a list of jobs with several long-lived converter processes at once.
// The main program never converts a message itself; a converter that crashes, breaks the
// exchange or takes longer than the time-out fails the one message it was working on and
// is replaced for the next. Every job gets exactly one outcome, whatever the converters do,
// and the run always ends.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <vector>

#include "converter/options/conversion_options.h"
#include "pdf/pdf_renderer.h"
#include "run/jobs/batch_job.h"

// What the converters are asked for each job.
enum class BatchRequest {
  kConvert,  // convert the source into the output
  kName,     // the name BatchSettings::namePattern gives the source's document (no output)
};

struct BatchSettings {
  QString converterPath;
  // The run's private folder (only this user may enter it): each converter keeps the
  // journal of its conversion under way there. Empty: the run makes one of its own.
  QString privateFolder;
  int workers = 1;
  int timeoutMs = 120000;
  BatchRequest request = BatchRequest::kConvert;
  QString namePattern;  // for name requests
  // What every document holds beside the message's body. Its replace is each job's own
  // (BatchJob::replace).
  quorlin::ConversionOptions documents;
  // A document's folder that does not exist is made before its message is sent (the kept
  // sub-folders); a folder that cannot be made fails the message with the reason.
  bool makeFolders = false;
  // A descriptor that becomes readable when the run must stop starting new work; -1 for none.
  // Readable before the run begins, it begins nothing.
  int stopDescriptor = -1;
  // After a stop, how long running conversions may take to finish before they are ended.
  int stopGraceMs = 2000;
  // Called in the run's thread at least every quarter of a second while it goes on (a
  // progress line drawn at most that often still shows the last outcomes); none for none.
  std::function<void()> tick;
  // PDF documents: each job's output is its final PDF. The converter writes the document
  // and what it saved into a folder of the job's own below `pdfScratch` (a private folder
  // of the run's), and the PDF stage (run/pdf_stage/pdf_stage.h) makes the PDF from it, one
  // LibreOffice per worker; the job's time limit covers both.
  bool pdf = false;
  QString pdfScratch;
  lorvane_pdf::RendererSettings pdfRenderer;
};

struct BatchSummary {
  std::size_t finished = 0;    // jobs that were begun and got an outcome
  std::size_t notStarted = 0;  // jobs never begun ("not-started" outcomes)
  bool stopped = false;        // the stop descriptor ended the run early
  QString startFailure;        // set when no converter could be started; the run then ends
};

// Runs the jobs, handing them out in list order. `done` is called in the calling thread
// exactly once for every job, in the order the outcomes arrive, with the job's index;
// `begun`, when given, as a converter starts on a job. A job never begun (after a stop or
// a start failure) gets the outcome "not-started" as the run ends.
BatchSummary RunBatch(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                      const std::function<void(std::size_t, const BatchOutcome&)>& done,
                      const std::function<void(std::size_t)>& begun = {});


// The reason of a message that passed the time limit: "the conversion took longer than 120
// seconds" ("1 second").
QString TimeLimitReason(int seconds);
