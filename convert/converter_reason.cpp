// The converter's reason: the bounded capture of its standard error and the fall-back texts.
#include "convert/converter_reason.h"

#include <QStringList>
#include <algorithm>

void ErrorOutput::Append(const QByteArray& bytes) {
  kept_.append(bytes.right(kKeptBytes));
  if (kept_.size() > kKeptBytes) kept_.remove(0, kept_.size() - kKeptBytes);
}

QString ErrorOutput::Reason() const {
  QStringList lines = QString::fromUtf8(kept_).split(QLatin1Char('\n'));
  std::reverse(lines.begin(), lines.end());
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
