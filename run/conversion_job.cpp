// The run's steps shared by the window and the command: the converter's placement, the
// settings of each batch, the name pass, the plan, the outcomes and the tally.
#include "run/conversion_job.h"

#include <utility>

#include "run/engine/converter_image.h"

BatchSummary RunInThisThread(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                             const BatchEvents& events) {
  BatchSettings withTick = settings;
  withTick.tick = events.tick;
  return RunBatch(
      jobs, withTick,
      [&events](std::size_t index, const BatchOutcome& outcome) {
        if (events.arrived) events.arrived(index, outcome);
      },
      events.begun);
}

ConversionJob::ConversionJob(JobChoices choices, BatchDriver driver)
    : choices_(std::move(choices)), driver_(std::move(driver)) {
  choices_.paths.extension = FormatExtension(choices_.options.format);
  choices_.paths.keepFolders = choices_.options.keepFolders;
}

void ConversionJob::PlaceConverter() {
  if (placementTried_) return;
  placementTried_ = true;
  placement_.Place(choices_.converterImage.isEmpty() ? ConverterImage() : QByteArrayView(choices_.converterImage));
}

bool ConversionJob::ReadsNames() const {
  return NamesFromMessages(choices_.options.namePattern) && !choices_.sources.paths.isEmpty();
}

BatchSettings ConversionJob::CommonSettings() const {
  BatchSettings settings;
  settings.converterPath = placement_.ConverterPath();
  settings.workers = choices_.workers;
  settings.timeoutMs = choices_.timeoutSeconds * 1000;
  settings.stopDescriptor = choices_.stopDescriptor;
  return settings;
}

BatchSummary ConversionJob::ReadNames(const BatchEvents& events) {
  BatchSettings settings = CommonSettings();
  settings.request = BatchRequest::kName;
  settings.namePattern = choices_.options.namePattern;
  stems_.assign(static_cast<std::size_t>(choices_.sources.paths.size()), QString());
  BatchEvents keeping = events;
  keeping.arrived = [this, &events](std::size_t index, const BatchOutcome& outcome) {
    stems_[index] = NameFromOutcome(outcome);
    if (events.arrived) events.arrived(index, outcome);
  };
  return driver_(NameJobs(choices_.sources.paths), settings, keeping);
}

QStringList ConversionJob::DocumentsAlreadyThere() const {
  return ::DocumentsAlreadyThere(choices_.sources, choices_.paths, stems_);
}

const RunPlan& ConversionJob::MakePlan(ExistingDocuments existing) {
  plan_ = PlanRun(choices_.sources, choices_.paths, stems_, existing, choices_.stopped);
  outcomes_.assign(plan_.jobs.size(), std::nullopt);
  return plan_;
}

BatchSettings ConversionJob::ConvertSettings() const {
  BatchSettings settings = CommonSettings();
  settings.documents = choices_.documents;
  // Sub-folders are kept below a chosen output folder only.
  settings.makeFolders = choices_.paths.toFolder && choices_.paths.keepFolders;
  // A PDF's document and what the converter saves with it stay in the run's own folder.
  settings.pdf = choices_.options.format == DocumentFormat::kPdf;
  settings.pdfScratch = placement_.Folder();
  settings.privateFolder = placement_.Folder();
  return settings;
}

BatchSummary ConversionJob::Convert(const BatchEvents& events) {
  BatchEvents keeping = events;
  keeping.arrived = [this, &events](std::size_t index, const BatchOutcome& outcome) {
    outcomes_[index] = outcome;
    if (events.arrived) events.arrived(index, outcome);
  };
  return driver_(plan_.jobs, ConvertSettings(), keeping);
}

RunTally ConversionJob::Tally() const { return TallyRun(plan_, outcomes_); }

QString ConversionJob::DocumentsFolder() const { return ::DocumentsFolder(choices_.paths, plan_); }
