// The options of `lorvane convert`: what the command line asks for, read without touching
// the disk, and the help text.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "run/plan/document_options.h"
#include "run/plan/time_limit.h"
#include "run/run_options.h"

struct ConvertOptions {
  QStringList paths;        // message files and folders, as given
  QString outputFolder;     // empty with --beside
  bool beside = false;
  QString extension = QStringLiteral("msg");
  int jobs = 1;
  int timeoutSeconds = time_limit::kDefaultSeconds;
  QString reportPath;       // empty for no report
  bool replace = false;
  bool skipExisting = false;  // leave out messages whose documents are there already
  RunOptions run;             // the run options: --format, --tree, --name
  ConversionOptions documents;  // the document options (its replace stays off: --replace is `replace` above)
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// Reads the arguments after "convert". `cores` is the default number of jobs. On a usage
// error returns nothing and sets `error` to a one-line message.
std::optional<ConvertOptions> ParseConvertOptions(const QStringList& arguments, int cores, QString& error);

// The text --help prints.
QString ConvertHelpText();
// The line --version prints.
QString ConvertVersionText();
