// What a run came to, message by message, in list order: the counts the command's closing
// line and the window's closing box give, and the report's lines (the command's --report,
// the window's "Save List..."). Every message of the plan is counted once: converted,
// failed, stopped (cut short by a stop while under way), skipped or not started.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "run/jobs/batch_job.h"
#include "run/plan/run_plan.h"
#include "run/plan/run_report.h"

struct RunTally {
  std::size_t converted = 0;
  std::size_t failed = 0;
  std::size_t stopped = 0;
  std::size_t skipped = 0;
  std::size_t notStarted = 0;
  std::size_t numbered = 0;  // converted under a numbered name
  // Every message, in list order; a failure's or a message not started's reason, and any
  // message's notices, in the reason column.
  std::vector<ReportLine> lines;
};

// `outcomes` holds each job's outcome (none for a job the run never reported on).
RunTally TallyRun(const RunPlan& plan, const std::vector<std::optional<BatchOutcome>>& outcomes);
