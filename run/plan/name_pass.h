// The names of a run whose documents are named after their messages. The main program never
// opens a message, so before any name is handed out it asks the converters, in parallel,
// what the pattern makes of each message (a name request, converter/serve.h); the converter
// makes the name safe with the rules that name saved attachments. A message that cannot be
// read keeps its file's name: its conversion then fails with its own reason.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "run/jobs/batch_job.h"

namespace name_pattern {
// The documents take their messages' file names, as they always did.
inline const QString kFile = QStringLiteral("{file}");
// The window's other choice: the date the message was sent, then its subject.
inline const QString kDateSubject = QStringLiteral("{date} {subject}");

// The window's setting ("file", "date-subject") as its pattern; anything else is "file".
QString ForSetting(const QString& setting);
// The setting for the pattern the window shows.
QString SettingFor(const QString& pattern);
}  // namespace name_pattern

// Whether names come from the messages: a pattern other than the file's name alone.
bool NamesFromMessages(const QString& pattern);

// Why the pattern cannot name documents, in the user's words: a "{" that does not open one
// of {file}, {date}, {subject}, {from}. Empty when it can. (The converter checks again.)
QString NamePatternProblem(const QString& pattern);

// One name request per source (the outputs are left empty; the pattern travels in the
// settings, BatchSettings::namePattern).
std::vector<BatchJob> NameJobs(const QStringList& sources);

// The name an outcome of a name request gives, or empty (the file's own name) when the
// message could not be read.
QString NameFromOutcome(const BatchOutcome& outcome);
