// The report of a run, written by the command's --report and the window's "Save List...":
// one line per message with its source, output, status, reason, and the attachments kept
// and embedded messages converted with it (0 unless attachments are saved), as
// tab-separated values (with a header line) or as JSON lines, chosen by the report file's
// extension. The file appears whole or not at all. Names keep their exact bytes: in the
// tab-separated report as they are, in JSON lines a byte that is not UTF-8 as the escape
// of the lone surrogate it is held as ("\udcff" for byte FF).
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct ReportLine {
  QString source;
  QString output;
  QString status;  // "converted", "failed", "stopped", "skipped" or "not-started"
  QString reason;  // empty when converted
  int attachments = 0;  // attachment files saved beside the document
  int messages = 0;     // embedded messages converted into documents of their own
};

enum class ReportFormat { kTsv, kJsonLines };

// The format for a report file name: .jsonl gives JSON lines, anything else tab-separated.
ReportFormat ReportFormatFor(const QString& path);

// The report's whole text.
QByteArray ReportText(const std::vector<ReportLine>& lines, ReportFormat format);

// Why the report may not go to `path`, before anything is converted: something that is not
// a regular file stands there (a folder, a device, a pipe, also through a link), or it is
// one of the messages to convert. Empty when the path may take the report.
QString ReportPathProblem(const QString& path, const QStringList& sources);

// Writes the report into a new temporary file beside its final name (the file a link at
// `path` leads to) and renames it into place once every byte is on the disk, with the older
// report's permissions or, for a new one, 0666 less the umask (converter/files/atomic_file.h, the way the PDFs are written).
// Returns false with the reason when it cannot be written (a full disk, a folder gone); an
// older file at the path is then left as it was and no temporary file remains.
bool WriteReport(const QString& path, const std::vector<ReportLine>& lines, QString& failure);
