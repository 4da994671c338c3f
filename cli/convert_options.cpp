// Reading `lorvane convert`'s arguments with Qt's command-line parser: long options with
// their value as the next argument or after "=", "--" before paths that begin with "-".
// Every option is one row of the table below, which also gives the --help text.
#include "cli/convert_options.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <array>

#include "run/name_pass.h"
#include "run/time_limit.h"

namespace {

// Reads the option's value (empty for a flag) into the options; returns the reason for
// refusing it, empty when it is taken.
using ReadValue = QString (*)(ConvertOptions& options, QString value);

struct OptionRow {
  const char* name;
  const char* valueName;  // empty for a flag
  const char* help;       // a line break continues the help on the next line
  ReadValue read;
};

// A whole number from `low` to `high`, or nothing.
std::optional<int> Number(const QString& text, int low, int high) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < low || value > high) return std::nullopt;
  return value;
}

// The reader of a flag that turns on one of the command's own choices, or one of the
// document options.
template <bool ConvertOptions::*field>
QString SetFlag(ConvertOptions& options, QString) {
  options.*field = true;
  return {};
}
template <bool DocumentOptions::*field>
QString SetDocumentFlag(ConvertOptions& options, QString) {
  options.documents.*field = true;
  return {};
}

// A new option is one row here (and, for a document option, the field it sets).
const std::array kRows = {
    OptionRow{"output", "DIR", "write the documents into DIR (default: the current folder)",
              [](ConvertOptions& options, QString value) {
                if (value.isEmpty()) return QStringLiteral("--output needs a folder");
                options.outputFolder = value;
                return QString();
              }},
    OptionRow{"beside", "", "write each document beside its message",
              SetFlag<&ConvertOptions::beside>},
    OptionRow{"extension", "EXT", "the extension of the messages in folders (default: msg; * for all)",
              [](ConvertOptions& options, QString value) {
                if (value.startsWith(u'.')) value.remove(0, 1);
                if (value.isEmpty() || value.contains(u'/'))
                  return QStringLiteral("--extension needs an extension such as msg, or * for every file");
                options.extension = value;
                return QString();
              }},
    OptionRow{"jobs", "N", "convert N messages at a time (default: the number of cores)",
              [](ConvertOptions& options, QString value) {
                const auto jobs = Number(value, 1, 1024);
                if (!jobs) return QStringLiteral("--jobs needs a whole number from 1 to 1024");
                options.jobs = *jobs;
                return QString();
              }},
    OptionRow{"timeout", "SECONDS", "fail a message that takes longer than this (default: 120)",
              [](ConvertOptions& options, QString value) {
                const auto seconds = ParseTimeLimit(value);
                if (!seconds) return QStringLiteral("--timeout needs a whole number of seconds from 1 to 86400");
                options.timeoutSeconds = *seconds;
                return QString();
              }},
    OptionRow{"report", "FILE",
              "one line per message: source, output, status, reason, attachments\n"
              "kept, embedded messages converted;\n"
              "tab-separated for FILE.tsv, JSON lines for FILE.jsonl",
              [](ConvertOptions& options, QString value) {
                const QString lower = value.toLower();
                if (!lower.endsWith(QLatin1String(".tsv")) && !lower.endsWith(QLatin1String(".jsonl")))
                  return QStringLiteral("--report needs a file name ending in .tsv or .jsonl");
                options.reportPath = value;
                return QString();
              }},
    OptionRow{"replace", "",
              "replace documents that already exist (default: keep them and\n"
              "give the new document the next numbered name)",
              SetFlag<&ConvertOptions::replace>},
    OptionRow{"skip-existing", "", "convert only the messages whose documents are not there yet",
              SetFlag<&ConvertOptions::skipExisting>},
    OptionRow{"header", "",
              "open each document with the message's sender, date, recipients,\n"
              "subject and attachments",
              SetDocumentFlag<&DocumentOptions::headerBlock>},
    OptionRow{"pictures", "", "show the pictures the messages' bodies place",
              SetDocumentFlag<&DocumentOptions::pictures>},
    OptionRow{"attachments", "",
              "save each message's attachments into a folder beside its document\n"
              "(\"Report.doc\" gets \"Report attachments\")",
              SetDocumentFlag<&DocumentOptions::attachments>},
    OptionRow{"dates", "", "date each document like its message (sent, else received)",
              SetDocumentFlag<&DocumentOptions::fileDates>},
    OptionRow{"tree", "",
              "keep the sub-folders: each document goes under DIR at its message's\n"
              "place below the folder given",
              SetFlag<&ConvertOptions::tree>},
    OptionRow{"name", "PATTERN",
              "name the documents by PATTERN of {file} (the default), {date},\n"
              "{subject} and {from}, e.g. \"{date} {subject}\"",
              [](ConvertOptions& options, QString value) {
                if (value.isEmpty()) return QStringLiteral("--name needs a pattern such as \"{date} {subject}\"");
                if (const QString problem = NamePatternProblem(value); !problem.isEmpty()) return problem;
                options.namePattern = value;
                return QString();
              }},
    OptionRow{"quiet", "", "print nothing but errors",
              SetFlag<&ConvertOptions::quiet>},
    OptionRow{"help", "", "print this text",
              SetFlag<&ConvertOptions::help>},
    OptionRow{"version", "", "print the version",
              SetFlag<&ConvertOptions::version>},
};

bool Valued(const OptionRow& row) { return row.valueName[0] != '\0'; }

const OptionRow* RowNamed(const QString& name) {
  for (const OptionRow& row : kRows) {
    if (name == QLatin1String(row.name)) return &row;
  }
  return nullptr;
}

// The parser's own error in this command's words. The parser names the option in quotes
// ("Missing value after '--output'."); what was wrong with it follows from its row.
QString ParseError(const QCommandLineParser& parser) {
  if (!parser.unknownOptionNames().isEmpty())
    return QStringLiteral("unknown option --") + parser.unknownOptionNames().first();
  const QRegularExpressionMatch quoted = QRegularExpression(QStringLiteral("'-*([^'=]+)")).match(parser.errorText());
  if (const OptionRow* row = quoted.hasMatch() ? RowNamed(quoted.captured(1)) : nullptr) {
    const QString name = QStringLiteral("--") + QLatin1String(row->name);
    return name + (Valued(*row) ? QStringLiteral(" needs a value") : QStringLiteral(" takes no value"));
  }
  return parser.errorText();
}

}  // namespace

std::optional<ConvertOptions> ParseConvertOptions(const QStringList& arguments, int cores, QString& error) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const OptionRow& row : kRows) {
    parser.addOption(QCommandLineOption(QLatin1String(row.name), QString::fromUtf8(row.help),
                                        QLatin1String(row.valueName)));
  }
  // The parser takes the program's name first.
  if (!parser.parse(QStringList{QStringLiteral("lorvane convert")} + arguments)) {
    error = ParseError(parser);
    return std::nullopt;
  }
  ConvertOptions options;
  options.jobs = std::max(cores, 1);
  for (const OptionRow& row : kRows) {
    const QString name = QLatin1String(row.name);
    if (!parser.isSet(name)) continue;
    error = row.read(options, Valued(row) ? parser.value(name) : QString());
    if (!error.isEmpty()) return std::nullopt;
  }
  options.paths = parser.positionalArguments();
  if (options.help || options.version) return options;
  const bool outputGiven = parser.isSet(QStringLiteral("output"));
  if (outputGiven && options.beside) {
    error = QStringLiteral("choose either --output or --beside");
    return std::nullopt;
  }
  if (options.tree && options.beside) {
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
      "Converts saved .msg messages into documents (RTF text named .doc) without the window.\n"
      "Each PATH is a message file or a folder; a folder is searched with all its sub-folders\n"
      "the way \"Add All MSG File(s) In Folder\" does.\n"
      "\n");
  const QString indent(20, u' ');
  for (const OptionRow& row : kRows) {
    QString left = QStringLiteral("--") + QLatin1String(row.name);
    if (Valued(row)) left += u' ' + QLatin1String(row.valueName);
    text += QStringLiteral("  ") + left.leftJustified(17) + u' ' +
            QString::fromUtf8(row.help).replace(u'\n', u'\n' + indent) + u'\n';
  }
  text += QStringLiteral(
      "\n"
      "Exit status: 0 every message converted, 1 some failed, 2 usage or set-up error,\n"
      "129, 130 or 143 interrupted (the terminal closed, Ctrl-C or SIGTERM).\n");
  return text;
}

QString ConvertVersionText() { return QStringLiteral("lorvane " LORVANE_VERSION "\n"); }
