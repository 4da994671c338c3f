// Before a run writes anything: the documents it would write that already stand on disk,
// and the user's one answer about them (replace them, keep them and give the new documents
// numbered names, skip the messages whose documents are there, or convert nothing). The names come from the same routines the run uses.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

#include "run/output_names.h"

class Dialogs;
struct PathChoice;
struct SourceRows;

// The output paths the run would hand out for the list as it stands, with the options as
// they stand, that already exist on disk, in list order. A path that is itself one of the
// listed sources is left out: it is never offered for replacing.
// `stems` holds the rows' names when documents are named after their messages (empty for
// the files' names).
QStringList DocumentsAlreadyThere(const SourceRows& rows, const PathChoice& paths,
                                  const std::vector<QString>& stems = {});

enum class ExistingAnswer { kReplace, kKeep, kSkip, kCancel };

// Asks once, naming the count and the first few paths. Closing the box cancels.
ExistingAnswer AskAboutExistingDocuments(Dialogs& dialogs, const QStringList& existing);
// The question's text.
QString ExistingDocumentsQuestion(const QStringList& existing);

// The run's names: a document on disk that the run did not write keeps its name, and the
// new document takes the next numbered one, unless it is one of `replaceable`, the paths
// the user agreed to replace. So nothing else is replaced, also when the options change
// while the run goes on.
OutputNames NamesForRun(QSet<QString> replaceable);
