// Before a run writes anything: the user's one answer about the documents it would write
// that already stand on disk (`DocumentsAlreadyThere`, `run/run_plan.h`): replace them, keep
// them and give the new documents numbered names, skip the messages whose documents are
// there, or convert nothing.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

#include "run/output_names.h"

class Dialogs;
struct PathChoice;
struct SourceRows;

enum class ExistingAnswer { kReplace, kKeep, kSkip, kCancel };

// Asks once, naming the count and the first few paths. Closing the box cancels.
ExistingAnswer AskAboutExistingDocuments(Dialogs& dialogs, const QStringList& existing);
// The question's text.
QString ExistingDocumentsQuestion(const QStringList& existing);
