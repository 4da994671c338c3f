// Mapping a result word and the converter's reason to a sentence a user can act on.
#include "run/converter_reason.h"

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

bool StartsWithAny(const QString& text, std::initializer_list<const char*> beginnings) {
  for (const char* beginning : beginnings)
    if (text.startsWith(QLatin1String(beginning))) return true;
  return false;
}

}  // namespace

QString FailureReason::Text() const {
  return detail.isEmpty() ? sentence : sentence + QStringLiteral(" (") + detail + QStringLiteral(")");
}

FailureReason ReasonForOutcome(const QString& word, const QString& detail) {
  const QString damaged = QStringLiteral("The message file is damaged and cannot be read.");
  if (word == QLatin1String("format")) {
    // No signature, a header too short for one, or a compound file that holds no message.
    if (StartsWithAny(detail, {"not a compound file", "not a message"}))
      return {QStringLiteral("This is not an Outlook message file."), detail};
    return {damaged, detail};
  }
  if (word == QLatin1String("decode") || word == QLatin1String("property")) return {damaged, detail};
  if (word == QLatin1String("io")) {
    if (StartsWithAny(detail, {"cannot read input file", "cannot open input file"}))
      return {QStringLiteral("The message file could not be read: %1.").arg(SystemPart(detail)), detail};
    const QString system = SystemPart(detail);
    // Without a system's reason to name, the detail says what went wrong.
    if (system == detail) return {QStringLiteral("The document could not be written."), detail};
    return {QStringLiteral("The document could not be written: %1.").arg(system), detail};
  }
  if (word == QLatin1String("timeout")) {
    // The run words it already ("the conversion took longer than 7 seconds"): a sentence.
    QString sentence = detail;
    if (!sentence.isEmpty()) sentence[0] = sentence[0].toUpper();
    return {sentence + u'.' + kTimeLimitHint, {}};
  }
  if (word == QLatin1String("stopped")) return {QStringLiteral("The run was stopped before this message was done."), {}};
  if (word == QLatin1String("not-started")) return {QStringLiteral("The converter could not be started."), detail};
  if (word == QLatin1String("internal") && detail == QLatin1String("out of memory"))
    return {QStringLiteral("There was not enough memory to convert this message."), detail};
  if (word == QLatin1String("ended")) return {QStringLiteral("The converter stopped unexpectedly on this message."), detail};
  return {QStringLiteral("The converter could not convert this message."), detail};
}
