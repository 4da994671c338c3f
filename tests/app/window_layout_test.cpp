// The window's controls: positions and sizes in pixels (15 twips a pixel), captions,
// object names, fonts, parents, tab order, the window's designed size as its smallest and
// how the controls follow it as it grows, and each control's one-line tip.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/accelerators.h"
#include "app/progress_bar.h"
#include "filelist/file_list.h"
#include "platform/boolean_text.h"
#include "support/form_fixture.h"

namespace {
struct Row {
  const char* name;
  const char* caption;
  const char* parent;
  QRect pixels;
};

// The caption as shown: the "&" before its keyboard letter is drawn as an underline.
QString CaptionOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return QString(b->text()).remove(u'&');
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  if (auto* p = qobject_cast<ProgressBar*>(w)) return p->StatusText();
  if (auto* l = qobject_cast<QLabel*>(w)) return QString(l->text()).remove(u'&');
  return {};
}

TEST(WindowLayout, EveryControlStandsWhereTheTableSays) {
  FormFixture f;
  Form1& form = f.form();
  const Row rows[] = {
      {"ListView1", "", "Form1", QRect(8, 8, 520, 169)},
      {"ProgressBar1", "Progress Bar", "Form1", QRect(8, 565, 520, 27)},
      {"PushButton1", "Add MSG File(s)", "Form1", QRect(8, 183, 256, 27)},
      {"PushButton4", "Add All MSG File(s) In Folder", "Form1", QRect(272, 183, 256, 27)},
      {"PushButton2", "Start Converting", "Form1", QRect(8, 530, 520, 27)},
      {"PushButton6", "Clear List", "Form1", QRect(8, 217, 256, 27)},
      {"PushButton7", "Load Sample/Example Files", "Form1", QRect(272, 217, 256, 27)},
      // "Save Option" as designed, with "Keep sub-folders" beside the option it belongs to.
      {"Frame5", "Save Option", "Form1", QRect(8, 249, 520, 121)},
      {"Option1", "Save results to this folder:", "Frame5", QRect(16, 20, 241, 17)},
      {"Option2", "Save results in folder of original file", "Frame5", QRect(16, 94, 241, 17)},
      {"Frame3", "", "Frame5", QRect(32, 34, 456, 54)},
      {"Text1", "", "Frame3", QRect(16, 20, 378, 23)},
      {"PushButton9", "...", "Frame3", QRect(400, 20, 40, 23)},
      {"KeepFoldersCheck", "Keep sub-folders", "Frame5", QRect(264, 20, 241, 17)},
      // What the documents hold and what they are saved as, in a frame of their own.
      {"DocumentsFrame", "Documents", "Form1", QRect(8, 376, 520, 146)},
      {"header", "Add sender, date and subject", "DocumentsFrame", QRect(16, 20, 241, 17)},
      {"pictures", "Show pictures", "DocumentsFrame", QRect(264, 20, 241, 17)},
      {"attachments", "Save attachments", "DocumentsFrame", QRect(16, 40, 241, 17)},
      {"dates", "Date documents like their messages", "DocumentsFrame", QRect(16, 60, 488, 17)},
      {"NameByLabel", "Name documents by:", "DocumentsFrame", QRect(16, 88, 122, 17)},
      {"NameByCombo", "", "DocumentsFrame", QRect(144, 84, 160, 23)},
      {"SaveAsLabel", "Save as:", "DocumentsFrame", QRect(16, 116, 122, 17)},
      {"SaveAsCombo", "", "DocumentsFrame", QRect(144, 112, 240, 23)},
      // "About" apart from the options, under the bar.
      {"AboutButton", "About", "Form1", QRect(448, 598, 80, 23)},
  };
  for (const Row& row : rows) {
    auto* w = form.findChild<QWidget*>(QString::fromLatin1(row.name));
    ASSERT_NE(w, nullptr) << row.name;
    EXPECT_EQ(w->geometry(), row.pixels) << row.name;
    EXPECT_EQ(CaptionOf(w), QString::fromLatin1(row.caption)) << row.name;
    EXPECT_EQ(w->parentWidget()->objectName(), QString::fromLatin1(row.parent)) << row.name;
  }
  EXPECT_EQ(form.ListView1->objectName(), QStringLiteral("ListView1"));
  EXPECT_EQ(form.Text1, form.findChild<QLineEdit*>(QStringLiteral("Text1")));
}

TEST(WindowLayout, WindowStartsAtItsSmallestSizeWhiteAndCaptionedForm1UntilStartUp) {
  FormFixture f;
  Form1& form = f.form();
  EXPECT_EQ(form.objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Form1"));
  EXPECT_EQ(form.size(), QSize(536, 629));
  EXPECT_EQ(form.minimumSize(), QSize(536, 629));
  EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(form.Frame5->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(form.Option2->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(form.Option1->isChecked());
  EXPECT_TRUE(form.Text1->text().isEmpty());
}

// Made 300 pixels wider and 200 taller (as maximizing does), the list takes the room and
// its column fills it: the button pairs share the width, the rest moves down and widens,
// the output folder's box widens with "..." at its end, "About" keeps to the corner and
// the options keep their places. Back at its designed size every control is where it was,
// and a column the user made wider than the list stays as wide.
TEST(WindowLayout, TheListGrowsWithTheWindowAndTheRestFollows) {
  FormFixture f;
  f.Load();
  Form1& form = f.form();
  form.show();
  QApplication::processEvents();
  EXPECT_EQ(form.ListView1->columnWidth(0), form.ListView1->viewport()->width());
  EXPECT_GE(form.ListView1->columnWidth(0), 467);
  form.resize(836, 829);
  QApplication::processEvents();
  EXPECT_EQ(form.ListView1->geometry(), QRect(8, 8, 820, 369));
  EXPECT_EQ(form.ListView1->columnWidth(0), form.ListView1->viewport()->width());
  EXPECT_GT(form.ListView1->columnWidth(0), 760);
  EXPECT_EQ(form.PushButton1->geometry(), QRect(8, 383, 406, 27));
  EXPECT_EQ(form.PushButton4->geometry(), QRect(422, 383, 406, 27));
  EXPECT_EQ(form.PushButton6->geometry(), QRect(8, 417, 406, 27));
  EXPECT_EQ(form.PushButton7->geometry(), QRect(422, 417, 406, 27));
  EXPECT_EQ(form.Frame5->geometry(), QRect(8, 449, 820, 121));
  EXPECT_EQ(form.Frame3->geometry(), QRect(32, 34, 756, 54));
  EXPECT_EQ(form.Text1->geometry(), QRect(16, 20, 678, 23));
  EXPECT_EQ(form.PushButton9->geometry(), QRect(700, 20, 40, 23));
  EXPECT_EQ(form.RunOptionCheck(QStringLiteral("tree"))->geometry(), QRect(264, 20, 241, 17));
  EXPECT_EQ(form.DocumentsFrame->geometry(), QRect(8, 576, 820, 146));
  EXPECT_EQ(form.PushButton2->geometry(), QRect(8, 730, 820, 27));
  EXPECT_EQ(form.ProgressBar1->geometry(), QRect(8, 765, 820, 27));
  EXPECT_EQ(form.AboutButton->geometry(), QRect(748, 798, 80, 23));
  EXPECT_EQ(form.ListView1->Count(), 0);
  form.resize(100, 100);  // no smaller than designed
  QApplication::processEvents();
  EXPECT_EQ(form.size(), QSize(536, 629));
  EXPECT_EQ(form.ListView1->geometry(), QRect(8, 8, 520, 169));
  EXPECT_EQ(form.ListView1->columnWidth(0), form.ListView1->viewport()->width());
  EXPECT_EQ(form.Text1->geometry(), QRect(16, 20, 378, 23));
  EXPECT_EQ(form.ProgressBar1->geometry(), QRect(8, 565, 520, 27));
  form.ListView1->setColumnWidth(0, 900);  // as dragging the header's line does
  form.resize(700, 700);
  QApplication::processEvents();
  EXPECT_EQ(form.ListView1->columnWidth(0), 900);
}

// Each control says in one line what it does; the button that starts a run names the time
// limit the settings give it.
TEST(WindowLayout, EveryControlHasAOneLineTipAndStartNamesTheTimeLimit) {
  FormFixture f({{QStringLiteral("TimeLimit"), QStringLiteral("45")}});
  f.Load();
  Form1& form = f.form();
  for (QWidget* w : std::initializer_list<QWidget*>{
           form.PushButton1, form.PushButton2, form.PushButton4, form.PushButton6, form.PushButton7, form.PushButton9,
           form.AboutButton, form.Option1, form.Option2, form.RunOptionCheck(QStringLiteral("tree")),
           form.RunOptionList(QStringLiteral("name")), form.RunOptionList(QStringLiteral("format")), form.Text1,
           form.DocumentBoxFor(&ConversionOptions::header_block), form.DocumentBoxFor(&ConversionOptions::pictures),
           form.DocumentBoxFor(&ConversionOptions::attachments), form.DocumentBoxFor(&ConversionOptions::file_dates)}) {
    EXPECT_FALSE(w->toolTip().isEmpty()) << w->objectName().toStdString();
    EXPECT_FALSE(w->toolTip().contains(u'\n')) << w->objectName().toStdString();
  }
  EXPECT_EQ(form.PushButton2->toolTip(), QStringLiteral("Converts every message in the list; one that takes longer "
                                                        "than 45 seconds fails (the TimeLimit setting)."));
}

TEST(WindowLayout, FontsAreArialBoldNineAndButtonsElevenAndAQuarter) {
  FormFixture f;
  Form1& form = f.form();
  for (QWidget* w : std::initializer_list<QWidget*>{&form, form.ListView1, form.Text1, form.Option1, form.Frame5}) {
    EXPECT_EQ(w->font().family(), QStringLiteral("Arial")) << w->objectName().toStdString();
    EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 9.0) << w->objectName().toStdString();
    EXPECT_TRUE(w->font().bold()) << w->objectName().toStdString();
  }
  for (QPushButton* b : {form.PushButton1, form.PushButton2, form.PushButton4, form.PushButton6,
                         form.PushButton7, form.PushButton9}) {
    EXPECT_DOUBLE_EQ(b->font().pointSizeF(), 11.25) << b->objectName().toStdString();
    EXPECT_TRUE(b->font().bold());
  }
}

TEST(WindowLayout, TheFontHasArialsMetricsAndEveryCaptionFits) {
  FormFixture f;
  Form1& form = f.form();
  const QStringList arialMetrics = {"Arial", "Liberation Sans", "Arimo"};
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
           form.PushButton1, form.PushButton2, form.PushButton4, form.PushButton6, form.PushButton7, form.PushButton9,
           form.AboutButton, form.Option1, form.Option2, form.RunOptionCheck(QStringLiteral("tree")),
           form.DocumentBoxFor(&ConversionOptions::header_block), form.DocumentBoxFor(&ConversionOptions::pictures),
           form.DocumentBoxFor(&ConversionOptions::attachments), form.DocumentBoxFor(&ConversionOptions::file_dates)}) {
    EXPECT_TRUE(arialMetrics.contains(QFontInfo(b->font()).family())) << b->objectName().toStdString();
    const int needed = b->inherits("QPushButton") ? b->fontMetrics().horizontalAdvance(b->text()) : b->sizeHint().width();
    EXPECT_LE(needed, b->width()) << b->objectName().toStdString();
  }
  // The name choice shows its longer entry whole, and its label fits beside it.
  EXPECT_LE(form.RunOptionLabel(QStringLiteral("name"))->sizeHint().width(),
            form.RunOptionLabel(QStringLiteral("name"))->width());
  EXPECT_LE(form.RunOptionList(QStringLiteral("name"))->sizeHint().width(),
            form.RunOptionList(QStringLiteral("name"))->width());
  EXPECT_EQ(form.RunOptionList(QStringLiteral("name"))->count(), 2);
  EXPECT_EQ(form.RunOptionList(QStringLiteral("name"))->itemText(0), QStringLiteral("file name"));
  EXPECT_EQ(form.RunOptionList(QStringLiteral("name"))->itemText(1), QStringLiteral("date and subject"));
  // Every control of the two frames stays inside its frame, and each option's caption fits.
  for (QGroupBox* frame : {form.Frame5, form.DocumentsFrame}) {
    for (QWidget* w : frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      EXPECT_TRUE(frame->rect().contains(w->geometry())) << w->objectName().toStdString();
  }
  EXPECT_LE(form.RunOptionList(QStringLiteral("format"))->sizeHint().width(),
            form.RunOptionList(QStringLiteral("format"))->width());
}

// The document options' boxes are the option table's rows the user chooses: named after
// the options' words, their tips the options' help as sentences, none over another control
// of "Documents", which stands under "Save Option" and above "Start Converting".
TEST(WindowLayout, DocumentBoxesComeFromTheOptionTableWithoutOverlapping) {
  FormFixture f;
  f.Load();
  Form1& form = f.form();
  const QList<QWidget*> inFrame = form.DocumentsFrame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_FALSE(form.documentBoxes.empty());
  for (const Form1::DocumentOptionBox& box : form.documentBoxes) {
    EXPECT_EQ(box.box->objectName().toStdString(), std::string(box.row->word));
    EXPECT_EQ(box.box->parentWidget(), form.DocumentsFrame);
    for (QWidget* other : inFrame) {
      if (other == box.box) continue;
      EXPECT_FALSE(box.box->geometry().intersects(other->geometry()))
          << box.box->objectName().toStdString() << " over " << other->objectName().toStdString();
    }
  }
  EXPECT_EQ(form.DocumentBoxFor(&ConversionOptions::file_dates)->toolTip(),
            QStringLiteral("Date each document like its message (sent, else received)."));
  EXPECT_LT(form.Frame5->geometry().bottom(), form.DocumentsFrame->geometry().top());
  EXPECT_LT(form.DocumentsFrame->geometry().bottom(), form.PushButton2->geometry().top());
}

// The run options' controls are the rows of the run's option table: a check box or a label
// and its list, named after the row, with its caption, values and tip, over no other
// control; what each shows is stored under the row's key as it changes, and a new window
// shows it again.
TEST(WindowLayout, RunOptionControlsComeFromTheirTableAndKeepTheirChoice) {
  FormFixture f;
  f.Load();
  Form1& form = f.form();
  ASSERT_EQ(form.runOptionControls.size(), RunOptionTable().size());
  std::vector<std::pair<QString, QString>> chosen;  // settings key, the word chosen
  for (const Form1::RunOptionControl& control : form.runOptionControls) {
    const RunOptionRow& row = *control.row;
    SCOPED_TRACE(row.flag.toStdString());
    QWidget* shown = control.check != nullptr ? static_cast<QWidget*>(control.check) : control.list;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->objectName(), row.controlName + (IsOnOff(row) ? QStringLiteral("Check") : QStringLiteral("Combo")));
    EXPECT_EQ(shown->toolTip(), row.tip);
    // ("Keep sub-folders" stands in "Save Option" as the form placed it, its foot on the folder's frame.)
    for (QWidget* other : form.DocumentsFrame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (other == shown || shown->parentWidget() != form.DocumentsFrame) continue;
      EXPECT_FALSE(shown->geometry().intersects(other->geometry())) << other->objectName().toStdString();
    }
    if (IsOnOff(row)) {
      EXPECT_EQ(control.check->text().remove(u'&'), QString(row.caption).remove(u'&'));
      control.check->click();
      chosen.emplace_back(row.settingKey, BooleanToText(control.check->isChecked()));
      continue;
    }
    EXPECT_EQ(control.label->text().remove(u'&'), QString(row.caption).remove(u'&'));
    EXPECT_EQ(control.label->buddy(), control.list);
    ASSERT_EQ(control.list->count(), static_cast<int>(row.values.size()));
    for (int i = 0; i < control.list->count(); ++i) {
      EXPECT_EQ(control.list->itemText(i), row.values[static_cast<std::size_t>(i)].caption);
      EXPECT_EQ(control.list->itemData(i).toString(), row.values[static_cast<std::size_t>(i)].word);
    }
    const int last = control.list->count() - 1;
    control.list->setCurrentIndex(last);
    emit control.list->activated(last);
    chosen.emplace_back(row.settingKey, row.values.back().word);
  }
  for (const auto& [key, word] : chosen) EXPECT_EQ(f.settings.Value(key), word) << key.toStdString();
  // Shown otherwise without storing, then read back from the settings.
  for (const Form1::RunOptionControl& control : form.runOptionControls) {
    if (control.check != nullptr) control.check->setChecked(!control.check->isChecked());
    if (control.list != nullptr) control.list->setCurrentIndex(0);
  }
  form.Form_Load();
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const Form1::RunOptionControl& control = form.runOptionControls[i];
    const QString word = control.check != nullptr ? BooleanToText(control.check->isChecked())
                                                  : control.list->currentData().toString();
    EXPECT_EQ(word, chosen[i].second) << control.row->flag.toStdString();
  }
}

// Tab goes through the window in reading order: the list, the button rows left to right,
// "Save Option" line by line, "Documents" line by line, "Start Converting", "About".
TEST(WindowLayout, ListToolTipAndDropsAndTabOrder) {
  FormFixture f;
  Form1& form = f.form();
  EXPECT_EQ(form.ListView1->toolTip(),
            QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | line to "
                           "right and out of window to reveal full names."));
  EXPECT_TRUE(form.ListView1->acceptDrops());
  const std::vector<QWidget*> order{form.ListView1,
                                    form.PushButton1,
                                    form.PushButton4,
                                    form.PushButton6,
                                    form.PushButton7,
                                    form.Option1,
                                    form.RunOptionCheck(QStringLiteral("tree")),
                                    form.Text1,
                                    form.PushButton9,
                                    form.Option2,
                                    form.DocumentBoxFor(&ConversionOptions::header_block),
                                    form.DocumentBoxFor(&ConversionOptions::pictures),
                                    form.DocumentBoxFor(&ConversionOptions::attachments),
                                    form.DocumentBoxFor(&ConversionOptions::file_dates),
                                    form.RunOptionList(QStringLiteral("name")),
                                    form.RunOptionList(QStringLiteral("format")),
                                    form.PushButton2,
                                    form.AboutButton};
  // Every control that takes the focus by Tab, in the order Tab visits them from the list.
  std::vector<QWidget*> visited;
  QWidget* w = form.ListView1;
  do {
    if (w->focusPolicy() & Qt::TabFocus && w->window() == &form) visited.push_back(w);
    w = w->nextInFocusChain();
  } while (w != form.ListView1 && visited.size() < order.size() + 5);
  EXPECT_EQ(visited, order);
  // Reading order: each control after the one before it is lower, or on the same line and
  // to its right.
  for (std::size_t i = 1; i < order.size(); ++i) {
    const QRect before(order[i - 1]->mapTo(&form, QPoint(0, 0)), order[i - 1]->size());
    const QRect after(order[i]->mapTo(&form, QPoint(0, 0)), order[i]->size());
    const bool sameLine = after.top() < before.bottom() && before.top() < after.bottom();
    EXPECT_TRUE(sameLine ? after.left() > before.left() : after.top() > before.top())
        << order[i]->objectName().toStdString() << " after " << order[i - 1]->objectName().toStdString();
  }
}

// Every button, option, check box and label carries a keyboard letter, shown underlined,
// and no two share one: a new row of the option table gets a free letter. Alt and the
// letter presses the control; Ctrl+O adds files.
TEST(WindowLayout, EveryControlHasItsOwnKeyboardLetter) {
  FormFixture f;
  f.Load();
  Form1& form = f.form();
  QSet<QChar> seen;
  int controls = 0;
  for (QWidget* w : form.findChildren<QWidget*>()) {
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      text = b->text();
    } else if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) {
      text = l->text();
    } else {
      continue;
    }
    ++controls;
    const QChar letter = AcceleratorOf(text);
    EXPECT_FALSE(letter.isNull()) << w->objectName().toStdString() << " has no letter: " << text.toStdString();
    EXPECT_FALSE(seen.contains(letter)) << w->objectName().toStdString() << " shares " << QString(letter).toStdString();
    seen.insert(letter);
  }
  EXPECT_EQ(controls, 16);  // 7 buttons, 2 options, 5 check boxes, 2 labels
  EXPECT_EQ(form.RunOptionCheck(QStringLiteral("tree"))->text(), QStringLiteral("&Keep sub-folders"));
  EXPECT_EQ(form.PushButton2->text(), QStringLiteral("&Start Converting"));

  // A caption gets the first free letter that starts a word, else the first free letter.
  QSet<QChar> taken{u'a', u's'};
  EXPECT_EQ(WithAccelerator(QStringLiteral("Add sender, date and subject"), taken),
            QStringLiteral("Add sender, &date and subject"));
  EXPECT_EQ(WithAccelerator(QStringLiteral("Save as"), taken), QStringLiteral("Sa&ve as"));
  EXPECT_EQ(WithAccelerator(QStringLiteral("&Clear List"), taken), QStringLiteral("&Clear List"));
  EXPECT_TRUE(taken.contains(u'c'));
  QSet<QChar> full{u'a', u'b'};
  EXPECT_EQ(WithAccelerator(QStringLiteral("ab"), full), QStringLiteral("ab"));

  // The letters and Ctrl+O work on the shown window.
  form.show();
  QApplication::setActiveWindow(&form);
  QApplication::processEvents();
  const bool keep = form.RunOptionCheck(QStringLiteral("tree"))->isChecked();
  QTest::keyClick(&form, Qt::Key_K, Qt::AltModifier);
  // A letter presses the box as a click does: down, then up a moment later.
  for (int i = 0; i < 100 && form.RunOptionCheck(QStringLiteral("tree"))->isChecked() == keep; ++i) QTest::qWait(20);
  EXPECT_NE(form.RunOptionCheck(QStringLiteral("tree"))->isChecked(), keep);
  EXPECT_EQ(f.settings.Value(QStringLiteral("KeepFolders")), keep ? QStringLiteral("False") : QStringLiteral("True"));
  f.dialogs.AnswerOpenFiles(QString());
  QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
  ASSERT_FALSE(f.dialogs.shown.empty());
  EXPECT_EQ(f.dialogs.shown.back().kind, ShownBox::Kind::OpenFiles);
}

}  // namespace
