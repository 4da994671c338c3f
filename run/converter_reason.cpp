// The converter's reason: the bounded capture of its standard error and the fall-back texts.
#include "run/converter_reason.h"

#include <QStringList>

void ErrorOutput::Append(const QByteArray& bytes) {
  const qsizetype room = kKeptBytes - kept_.size();
  if (room > 0) kept_.append(bytes.left(room));
}

QString ErrorOutput::Reason() const {
  const QStringList lines = QString::fromUtf8(kept_).split(QLatin1Char('\n'));
  for (const QString& line : lines) {
    const QString text = line.trimmed();
    if (text.isEmpty()) continue;
    if (text.size() <= kReasonCharacters) return text;
    return text.left(kReasonCharacters - 3) + QStringLiteral("...");
  }
  return {};
}

QString FailureReason(const QString& converterReason, int status) {
  if (!converterReason.isEmpty()) return converterReason;
  if (status == kConverterNotRun || status < 0) return QStringLiteral("The converter could not be started.");
  if (status != 0) return QStringLiteral("The converter ended with status %1.").arg(status);
  return QStringLiteral("The converter wrote no document.");
}
