// The documents a run would replace, the question about them, and the run's names.
#include "run/existing_documents.h"

#include <sys/stat.h>

#include "run/conversion_run.h"
#include "platform/dialogs.h"
#include "platform/native_names.h"
#include "platform/paths.h"

namespace {
// How many paths the question names before it only counts the rest.
constexpr int kNamedPaths = 5;
const QString kLineBreak = QStringLiteral("\r\n");

bool SameFile(const QString& a, const QString& b) {
  struct stat first;
  struct stat second;
  return ::stat(NativeName(a).constData(), &first) == 0 && ::stat(NativeName(b).constData(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
}  // namespace

QStringList DocumentsAlreadyThere(const SourceRows& rows, const PathChoice& paths,
                                  const std::vector<QString>& stems) {
  const int count = rows.count();
  QSet<QString> sources;
  for (int row = 1; row <= count; ++row) sources.insert(rows.text(row));

  // Names as the run hands them out when it replaces: only a wanted name can stand on disk,
  // a numbered one never takes an existing file.
  OutputNames names(ExistingDocuments::kReplace);
  QStringList existing;
  QSet<QString> seen;
  for (int row = 1; row <= count; ++row) {
    const QString source = rows.text(row);
    const QString root = rows.root ? rows.root(row) : QString();
    const QString stem = static_cast<std::size_t>(row) <= stems.size() ? stems[row - 1] : QString();
    const QString wanted = WantedOutputPath(paths, source, root, stem);
    if (wanted.isEmpty()) continue;
    const QString output = names.Claim(source, wanted);
    if (seen.contains(output) || !NativeExists(output)) continue;
    seen.insert(output);
    if (sources.contains(output) || SameFile(output, source)) continue;
    existing.append(output);
  }
  return existing;
}

QString ExistingDocumentsQuestion(const QStringList& existing) {
  const qsizetype count = existing.size();
  QString text = count == 1 ? QStringLiteral("1 document that this run would write already exists:")
                            : QStringLiteral("%1 documents that this run would write already exist:").arg(count);
  for (qsizetype i = 0; i < count && i < kNamedPaths; ++i) text += kLineBreak + existing[i];
  if (count > kNamedPaths) text += kLineBreak + QStringLiteral("and %1 more").arg(count - kNamedPaths);
  text += kLineBreak + kLineBreak +
          QStringLiteral("Replace them, keep them and write the new documents under numbered names "
                         "(\"Report (2).doc\"), or skip them and convert only the messages whose documents "
                         "are not there yet?");
  return text;
}

ExistingAnswer AskAboutExistingDocuments(Dialogs& dialogs, const QStringList& existing) {
  const QStringList buttons{QStringLiteral("Replace Them"), QStringLiteral("Keep Them"), QStringLiteral("Skip Them"),
                            QStringLiteral("Cancel")};
  switch (dialogs.AskChoice(ExistingDocumentsQuestion(existing), buttons, 3)) {
    case 0: return ExistingAnswer::kReplace;
    case 1: return ExistingAnswer::kKeep;
    case 2: return ExistingAnswer::kSkip;
    default: return ExistingAnswer::kCancel;
  }
}

OutputNames NamesForRun(QSet<QString> replaceable) {
  return OutputNames(
      [replaceable = std::move(replaceable)](const QString& path) {
        return !replaceable.contains(path) && NativeExists(path);
      },
      ExistingDocuments::kKeep);
}
