// The question about documents a run would replace.
#include "run/window/existing_documents.h"

#include "platform/dialogs.h"

namespace {
// How many paths the question names before it only counts the rest.
constexpr int kNamedPaths = 5;
const QString kLineBreak = QStringLiteral("\r\n");

}  // namespace

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
