// Message boxes as lines on standard error.
#include "cli/console_dialogs.h"

#include <QRegularExpression>

void ConsoleDialogs::ShowMessage(const QString& text, const QString& caption, Icon) {
  QString line = text;
  static const QRegularExpression kBreaks(QStringLiteral("[\\r\\n]+"));
  line.replace(kBreaks, QStringLiteral(" "));
  const QString prefix = caption.isEmpty() ? QStringLiteral("lorvane convert: ") : caption + QStringLiteral(": ");
  std::fprintf(errors_, "%s%s\n", qPrintable(prefix), qPrintable(line.trimmed()));
  std::fflush(errors_);
}
