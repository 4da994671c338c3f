// Escaping of report fields and the atomic write of the report file.
#include "cli/run_report.h"

#include <QSaveFile>

namespace {

// A tab-separated field: backslash, tab, line feed and carriage return as \\, \t, \n, \r,
// so that every message stays on one line with four fields.
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
  for (const QChar c : text) {
    const char16_t u = c.unicode();
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
    } else if (u < 0x20 || u == 0x7F) {
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
  if (format == ReportFormat::kTsv) text += QStringLiteral("source\toutput\tstatus\treason\n");
  for (const ReportLine& line : lines) {
    if (format == ReportFormat::kTsv) {
      text += TsvField(line.source) + u'\t' + TsvField(line.output) + u'\t' + TsvField(line.status) + u'\t' +
              TsvField(line.reason) + u'\n';
    } else {
      text += QStringLiteral("{\"source\":") + JsonString(line.source) + QStringLiteral(",\"output\":") +
              JsonString(line.output) + QStringLiteral(",\"status\":") + JsonString(line.status) +
              QStringLiteral(",\"reason\":") + JsonString(line.reason) + QStringLiteral("}\n");
    }
  }
  return text.toUtf8();
}

bool WriteReport(const QString& path, const std::vector<ReportLine>& lines, QString& failure) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    failure = file.errorString();
    return false;
  }
  const QByteArray text = ReportText(lines, ReportFormatFor(path));
  if (file.write(text) != text.size() || !file.commit()) {
    failure = file.errorString();
    file.cancelWriting();
    return false;
  }
  return true;
}
