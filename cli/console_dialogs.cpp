// Message boxes as lines on standard error.
#include "cli/console_dialogs.h"

#include <QRegularExpression>

#include "cli/terminal_text.h"

void ConsoleDialogs::ShowMessage(const QString& text, const QString& caption, Icon) {
  QString line = text;
  static const QRegularExpression kBreaks(QStringLiteral("[\\r\\n]+"));
  line.replace(kBreaks, QStringLiteral(" "));
  const QString prefix = caption.isEmpty() ? QStringLiteral("lorvane convert: ") : caption + QStringLiteral(": ");
  std::fprintf(errors_, "%s\n", TerminalText(prefix + line.trimmed()).constData());
  std::fflush(errors_);
}
