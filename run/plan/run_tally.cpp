// Counting a run's outcomes against its plan.
#include "run/plan/run_tally.h"

#include "run/plan/converter_reason.h"

RunTally TallyRun(const RunPlan& plan, const std::vector<std::optional<BatchOutcome>>& outcomes) {
  RunTally tally;
  std::size_t job = 0;
  for (const PlannedMessage& message : plan.messages) {
    if (message.skipped) {
      ++tally.skipped;
      tally.lines.push_back({message.source, message.output, QStringLiteral("skipped"),
                             QStringLiteral("The document is there already.")});
      continue;
    }
    const std::optional<BatchOutcome>& outcome = job < outcomes.size() ? outcomes[job] : std::nullopt;
    ++job;
    if (!outcome || outcome->result == quorlin::serve_protocol::Result::kNotStarted) {
      ++tally.notStarted;
      // Never begun: the run was stopped first, or no converter could start (its reason).
      const QString reason = outcome && !outcome->reason.isEmpty()
                                 ? ReasonForOutcome(outcome->result, outcome->reason).Text()
                                 : QStringLiteral("The run was stopped before this message was begun.");
      tally.lines.push_back({message.source, message.output, QStringLiteral("not-started"), reason});
      continue;
    }
    const bool stopped = !outcome->converted && outcome->result == quorlin::serve_protocol::Result::kStopped;
    outcome->converted ? ++tally.converted : stopped ? ++tally.stopped : ++tally.failed;
    // A document that found its name taken during the run went to the next numbered one.
    const QString output = outcome->document.isEmpty() ? message.output : outcome->document;
    if (outcome->converted && (message.numbered || output != message.output)) ++tally.numbered;
    QStringList reason = outcome->notices;
    if (!outcome->converted) reason.prepend(ReasonForOutcome(outcome->result, outcome->reason).Text());
    tally.lines.push_back({message.source, output,
                           outcome->converted ? QStringLiteral("converted")
                           : stopped          ? QStringLiteral("stopped")
                                              : QStringLiteral("failed"),
                           reason.join(QStringLiteral("; ")), outcome->attachmentFiles, outcome->embeddedMessages});
  }
  return tally;
}
