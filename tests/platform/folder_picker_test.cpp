// The folder picker driven through Qt's own dialog: it opens on the start folder, takes
// only folders, reports cancel as empty text and returns folders in the callers' form.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <functional>

#include "platform/qt_dialogs.h"
#include "support/tree_paths.h"

namespace {

const QString kTitle = QStringLiteral("Please select folder:");

struct Opened {
  bool seen = false;
  QString title;
  QString directory;
  bool foldersOnly = false;
};

// Opens the picker and, once its dialog is up, records it and lets `act` close it.
QString Pick(const QString& start, const std::function<void(QFileDialog&)>& act, Opened* opened = nullptr) {
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    poll.stop();
    if (opened != nullptr) {
      opened->seen = true;
      opened->title = dialog->windowTitle();
      opened->directory = dialog->directory().absolutePath();
      opened->foldersOnly = dialog->fileMode() == QFileDialog::Directory &&
                            dialog->testOption(QFileDialog::ShowDirsOnly);
    }
    act(*dialog);
  });
  poll.start();
  QtDialogs dialogs;
  return dialogs.BrowseForFolder(nullptr, kTitle, start);
}

// QFileDialog's own accept() checks the choice; it is reached through QDialog's public one.
void Confirm(QFileDialog& dialog) { static_cast<QDialog&>(dialog).accept(); }
void Cancel(QFileDialog& dialog) { dialog.reject(); }

TEST(FolderPicker, OpensOnTheStartFolderAndConfirmsItAsItIs) {
  TempTree dir;
  const QString start = QDir(TreeRoot(dir)).filePath(QStringLiteral("picked before"));
  ASSERT_TRUE(QDir().mkpath(start));
  Opened opened;
  EXPECT_EQ(Pick(start, Confirm, &opened), start);
  EXPECT_TRUE(opened.seen);
  EXPECT_EQ(opened.title, kTitle);
  EXPECT_EQ(opened.directory, start);
  EXPECT_TRUE(opened.foldersOnly);
  // A start folder given with its separator comes back without one.
  EXPECT_EQ(Pick(start + QStringLiteral("/"), Confirm), start);
}

TEST(FolderPicker, ARootKeepsItsSeparator) { EXPECT_EQ(Pick(QStringLiteral("/"), Confirm), QStringLiteral("/")); }

TEST(FolderPicker, ChoosingASubFolderGivesItsPath) {
  TempTree dir;
  ASSERT_TRUE(QDir(TreeRoot(dir)).mkdir(QStringLiteral("inner")));
  const QString chosen = Pick(TreeRoot(dir), [](QFileDialog& dialog) {
    dialog.selectFile(QStringLiteral("inner"));
    Confirm(dialog);
  });
  EXPECT_EQ(chosen, QDir(TreeRoot(dir)).filePath(QStringLiteral("inner")));
}

TEST(FolderPicker, CancelGivesEmptyTextWhateverTheStart) {
  TempTree dir;
  for (const QString& start : {TreeRoot(dir), QString(), QStringLiteral("/no/such/folder")}) {
    Opened opened;
    EXPECT_EQ(Pick(start, Cancel, &opened), QString()) << start.toStdString();
    EXPECT_TRUE(opened.seen) << "the dialog opens even on a missing start folder";
  }
}

}  // namespace
