// The report of a command-line run: one line per message with its source, output, status
// and reason, as tab-separated values (with a header line) or as JSON lines, chosen by the
// report file's extension. The file appears whole or not at all.
#pragma once

#include <QString>
#include <vector>

struct ReportLine {
  QString source;
  QString output;
  QString status;  // "converted" or "failed"
  QString reason;  // empty when converted
};

enum class ReportFormat { kTsv, kJsonLines };

// The format for a report file name: .jsonl gives JSON lines, anything else tab-separated.
ReportFormat ReportFormatFor(const QString& path);

// The report's whole text.
QByteArray ReportText(const std::vector<ReportLine>& lines, ReportFormat format);

// Writes the report through a temporary file renamed into place. Returns false with the
// reason when it cannot be written; an older file at the path is then left as it was.
bool WriteReport(const QString& path, const std::vector<ReportLine>& lines, QString& failure);
