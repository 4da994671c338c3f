// The table of the run's options.
#include "run/run_options.h"

#include "platform/boolean_text.h"
#include "platform/settings.h"

namespace {

// Where the documents go below a chosen output folder.
RunOptionRow KeepFoldersRow() {
  return {QStringLiteral("tree"),
          QChar(),
          QString(),
          QStringLiteral("keep the sub-folders: each document goes under DIR at its message's place below the folder "
                         "given"),
          QStringLiteral("&Keep sub-folders"),
          QStringLiteral("Keeps the sub-folders below an added folder in the output folder."),
          QStringLiteral("KeepFolders"),
          RunOptionPlace::kBesideOutputFolder,
          QStringLiteral("KeepFolders"),
          QStringLiteral("0"),
          {},
          [](RunOptions& options, const QString&) {
            options.keepFolders = true;
            return QString();
          },
          [](RunOptions& options, const QString& text) { options.keepFolders = TextToBoolean(text); },
          [](const RunOptions& options) { return BooleanToText(options.keepFolders); }};
}

// How the documents are named.
RunOptionRow NamePatternRow() {
  return {QStringLiteral("name"),
          QChar(),
          QStringLiteral("PATTERN"),
          QStringLiteral("name the documents by PATTERN of {file} (the default), {date}, {subject} and {from}, e.g. "
                         "\"{date} {subject}\""),
          QStringLiteral("&Name documents by:"),
          QStringLiteral("Names each document after its message's file, or its date and subject."),
          QStringLiteral("NameBy"),
          RunOptionPlace::kDocuments,
          QStringLiteral("NameBy"),
          name_pattern::SettingFor(name_pattern::kFile),
          {{name_pattern::SettingFor(name_pattern::kFile), QStringLiteral("file name")},
           {name_pattern::SettingFor(name_pattern::kDateSubject), QStringLiteral("date and subject")}},
          [](RunOptions& options, const QString& value) {
            if (value.isEmpty()) return QStringLiteral("--name needs a pattern such as \"{date} {subject}\"");
            if (const QString problem = NamePatternProblem(value); !problem.isEmpty()) return problem;
            options.namePattern = value;
            return QString();
          },
          [](RunOptions& options, const QString& text) { options.namePattern = name_pattern::ForSetting(text); },
          [](const RunOptions& options) { return name_pattern::SettingFor(options.namePattern); }};
}

// What the documents are saved as.
RunOptionRow FormatRow() {
  return {QStringLiteral("format"),
          u'f',
          QStringLiteral("FORMAT"),
          QStringLiteral("doc (the default: RTF text that word processors open, saved as .doc) or pdf (one archival "
                         "PDF/A-3b file per message, holding the original message and, with --attachments, its "
                         "attachments; needs LibreOffice Writer)"),
          QStringLiteral("Sa&ve as:"),
          QStringLiteral("Saves each message as RTF text that word processors open, named .doc, or as one archival "
                         "PDF/A file holding its attachments and the original message (needs LibreOffice Writer)."),
          QStringLiteral("SaveAs"),
          RunOptionPlace::kDocuments,
          QStringLiteral("Format"),
          FormatWord(DocumentFormat::kDoc),
          {{FormatWord(DocumentFormat::kDoc), QStringLiteral("RTF document (.doc)")},
           {FormatWord(DocumentFormat::kPdf), QStringLiteral("PDF/A document (.pdf)")}},
          [](RunOptions& options, const QString& value) {
            const std::optional<DocumentFormat> format = FormatForWord(value);
            if (!format) return QStringLiteral("--format needs doc or pdf");
            options.format = *format;
            return QString();
          },
          [](RunOptions& options, const QString& text) {
            options.format = FormatForWord(text).value_or(DocumentFormat::kDoc);
          },
          [](const RunOptions& options) { return FormatWord(options.format); }};
}

}  // namespace

const std::vector<RunOptionRow>& RunOptionTable() {
  // A new run option is one row here, a field of RunOptions, and the logic that reads it.
  static const std::vector<RunOptionRow> rows{KeepFoldersRow(), NamePatternRow(), FormatRow()};
  return rows;
}

const RunOptionRow* RunOptionNamed(const QString& flag) {
  for (const RunOptionRow& row : RunOptionTable()) {
    if (row.flag == flag) return &row;
  }
  return nullptr;
}

QString ReadRunOptionSetting(SettingsStore& store, const RunOptionRow& row) {
  return ReadKeyedSetting(store, row.settingKey, row.settingDefault);
}

void WriteRunOptionSetting(SettingsStore& store, const RunOptionRow& row, const QString& word) {
  WriteKeyedSetting(store, row.settingKey, word);
}
