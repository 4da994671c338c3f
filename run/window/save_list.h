// "Save List..." in the box that closes a run in the window: the run's report, the same
// tab-separated file `lorvane convert --report` writes, saved where the user says.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "run/plan/run_report.h"

class Dialogs;

// The name the save dialog suggests.
inline const QString kSavedListName = QStringLiteral("Lorvane report.tsv");

// Asks where (the dialog opens at the suggested name in `folder`), then writes the lines. A
// name without ".tsv" or ".jsonl" gets ".tsv". Cancel writes nothing; a file that cannot be
// written is a box with the reason.
void SaveRunList(Dialogs& dialogs, const std::vector<ReportLine>& lines, const QString& folder);

// The closing box's "Save List..." for these lines (Dialogs::ShowMessageWithDetails).
std::function<void()> SaveListAction(Dialogs& dialogs, std::vector<ReportLine> lines, QString folder);
