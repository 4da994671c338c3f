// Escaping control characters and raw name bytes for the terminal.
#include "cli/terminal_text.h"

namespace {

QByteArray Hex(const char* prefix, unsigned value, int digits) {
  return prefix + QByteArray::number(value, 16).rightJustified(digits, '0');
}

}  // namespace

QByteArray TerminalText(const QString& text) {
  QByteArray shown;
  shown.reserve(text.size());
  const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
  qsizetype plainStart = 0;
  auto flush = [&](qsizetype end) {
    if (end > plainStart) shown += QStringView(text).mid(plainStart, end - plainStart).toUtf8();
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = units[i];
    QByteArray escape;
    if (u == 0x1B) {
      escape = "\\e";
    } else if (u == u'\n') {
      escape = "\\n";
    } else if (u == u'\r') {
      escape = "\\r";
    } else if (u == u'\t') {
      escape = "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      escape = Hex("\\x", u, 2);
    } else if (u >= 0x80 && u <= 0x9F) {
      escape = Hex("\\u", u, 4);
    } else if (u >= 0xDC80 && u <= 0xDCFF && !(i > 0 && QChar::isHighSurrogate(units[i - 1]))) {
      escape = Hex("\\x", u - 0xDC00, 2);  // a name's byte that is not UTF-8
    } else {
      continue;
    }
    flush(i);
    shown += escape;
    plainStart = i + 1;
  }
  flush(text.size());
  return shown;
}
