// The two document formats' words, extensions and what each needs installed.
#include "run/plan/document_format.h"

#include "pdf/office_location.h"

QString FormatWord(DocumentFormat format) {
  return format == DocumentFormat::kPdf ? QStringLiteral("pdf") : QStringLiteral("doc");
}

std::optional<DocumentFormat> FormatForWord(const QString& word) {
  const QString lower = word.trimmed().toLower();
  if (lower == QLatin1String("doc")) return DocumentFormat::kDoc;
  if (lower == QLatin1String("pdf")) return DocumentFormat::kPdf;
  return std::nullopt;
}

QString FormatExtension(DocumentFormat format) {
  return format == DocumentFormat::kPdf ? QStringLiteral(".pdf") : QStringLiteral(".doc");
}

QString FormatMissingReason(DocumentFormat format) {
  if (format != DocumentFormat::kPdf) return {};
  return QString::fromStdString(lorvane_pdf::OfficeMissingReason());
}
