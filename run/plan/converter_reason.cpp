// Mapping a result word and the converter's reason to a sentence a user can act on.
#include "run/plan/converter_reason.h"

namespace {

// The system's part of an input or output failure: what follows the quoted path
// ("cannot create output file "/o/a.doc": Permission denied" gives "Permission denied").
QString SystemPart(const QString& detail) {
  const qsizetype after = detail.lastIndexOf(QStringLiteral("\": "));
  QString part = after >= 0 ? detail.mid(after + 3) : detail;
  if (part.endsWith(u'.')) part.chop(1);
  return part;
}

// Where a user changes the limit a message passed.
const QString kTimeLimitHint =
    QStringLiteral(" The limit is the TimeLimit setting of the window, --timeout of lorvane convert.");

}  // namespace

QString FailureReason::Text() const {
  return detail.isEmpty() ? sentence : sentence + QStringLiteral(" (") + detail + QStringLiteral(")");
}

FailureReason ReasonForOutcome(quorlin::serve_protocol::Result result, const QString& detail) {
  using quorlin::serve_protocol::Result;
  switch (result) {
    case Result::kOk:
      return {};
    case Result::kNotAMessage:
      return {QStringLiteral("This is not an Outlook message file."), detail};
    case Result::kDamaged:
      return {QStringLiteral("The message file is damaged and cannot be read."), detail};
    case Result::kUnreadable:
      return {QStringLiteral("The message file could not be read: %1.").arg(SystemPart(detail)), detail};
    case Result::kUnwritable: {
      const QString system = SystemPart(detail);
      // Without a system's reason to name, the detail says what went wrong.
      if (system == detail) return {QStringLiteral("The document could not be written."), detail};
      return {QStringLiteral("The document could not be written: %1.").arg(system), detail};
    }
    case Result::kOutOfMemory:
      return {QStringLiteral("There was not enough memory to convert this message."), detail};
    case Result::kTimedOut: {
      // The run words it already ("the conversion took longer than 7 seconds"): a sentence.
      QString sentence = detail;
      if (!sentence.isEmpty()) sentence[0] = sentence[0].toUpper();
      return {sentence + u'.' + kTimeLimitHint, {}};
    }
    case Result::kStopped:
      return {QStringLiteral("The run was stopped before this message was done."), {}};
    case Result::kNotStarted:
      return {QStringLiteral("The converter could not be started."), detail};
    case Result::kCrashed:
      return {QStringLiteral("The converter stopped unexpectedly on this message."), detail};
    case Result::kPdfFailed:
      return {QStringLiteral("The PDF document could not be made."), detail};
    case Result::kInternal:
    case Result::kUsage:
      break;
  }
  return {QStringLiteral("The converter could not convert this message."), detail};
}
