// The table that names each document option in the converter's words. The converter spells
// an option's flag as "--" and its request word (converter/options/conversion_options.h).
#include "run/document_options.h"

#include <array>

namespace {

struct Row {
  bool DocumentOptions::*field;
  const char* word;
};

// A new option is one row here and a field of DocumentOptions.
constexpr std::array kRows = {
    Row{&DocumentOptions::headerBlock, "header"},
    Row{&DocumentOptions::pictures, "pictures"},
    Row{&DocumentOptions::attachments, "attachments"},
    Row{&DocumentOptions::fileDates, "dates"},
};

}  // namespace

QStringList ConverterArguments(const QString& source, const QString& output, const DocumentOptions& options) {
  QStringList arguments;
  for (const Row& row : kRows) {
    if (options.*(row.field)) arguments << QStringLiteral("--") + QLatin1String(row.word);
  }
  arguments << source << output;
  return arguments;
}

std::string ConverterRequestOptions(const DocumentOptions& options) {
  std::string words;
  for (const Row& row : kRows) {
    if (!(options.*(row.field))) continue;
    if (!words.empty()) words += ' ';
    words += row.word;
  }
  return words;
}
