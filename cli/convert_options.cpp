// Reading `lorvane convert`'s arguments with Qt's command-line parser: long options with
// their value as the next argument or after "=", "--" before paths that begin with "-".
// Every option is one row: the command's own in the tables below, the document options in
// the converter's table; the rows also give the --help text.
#include "cli/convert_options.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <vector>

#include "run/plan/document_options.h"
#include "run/plan/name_pass.h"
#include "run/plan/time_limit.h"
#include "run/run_options.h"

namespace {

// Reads the option's value (empty for a flag) into the options; returns the reason for
// refusing it, empty when it is taken.
using ReadValue = QString (*)(ConvertOptions& options, QString value);

// One of the command's own options.
struct OwnOption {
  const char* name;
  char shortName;         // the one-letter form ("-o"), or 0 for none
  const char* valueName;  // empty for a flag
  const char* help;       // a line break starts a new line; long lines are wrapped
  ReadValue read;
};

// An option as the parser and the help see it: one of the command's own, or a document
// option of the converter's table.
struct OptionRow {
  QString name;
  QString shortName;  // empty for none
  QString valueName;
  QString help;
  ReadValue read = nullptr;
  bool ConversionOptions::*document = nullptr;
  const RunOptionRow* run = nullptr;
};

// A whole number from `low` to `high`, or nothing.
std::optional<int> Number(const QString& text, int low, int high) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < low || value > high) return std::nullopt;
  return value;
}

// The reader of a flag that turns on one of the command's own choices.
template <bool ConvertOptions::*field>
QString SetFlag(ConvertOptions& options, QString) {
  options.*field = true;
  return {};
}

// The help lists the command's own options for where the documents go, the run options
// (run/run_options.cpp), the command's own for how the run goes, the document options
// (converter/options/conversion_options.cpp) the user chooses, then the rest. A new option of the
// command's own is one row here.
const OwnOption kWhere[] = {
    {"output", 'o', "DIR", "write the documents into DIR (default: the current folder)",
     [](ConvertOptions& options, QString value) {
       if (value.isEmpty()) return QStringLiteral("--output needs a folder");
       options.outputFolder = value;
       return QString();
     }},
    {"beside", 0, "", "write each document beside its message", SetFlag<&ConvertOptions::beside>},
};

// After the run options (run/run_options.cpp): how the run goes.
const OwnOption kRunLimits[] = {
    {"extension", 0, "EXT", "the extension of the messages in folders (default: msg; * for all)",
     [](ConvertOptions& options, QString value) {
       if (value.startsWith(u'.')) value.remove(0, 1);
       if (value.isEmpty() || value.contains(u'/'))
         return QStringLiteral("--extension needs an extension such as msg, or * for every file");
       options.extension = value;
       return QString();
     }},
    {"jobs", 'j', "N", "convert N messages at a time (default: the number of cores)",
     [](ConvertOptions& options, QString value) {
       const auto jobs = Number(value, 1, 1024);
       if (!jobs) return QStringLiteral("--jobs needs a whole number from 1 to 1024");
       options.jobs = *jobs;
       return QString();
     }},
    {"timeout", 0, "SECONDS", "fail a message that takes longer than this (default: 120)",
     [](ConvertOptions& options, QString value) {
       const auto seconds = ParseTimeLimit(value);
       if (!seconds) return QStringLiteral("--timeout needs a whole number of seconds from 1 to 86400");
       options.timeoutSeconds = *seconds;
       return QString();
     }},
    {"report", 0, "FILE",
     "one line per message: source, output, status, reason, attachments kept, embedded messages "
     "converted;\ntab-separated for FILE.tsv, JSON lines for FILE.jsonl",
     [](ConvertOptions& options, QString value) {
       const QString lower = value.toLower();
       if (!lower.endsWith(QLatin1String(".tsv")) && !lower.endsWith(QLatin1String(".jsonl")))
         return QStringLiteral("--report needs a file name ending in .tsv or .jsonl");
       options.reportPath = value;
       return QString();
     }},
    // The run's own choice: the plan decides which documents are replaced (the document
    // option of the same name is what it asks the converter for each of them).
    {"replace", 0, "",
     "replace documents that already exist (default: keep them and give the new document the "
     "next numbered name)",
     SetFlag<&ConvertOptions::replace>},
    {"skip-existing", 0, "", "convert only the messages whose documents are not there yet",
     SetFlag<&ConvertOptions::skipExisting>},
};

const OwnOption kAfterDocuments[] = {
    {"quiet", 'q', "", "print nothing but errors", SetFlag<&ConvertOptions::quiet>},
    {"help", 'h', "", "print this text", SetFlag<&ConvertOptions::help>},
    {"version", 'V', "", "print the version", SetFlag<&ConvertOptions::version>},
};

// Every option of the command, in the order the help lists them.
const std::vector<OptionRow>& Rows() {
  static const std::vector<OptionRow> rows = [] {
    std::vector<OptionRow> all;
    auto own = [&all](const OwnOption& option) {
      all.push_back({QString::fromLatin1(option.name),
                     option.shortName != 0 ? QString(QChar::fromLatin1(option.shortName)) : QString(),
                     QString::fromLatin1(option.valueName), QString::fromUtf8(option.help), option.read, nullptr});
    };
    for (const OwnOption& option : kWhere) own(option);
    for (const RunOptionRow& row : RunOptionTable()) {
      all.push_back({row.flag, row.shortFlag.isNull() ? QString() : QString(row.shortFlag), row.valueName, row.help,
                     nullptr, nullptr, &row});
    }
    for (const OwnOption& option : kRunLimits) own(option);
    for (const ConversionOptionRow* row : ChosenDocumentOptionRows()) {
      all.push_back({DocumentOptionFlagName(*row), QString(), QString(),
                     QString::fromUtf8(row->help.data(), static_cast<qsizetype>(row->help.size())), nullptr,
                     row->field});
    }
    for (const OwnOption& option : kAfterDocuments) own(option);
    return all;
  }();
  return rows;
}

bool Valued(const OptionRow& row) { return !row.valueName.isEmpty(); }

const OptionRow* RowNamed(const QString& name) {
  for (const OptionRow& row : Rows()) {
    if (name == row.name || (!row.shortName.isEmpty() && name == row.shortName)) return &row;
  }
  return nullptr;
}

// An option's name as typed: "-o" for a one-letter name, "--output" for a word.
QString Dashed(const QString& name) { return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name; }

// The parser's own error in this command's words. The parser names the option in quotes
// ("Missing value after '--output'."); what was wrong with it follows from its row.
QString ParseError(const QCommandLineParser& parser) {
  if (!parser.unknownOptionNames().isEmpty())
    return QStringLiteral("unknown option ") + Dashed(parser.unknownOptionNames().first());
  const QRegularExpressionMatch quoted = QRegularExpression(QStringLiteral("'-*([^'=]+)")).match(parser.errorText());
  if (const OptionRow* row = quoted.hasMatch() ? RowNamed(quoted.captured(1)) : nullptr) {
    const QString name = QStringLiteral("--") + row->name;
    return name + (Valued(*row) ? QStringLiteral(" needs a value") : QStringLiteral(" takes no value"));
  }
  return parser.errorText();
}

}  // namespace

std::optional<ConvertOptions> ParseConvertOptions(const QStringList& arguments, int cores, QString& error) {
  QCommandLineParser parser;
  // One dash takes letters ("-q", "-qj4", "-o DIR", "-oDIR"), two dashes a word.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  for (const OptionRow& row : Rows()) {
    QStringList names{row.name};
    if (!row.shortName.isEmpty()) names.prepend(row.shortName);
    parser.addOption(QCommandLineOption(names, row.help, row.valueName));
  }
  // The parser takes the program's name first.
  if (!parser.parse(QStringList{QStringLiteral("lorvane convert")} + arguments)) {
    error = ParseError(parser);
    return std::nullopt;
  }
  ConvertOptions options;
  options.jobs = std::max(cores, 1);
  for (const OptionRow& row : Rows()) {
    if (!parser.isSet(row.name)) continue;
    if (row.document != nullptr) {
      options.documents.*(row.document) = true;
      continue;
    }
    const QString value = Valued(row) ? parser.value(row.name) : QString();
    error = row.run != nullptr ? row.run->fromCommand(options.run, value) : row.read(options, value);
    if (!error.isEmpty()) return std::nullopt;
  }
  options.paths = parser.positionalArguments();
  if (options.help || options.version) return options;
  const bool outputGiven = parser.isSet(QStringLiteral("output"));
  if (outputGiven && options.beside) {
    error = QStringLiteral("choose either --output or --beside");
    return std::nullopt;
  }
  if (options.run.keepFolders && options.beside) {
    error = QStringLiteral("choose either --tree or --beside");
    return std::nullopt;
  }
  if (options.replace && options.skipExisting) {
    error = QStringLiteral("choose either --replace or --skip-existing");
    return std::nullopt;
  }
  if (options.paths.isEmpty()) {
    error = QStringLiteral("name at least one message file or folder");
    return std::nullopt;
  }
  if (!outputGiven && !options.beside) options.outputFolder = QStringLiteral(".");
  return options;
}

QString ConvertHelpText() {
  QString text = QStringLiteral(
      "Usage: lorvane convert [options] PATH...\n"
      "Converts saved .msg messages into documents without the window: RTF text that word\n"
      "processors open, saved as .doc (the default), or archival PDF/A files (--format pdf).\n"
      "Each PATH is a message file or a folder; a folder is searched with all its sub-folders\n"
      "the way \"Add All MSG File(s) In Folder\" does.\n"
      "\n");
  // Each help text starts in column 25, wrapped to 80 columns; the long names line up
  // after the short ones.
  constexpr std::size_t kIndent = 24;
  for (const OptionRow& row : Rows()) {
    QString left = (row.shortName.isEmpty() ? QStringLiteral("    ") : u'-' + row.shortName + QStringLiteral(", ")) +
                   QStringLiteral("--") + row.name;
    if (Valued(row)) left += u' ' + row.valueName;
    text += QStringLiteral("  ") + left.leftJustified(21) + u' ';
    const QStringList lines = row.help.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
      if (i > 0) text += u'\n' + QString(kIndent, u' ');
      text += QString::fromStdString(quorlin::WrapHelp(lines[i].toStdString(), 80, kIndent));
    }
    text += u'\n';
  }
  text += QStringLiteral(
      "\n"
      "Exit status: 0 every message converted, 1 some failed, 2 usage or set-up error,\n"
      "3 no message found, 129, 130 or 143 interrupted (the terminal closed, Ctrl-C or\n"
      "SIGTERM).\n");
  return text;
}

QString ConvertVersionText() { return QStringLiteral("lorvane " LORVANE_VERSION "\n"); }
