// The pattern's checks and the name requests' jobs and answers.
#include "run/plan/name_pass.h"

#include <QRegularExpression>

QString name_pattern::ForSetting(const QString& setting) {
  return setting == QLatin1String("date-subject") ? kDateSubject : kFile;
}

QString name_pattern::SettingFor(const QString& pattern) {
  return pattern == kDateSubject ? QStringLiteral("date-subject") : QStringLiteral("file");
}

bool NamesFromMessages(const QString& pattern) { return !pattern.isEmpty() && pattern != name_pattern::kFile; }

QString NamePatternProblem(const QString& pattern) {
  static const QRegularExpression field(QStringLiteral("\\{(file|date|subject|from)\\}"));
  QString rest = pattern;
  rest.remove(field);
  if (!rest.contains(u'{')) return {};
  return QStringLiteral("the name pattern may hold only {file}, {date}, {subject} and {from}: ") + pattern;
}

std::vector<BatchJob> NameJobs(const QStringList& sources) {
  std::vector<BatchJob> jobs;
  jobs.reserve(static_cast<std::size_t>(sources.size()));
  for (const QString& source : sources) jobs.push_back({source, QString()});
  return jobs;
}

QString NameFromOutcome(const BatchOutcome& outcome) { return outcome.converted ? outcome.detail : QString(); }
