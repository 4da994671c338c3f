// Before a run writes anything: the user's one answer about the documents it would write
// that already stand on disk (`DocumentsAlreadyThere`, `run/plan/run_plan.h`): replace them, keep
// them and give the new documents numbered names, skip the messages whose documents are
// there, or convert nothing.
#pragma once

#include <QString>
#include <QStringList>

class Dialogs;

enum class ExistingAnswer { kReplace, kKeep, kSkip, kCancel };

// Asks once, naming the count and the first few paths. Closing the box cancels.
ExistingAnswer AskAboutExistingDocuments(Dialogs& dialogs, const QStringList& existing);
// The question's text.
QString ExistingDocumentsQuestion(const QStringList& existing);
