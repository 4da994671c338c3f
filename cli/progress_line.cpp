// Drawing the progress line: a carriage return, the text, and an erase to the line's end.
#include "cli/progress_line.h"

namespace {
constexpr qint64 kRedrawMs = 250;
}

QString ProgressText(std::size_t done, std::size_t total, std::size_t failed, qint64 elapsedMs) {
  QString text = QStringLiteral("%1/%2 done, %3 failed").arg(done).arg(total).arg(failed);
  if (done == 0 || elapsedMs <= 0) return text;
  const double rate = static_cast<double>(done) * 1000.0 / static_cast<double>(elapsedMs);
  text += QStringLiteral(", %1 messages/s").arg(rate, 0, 'f', rate < 10 ? 1 : 0);
  const double left = static_cast<double>(total - done) / rate;
  if (left >= 60) {
    const auto seconds = static_cast<qint64>(left + 0.5);
    text += QStringLiteral(", about %1 min %2 s left").arg(seconds / 60).arg(seconds % 60);
  } else {
    text += QStringLiteral(", about %1 s left").arg(static_cast<qint64>(left + 0.5));
  }
  return text;
}

ProgressLine::ProgressLine(std::FILE* stream, bool enabled, std::size_t total)
    : stream_(stream), enabled_(enabled), total_(total) {
  elapsed_.start();
}

void ProgressLine::Update(std::size_t done, std::size_t failed, bool force) {
  if (!enabled_) return;
  const qint64 now = elapsed_.elapsed();
  if (!force && lastDrawMs_ >= 0 && now - lastDrawMs_ < kRedrawMs) return;
  lastDrawMs_ = now;
  std::fprintf(stream_, "\r%s\x1b[K", qPrintable(ProgressText(done, total_, failed, now)));
  std::fflush(stream_);
  shown_ = true;
}

void ProgressLine::Clear() {
  if (!shown_) return;
  std::fputs("\r\x1b[K", stream_);
  std::fflush(stream_);
  shown_ = false;
}
