// QtDialogs::OpenFiles: Qt's file-open dialog for several files of one folder, giving its
// result in the form the add handler expects; QtDialogs::SaveFile: its save dialog.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "platform/app_error.h"
#include "platform/open_files_result.h"
#include "platform/qt_dialogs.h"

QString OpenFilesResult(const QStringList& paths) {
  QString result;
  if (paths.size() == 1) {
    result = QDir::toNativeSeparators(paths.first());
  } else if (paths.size() > 1) {
    const QDir folder = QFileInfo(paths.first()).absoluteDir();
    result = QDir::toNativeSeparators(folder.absolutePath());
    for (const QString& path : paths) result += QChar(0) + QDir::toNativeSeparators(folder.relativeFilePath(path));
  }
  if (result.size() + 1 > kOpenFilesCapacity)
    throw AppError(QStringLiteral("The file name buffer is too small for this selection"),
                   error_number::kDialogBufferTooSmall);
  return result;
}

QStringList OpenFilesFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList lines;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
    if (description.isEmpty() && patterns.isEmpty()) continue;
    lines.append(description.contains(u'(' + patterns + u')') ? description : description + QStringLiteral(" (") + patterns + u')');
  }
  return lines;
}

QString QtDialogs::OpenFiles(const QString& title, const QString& filter) {
  QFileDialog dialog(owner_, title);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(OpenFilesFilters(filter));
  if (dialog.exec() != QDialog::Accepted) return {};
  return OpenFilesResult(dialog.selectedFiles());
}

QString QtDialogs::SaveFile(const QString& title, const QString& filter, const QString& suggestedPath) {
  QFileDialog dialog(owner_, title);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(OpenFilesFilters(filter));
  dialog.selectFile(suggestedPath);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QDir::toNativeSeparators(dialog.selectedFiles().first());
}
