// Form1's entry points for the list and the run: each handler keeps its event name and
// passes the controls and services its routine needs; the work is done in filelist/ and
// run/.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QMimeData>
#include <QUrl>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "app/form1.h"
#include "app/program_help.h"
#include "platform/dialogs.h"
#include "run/plan/time_limit.h"
#include "run/window/conversion_run.h"
#include "run/plan/document_format.h"
#include "run/plan/name_pass.h"
#include "app/output_options.h"
#include "app/progress_bar.h"
#include "filelist/add_files.h"
#include "filelist/add_folder.h"
#include "filelist/drag_drop.h"
#include "filelist/file_list.h"
#include "filelist/list_editing.h"
#include "filelist/list_pointer.h"
#include "filelist/samples.h"
#include "platform/boolean_text.h"
#include "platform/settings.h"

void Form1::ListView1_DblClick() { RemoveSelectedRow(*ListView1, *this); }

void Form1::ListView1_KeyDown(int keyCode, int /*shift*/) {
  RemoveSelectedRowByKey(*ListView1, *this, keyCode);
}

void Form1::PushButton6_Click() { ClearList(*ListView1, *this, *services_.dialogs); }

void Form1::PushButton1_Click() { AddChosenFiles(*ListView1, *services_.dialogs); }

void Form1::PushButton4_Click() {
  AddAllFilesInFolder(*ListView1, *services_.dialogs, *services_.settings, *services_.fileSystem,
                      *this, this);
}

void Form1::ListView1_OLEDragOver(const QMimeData* dropped, int& effect) {
  if (!DragCarriesLocalPaths(dropped)) effect = 0;
}

void Form1::ListView1_OLEDragDrop(const QMimeData* dropped) {
  AddDroppedPaths(*ListView1, *services_.fileSystem, *services_.dialogs, dropped);
}

void Form1::QueuePaths(const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
  QMimeData dropped;
  dropped.setUrls(urls);
  AddDroppedPaths(*ListView1, *services_.fileSystem, *services_.dialogs, &dropped);
}

void Form1::PushButton7_Click() {
  LoadSampleFiles(*ListView1, services_.applicationFolder, *services_.fileSystem, *services_.dialogs,
                  *services_.desktop);
}

void Form1::ListView1_ItemClick(int position) {
  StartRowDrag(*ListView1, rowDrag, *this, position, services_.applicationFolder);
}

void Form1::ListView1_MouseDown() { PressOnList(rowDrag); }

void Form1::ListView1_MouseMove(const QPoint& pos) {
  MoveDraggedRow(*ListView1, rowDrag, *this, pos, [this] { return services_.cursorPos().y(); });
}

void Form1::ListView1_MouseUp() { ReleaseOnList(*ListView1, rowDrag, *this); }

void Form1::PushButton2_Click() {
  const FileListView* list = ListView1;
  const SourceRows rows{[list] { return list->Count(); },
                        [list](int position) { return list->Text(position); },
                        [list](int position) { return list->Root(position); }};
  const OutputChoice output{[this] { return Option1->isChecked(); },
                            [this] { return Option2->isChecked(); },
                            [this] { return Text1->text(); },
                            [this] { return ChosenDocumentOptions(); },
                            [this] { return ChosenRunOptions(); }};
  ConvertAll(rows, *ProgressBar1, output, *services_.dialogs, *this, Converting, runControl);
}

ConversionOptions Form1::ChosenDocumentOptions() const {
  ConversionOptions options;
  for (const DocumentOptionBox& box : documentBoxes) options.*(box.row->field) = box.box->isChecked();
  return options;
}

QCheckBox* Form1::DocumentBoxFor(bool ConversionOptions::*field) const {
  for (const DocumentOptionBox& box : documentBoxes) {
    if (box.row->field == field) return box.box;
  }
  return nullptr;
}

namespace {
// The word of what a run option's control shows: "True" or "False", or the list's value.
QString ShownWord(const Form1::RunOptionControl& control) {
  return control.check != nullptr ? BooleanToText(control.check->isChecked()) : control.list->currentData().toString();
}
}  // namespace

RunOptions Form1::ChosenRunOptions() const {
  RunOptions options;
  for (const RunOptionControl& control : runOptionControls) control.row->fromSetting(options, ShownWord(control));
  return options;
}

const Form1::RunOptionControl* Form1::RunOptionControlFor(const QString& flag) const {
  for (const RunOptionControl& control : runOptionControls) {
    if (control.row->flag == flag) return &control;
  }
  return nullptr;
}

QCheckBox* Form1::RunOptionCheck(const QString& flag) const {
  const RunOptionControl* control = RunOptionControlFor(flag);
  return control != nullptr ? control->check : nullptr;
}

QComboBox* Form1::RunOptionList(const QString& flag) const {
  const RunOptionControl* control = RunOptionControlFor(flag);
  return control != nullptr ? control->list : nullptr;
}

QLabel* Form1::RunOptionLabel(const QString& flag) const {
  const RunOptionControl* control = RunOptionControlFor(flag);
  return control != nullptr ? control->label : nullptr;
}

void Form1::FollowOutputOption() {
  // Sub-folders are kept below the output folder only.
  for (const RunOptionControl& control : runOptionControls) {
    if (control.row->place == RunOptionPlace::kBesideOutputFolder && control.check != nullptr)
      control.check->setEnabled(Option1->isChecked());
  }
}

void Form1::Option1_Click() {
  // The folder box follows the option first, so that a store that cannot be written leaves
  // the window consistent with the option shown.
  Frame3->setEnabled(Option1->isChecked());
  FollowOutputOption();
  StoreOutputOptions(*services_.settings, Option1->isChecked(), Option2->isChecked());
}

void Form1::Option2_Click() { Option1_Click(); }

void Form1::DocumentBox_Click(const DocumentOptionBox& clicked) {
  WriteDocumentOptionSetting(*services_.settings, *clicked.row, clicked.box->isChecked());
}

void Form1::RunOption_Click(const RunOptionControl& changed) {
  WriteRunOptionSetting(*services_.settings, *changed.row, ShownWord(changed));
}

void Form1::Text1_Change() { StoreOutputFolder(*services_.settings, Text1->text()); }

void Form1::PushButton9_Click() {
  ChooseOutputFolder(*services_.dialogs, *services_.settings, this, *Text1);
}

void Form1::AboutButton_Click() { services_.dialogs->ShowMessage(AboutText(), QStringLiteral("About Lorvane")); }

void Form1::SetToolTips() {
  const int seconds = runControl.timeLimitSeconds ? runControl.timeLimitSeconds() : time_limit::kDefaultSeconds;
  const std::pair<QWidget*, QString> tips[] = {
      {PushButton1, QStringLiteral("Adds the .msg files you choose to the list.")},
      {PushButton4, QStringLiteral("Adds every .msg file in a folder and its sub-folders to the list.")},
      {PushButton6, QStringLiteral("Empties the list.")},
      {PushButton7, QStringLiteral("Adds the sample messages that come with Lorvane to the list.")},
      {PushButton2, QStringLiteral("Converts every message in the list; one that takes longer than %1 seconds fails "
                                   "(the TimeLimit setting).")
                        .arg(seconds)},
      {Option1, QStringLiteral("Saves every document into the folder in the box below.")},
      {Text1, QStringLiteral("The folder the documents are saved into.")},
      {PushButton9, QStringLiteral("Picks the folder the documents are saved into.")},
      {Option2, QStringLiteral("Saves each document in the folder of its message.")},
      {AboutButton, QStringLiteral("Shows Lorvane's version and maker (F1).")},
  };
  for (const auto& [control, tip] : tips) control->setToolTip(tip);
  // A document option's tip is its help text.
  for (const DocumentOptionBox& box : documentBoxes) box.box->setToolTip(DocumentOptionTip(*box.row));
  // A run option's list and its label share one tip.
  for (const RunOptionControl& control : runOptionControls) {
    for (QWidget* widget : {static_cast<QWidget*>(control.check), static_cast<QWidget*>(control.label),
                            static_cast<QWidget*>(control.list)}) {
      if (widget != nullptr) widget->setToolTip(control.row->tip);
    }
  }
}
