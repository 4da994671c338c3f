// Reading `lorvane convert`'s arguments: long options with their value as the next
// argument or after "=", "--" before paths that begin with "-".
#include "cli/convert_options.h"

#include <functional>
#include <map>

#include "convert/time_limit.h"

namespace {

// A whole number from `low` to `high`, or nothing.
std::optional<int> Number(const QString& text, int low, int high) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

std::optional<ConvertOptions> ParseConvertOptions(const QStringList& arguments, int cores, QString& error) {
  ConvertOptions options;
  options.jobs = std::max(cores, 1);
  bool outputGiven = false;
  bool optionsEnd = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (optionsEnd || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
      options.paths << argument;
      continue;
    }
    if (argument == QLatin1String("--")) {
      optionsEnd = true;
      continue;
    }
    QString name = argument;
    std::optional<QString> inlineValue;
    if (const qsizetype equals = argument.indexOf(u'='); equals > 0) {
      name = argument.left(equals);
      inlineValue = argument.mid(equals + 1);
    }
    const std::map<QString, std::function<void()>> flags{
        {QStringLiteral("--beside"), [&] { options.beside = true; }},
        {QStringLiteral("--replace"), [&] { options.replace = true; }},
        {QStringLiteral("--skip-existing"), [&] { options.skipExisting = true; }},
        {QStringLiteral("--header"), [&] { options.header = true; }},
        {QStringLiteral("--quiet"), [&] { options.quiet = true; }},
        {QStringLiteral("--help"), [&] { options.help = true; }},
        {QStringLiteral("--version"), [&] { options.version = true; }},
    };
    if (auto flag = flags.find(name); flag != flags.end()) {
      if (inlineValue) {
        error = name + QStringLiteral(" takes no value");
        return std::nullopt;
      }
      flag->second();
      continue;
    }
    static const QStringList kValued{QStringLiteral("--output"), QStringLiteral("--extension"),
                                     QStringLiteral("--jobs"), QStringLiteral("--timeout"),
                                     QStringLiteral("--report")};
    if (!kValued.contains(name)) {
      error = QStringLiteral("unknown option ") + name;
      return std::nullopt;
    }
    QString value;
    if (inlineValue) {
      value = *inlineValue;
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      error = name + QStringLiteral(" needs a value");
      return std::nullopt;
    }
    if (name == QLatin1String("--output")) {
      if (value.isEmpty()) {
        error = QStringLiteral("--output needs a folder");
        return std::nullopt;
      }
      options.outputFolder = value;
      outputGiven = true;
    } else if (name == QLatin1String("--extension")) {
      if (value.startsWith(u'.')) value.remove(0, 1);
      if (value.isEmpty() || value.contains(u'/')) {
        error = QStringLiteral("--extension needs an extension such as msg, or * for every file");
        return std::nullopt;
      }
      options.extension = value;
    } else if (name == QLatin1String("--jobs")) {
      const auto jobs = Number(value, 1, 1024);
      if (!jobs) {
        error = QStringLiteral("--jobs needs a whole number from 1 to 1024");
        return std::nullopt;
      }
      options.jobs = *jobs;
    } else if (name == QLatin1String("--timeout")) {
      const auto seconds = ParseTimeLimit(value);
      if (!seconds) {
        error = QStringLiteral("--timeout needs a whole number of seconds from 1 to 86400");
        return std::nullopt;
      }
      options.timeoutSeconds = *seconds;
    } else {
      const QString lower = value.toLower();
      if (!lower.endsWith(QLatin1String(".tsv")) && !lower.endsWith(QLatin1String(".jsonl"))) {
        error = QStringLiteral("--report needs a file name ending in .tsv or .jsonl");
        return std::nullopt;
      }
      options.reportPath = value;
    }
  }
  if (options.help || options.version) return options;
  if (outputGiven && options.beside) {
    error = QStringLiteral("choose either --output or --beside");
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
  return QStringLiteral(
      "Usage: lorvane convert [options] PATH...\n"
      "Converts saved .msg messages into documents (RTF text named .doc) without the window.\n"
      "Each PATH is a message file or a folder; a folder is searched with all its sub-folders\n"
      "the way \"Add All MSG File(s) In Folder\" does.\n"
      "\n"
      "  --output DIR      write the documents into DIR (default: the current folder)\n"
      "  --beside          write each document beside its message\n"
      "  --extension EXT   the extension of the messages in folders (default: msg; * for all)\n"
      "  --jobs N          convert N messages at a time (default: the number of cores)\n"
      "  --timeout SECONDS fail a message that takes longer than this (default: 120)\n"
      "  --report FILE     one line per message: source, output, status, reason;\n"
      "                    tab-separated for FILE.tsv, JSON lines for FILE.jsonl\n"
      "  --replace         replace documents that already exist (default: keep them and\n"
      "                    give the new document the next numbered name)\n"
      "  --skip-existing   convert only the messages whose documents are not there yet\n"
      "  --header          open each document with the message's sender, date, recipients,\n"
      "                    subject and attachments\n"
      "  --quiet           print nothing but errors\n"
      "  --help            print this text\n"
      "  --version         print the version\n"
      "\n"
      "Exit status: 0 every message converted, 1 some failed, 2 usage or set-up error,\n"
      "130, 143 or 129 interrupted (Ctrl-C, SIGTERM or the terminal closed).\n");
}

QString ConvertVersionText() { return QStringLiteral("lorvane " LORVANE_VERSION "\n"); }
