// Escaping of report fields and the write of the report file, complete or not at all.
#include "run/plan/run_report.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "converter/files/atomic_file.h"
#include "platform/native_names.h"

namespace {

// A tab-separated field: backslash, tab, line feed and carriage return as \\, \t, \n, \r,
// so that every message stays on one line with six fields.
QString TsvField(const QString& text) {
  QString field;
  field.reserve(text.size());
  for (const QChar c : text) {
    switch (c.unicode()) {
      case u'\\': field += QLatin1String("\\\\"); break;
      case u'\t': field += QLatin1String("\\t"); break;
      case u'\n': field += QLatin1String("\\n"); break;
      case u'\r': field += QLatin1String("\\r"); break;
      default: field += c;
    }
  }
  return field;
}

QString JsonString(const QString& text) {
  QString json = QStringLiteral("\"");
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const char16_t u = c.unicode();
    // A surrogate that is not half of a pair is a name's byte that is not UTF-8.
    const bool loneSurrogate = (c.isHighSurrogate() && (i + 1 == text.size() || !text[i + 1].isLowSurrogate())) ||
                               (c.isLowSurrogate() && (i == 0 || !text[i - 1].isHighSurrogate()));
    if (u == u'"') {
      json += QLatin1String("\\\"");
    } else if (u == u'\\') {
      json += QLatin1String("\\\\");
    } else if (u == u'\n') {
      json += QLatin1String("\\n");
    } else if (u == u'\r') {
      json += QLatin1String("\\r");
    } else if (u == u'\t') {
      json += QLatin1String("\\t");
    } else if (u < 0x20 || u == 0x7F || loneSurrogate) {
      json += QStringLiteral("\\u%1").arg(static_cast<int>(u), 4, 16, QLatin1Char('0'));
    } else {
      json += c;
    }
  }
  return json + QLatin1Char('"');
}

}  // namespace

ReportFormat ReportFormatFor(const QString& path) {
  return path.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive) ? ReportFormat::kJsonLines : ReportFormat::kTsv;
}

QByteArray ReportText(const std::vector<ReportLine>& lines, ReportFormat format) {
  QString text;
  if (format == ReportFormat::kTsv) text += QStringLiteral("source\toutput\tstatus\treason\tattachments\tmessages\n");
  for (const ReportLine& line : lines) {
    if (format == ReportFormat::kTsv) {
      text += TsvField(line.source) + u'\t' + TsvField(line.output) + u'\t' + TsvField(line.status) + u'\t' +
              TsvField(line.reason) + u'\t' + QString::number(line.attachments) + u'\t' +
              QString::number(line.messages) + u'\n';
    } else {
      text += QStringLiteral("{\"source\":") + JsonString(line.source) + QStringLiteral(",\"output\":") +
              JsonString(line.output) + QStringLiteral(",\"status\":") + JsonString(line.status) +
              QStringLiteral(",\"reason\":") + JsonString(line.reason) + QStringLiteral(",\"attachments\":") +
              QString::number(line.attachments) + QStringLiteral(",\"messages\":") + QString::number(line.messages) +
              QStringLiteral("}\n");
    }
  }
  // A name's bytes that are not UTF-8 go into the tab-separated report as they are.
  return NativeName(text);
}

QString ReportPathProblem(const QString& path, const QStringList& sources) {
  const auto report = NativeFileIdentity(path);
  if (!report) return {};
#ifdef _WIN32
  if (!QFileInfo(path).isFile()) return QStringLiteral("the report path is not a regular file: ") + path;
#else
  struct stat st;
  if (::stat(NativeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
    return QStringLiteral("the report path is not a regular file: ") + path;
#endif
  for (const QString& source : sources) {
    if (NativeFileIdentity(source) == report) return QStringLiteral("the report path is one of the messages: ") + path;
  }
  return {};
}

bool WriteReport(const QString& path, const std::vector<ReportLine>& lines, QString& failure) {
  const QByteArray text = ReportText(lines, ReportFormatFor(path));
  // A link keeps leading to the report: the new file takes the name the link leads to.
#ifdef _WIN32
  // A report's name on Windows is its text; a link to it is replaced by the report.
  const QByteArray target = NativeName(QDir::toNativeSeparators(path));
  const QFileInfo existing(path);
  if (existing.exists() && !existing.isFile()) {
    failure = QStringLiteral("it is not a regular file");
    return false;
  }
#else
  QByteArray target = NativeName(path);
  if (char* resolved = ::realpath(target.constData(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  struct stat existing;
  if (::lstat(target.constData(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    failure = QStringLiteral("it is not a regular file");
    return false;
  }
#endif
  // Written as a PDF document is, replacing the older report: it keeps that report's
  // permissions, and a new one is readable like any file the user makes.
  quorlin::AtomicFile output(target.toStdString(), {.journaled = false, .private_while_written = true});
  std::error_code error = output.Open();
  if (!error) {
    errno = 0;
    if (std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), output.Stream()) !=
        static_cast<std::size_t>(text.size()))
      error = std::error_code(errno ? errno : EIO, std::generic_category());
    else
      error = output.Replace();
  }
  if (!error) return true;
  output.Discard();
  // Something other than a regular file took the name while the report was written.
  failure = error == std::errc::file_exists ? QStringLiteral("it is not a regular file")
                                            : QString::fromLocal8Bit(std::strerror(error.value()));
  return false;
}
