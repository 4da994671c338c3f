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
#include <gtest/gtest.h>

#include <algorithm>

#include "app/progress_bar.h"
#include "filelist/file_list.h"
#include "support/form_fixture.h"

namespace {
struct Row {
  const char* name;
  const char* caption;
  const char* parent;
  QRect pixels;
};

QString CaptionOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  if (auto* p = qobject_cast<ProgressBar*>(w)) return p->StatusText();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  return {};
}

TEST(WindowLayout, EveryControlStandsWhereTheTableSays) {
  FormFixture f;
  Form1& form = f.form();
  const Row rows[] = {
      {"ListView1", "", "Form1", QRect(8, 8, 520, 169)},
      {"ProgressBar1", "Progress Bar", "Form1", QRect(8, 525, 520, 27)},
      {"PushButton1", "Add MSG File(s)", "Form1", QRect(8, 183, 256, 27)},
      {"PushButton4", "Add All MSG File(s) In Folder", "Form1", QRect(272, 183, 256, 27)},
      {"PushButton2", "Start Converting", "Form1", QRect(8, 490, 520, 27)},
      {"PushButton6", "Clear List", "Form1", QRect(8, 217, 256, 27)},
      {"PushButton7", "Load Sample/Example Files", "Form1", QRect(272, 217, 256, 27)},
      {"Frame5", "Save Option", "Form1", QRect(8, 249, 520, 233)},
      {"Option1", "Save results to this folder:", "Frame5", QRect(16, 20, 241, 17)},
      {"Option2", "Save results in folder of original file", "Frame5", QRect(16, 112, 241, 17)},
      {"header", "Add sender, date and subject", "Frame5", QRect(264, 112, 241, 17)},
      {"pictures", "Show pictures", "Frame5", QRect(16, 132, 241, 17)},
      {"attachments", "Save attachments", "Frame5", QRect(264, 132, 241, 17)},
      {"dates", "Date documents like their messages", "Frame5", QRect(16, 152, 488, 17)},
      {"Label1", "Name documents by:", "Frame5", QRect(16, 176, 122, 17)},
      {"Combo1", "", "Frame5", QRect(144, 172, 160, 23)},
      {"Label2", "Save as:", "Frame5", QRect(16, 204, 122, 17)},
      {"Combo2", "", "Frame5", QRect(144, 200, 160, 23)},
      {"Frame3", "", "Frame5", QRect(32, 34, 456, 72)},
      {"Text1", "", "Frame3", QRect(16, 20, 378, 23)},
      {"PushButton9", "...", "Frame3", QRect(400, 20, 40, 23)},
      {"Check5", "Keep sub-folders", "Frame3", QRect(16, 48, 241, 17)},
      {"PushButton10", "About", "Frame5", QRect(424, 172, 80, 23)},
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
  EXPECT_EQ(form.size(), QSize(536, 561));
  EXPECT_EQ(form.minimumSize(), QSize(536, 561));
  EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(form.Frame5->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(form.Option2->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(form.Option1->isChecked());
  EXPECT_TRUE(form.Text1->text().isEmpty());
}

// Made 300 pixels wider and 200 taller (as maximizing does), the list takes the room: the
// button pairs share the width, the rest moves down and widens, and the frame's own
// controls keep their places. Back at its designed size every control is where it was.
TEST(WindowLayout, TheListGrowsWithTheWindowAndTheRestFollows) {
  FormFixture f;
  Form1& form = f.form();
  form.show();
  form.resize(836, 761);
  QApplication::processEvents();
  EXPECT_EQ(form.ListView1->geometry(), QRect(8, 8, 820, 369));
  EXPECT_EQ(form.PushButton1->geometry(), QRect(8, 383, 406, 27));
  EXPECT_EQ(form.PushButton4->geometry(), QRect(422, 383, 406, 27));
  EXPECT_EQ(form.PushButton6->geometry(), QRect(8, 417, 406, 27));
  EXPECT_EQ(form.PushButton7->geometry(), QRect(422, 417, 406, 27));
  EXPECT_EQ(form.Frame5->geometry(), QRect(8, 449, 820, 233));
  EXPECT_EQ(form.PushButton2->geometry(), QRect(8, 690, 820, 27));
  EXPECT_EQ(form.ProgressBar1->geometry(), QRect(8, 725, 820, 27));
  EXPECT_EQ(form.Frame3->geometry(), QRect(32, 34, 456, 72));
  EXPECT_EQ(form.ListView1->Count(), 0);
  form.resize(100, 100);  // no smaller than designed
  QApplication::processEvents();
  EXPECT_EQ(form.size(), QSize(536, 561));
  EXPECT_EQ(form.ListView1->geometry(), QRect(8, 8, 520, 169));
  EXPECT_EQ(form.ProgressBar1->geometry(), QRect(8, 525, 520, 27));
}

// Each control says in one line what it does; the button that starts a run names the time
// limit the settings give it.
TEST(WindowLayout, EveryControlHasAOneLineTipAndStartNamesTheTimeLimit) {
  FormFixture f({{QStringLiteral("TimeLimit"), QStringLiteral("45")}});
  f.Load();
  Form1& form = f.form();
  for (QWidget* w : std::initializer_list<QWidget*>{
           form.PushButton1, form.PushButton2, form.PushButton4, form.PushButton6, form.PushButton7, form.PushButton9,
           form.PushButton10, form.Option1, form.Option2, form.Check5, form.Combo1, form.Combo2, form.Text1,
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
           form.PushButton1, form.PushButton2, form.PushButton4, form.PushButton6, form.PushButton7,
           form.PushButton9, form.PushButton10, form.Option1, form.Option2, form.Check5,
           form.DocumentBoxFor(&ConversionOptions::header_block), form.DocumentBoxFor(&ConversionOptions::pictures),
           form.DocumentBoxFor(&ConversionOptions::attachments), form.DocumentBoxFor(&ConversionOptions::file_dates)}) {
    EXPECT_TRUE(arialMetrics.contains(QFontInfo(b->font()).family())) << b->objectName().toStdString();
    const int needed = b->inherits("QPushButton") ? b->fontMetrics().horizontalAdvance(b->text()) : b->sizeHint().width();
    EXPECT_LE(needed, b->width()) << b->objectName().toStdString();
  }
  // The name choice shows its longer entry whole, and its label fits beside it.
  EXPECT_LE(form.Label1->sizeHint().width(), form.Label1->width());
  EXPECT_LE(form.Combo1->sizeHint().width(), form.Combo1->width());
  EXPECT_EQ(form.Combo1->count(), 2);
  EXPECT_EQ(form.Combo1->itemText(0), QStringLiteral("file name"));
  EXPECT_EQ(form.Combo1->itemText(1), QStringLiteral("date and subject"));
  // Every control of "Save Option" stays inside the frame.
  for (QWidget* w : form.Frame5->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    EXPECT_TRUE(form.Frame5->rect().contains(w->geometry())) << w->objectName().toStdString();
}

// The document options' boxes are the option table's rows the user chooses: named after
// the options' words, their tips the options' help as sentences, none over another control
// of "Save Option", which stays above "Start Converting".
TEST(WindowLayout, DocumentBoxesComeFromTheOptionTableWithoutOverlapping) {
  FormFixture f;
  f.Load();
  Form1& form = f.form();
  const QList<QWidget*> inFrame = form.Frame5->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_FALSE(form.documentBoxes.empty());
  for (const Form1::DocumentOptionBox& box : form.documentBoxes) {
    EXPECT_EQ(box.box->objectName().toStdString(), std::string(box.row->word));
    EXPECT_EQ(box.box->parentWidget(), form.Frame5);
    for (QWidget* other : inFrame) {
      if (other == box.box) continue;
      EXPECT_FALSE(box.box->geometry().intersects(other->geometry()))
          << box.box->objectName().toStdString() << " over " << other->objectName().toStdString();
    }
  }
  EXPECT_EQ(form.DocumentBoxFor(&ConversionOptions::file_dates)->toolTip(),
            QStringLiteral("Date each document like its message (sent, else received)."));
  EXPECT_LT(form.Frame5->geometry().bottom(), form.PushButton2->geometry().top());
}

TEST(WindowLayout, ListToolTipAndDropsAndTabOrder) {
  FormFixture f;
  Form1& form = f.form();
  EXPECT_EQ(form.ListView1->toolTip(),
            QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | line to "
                           "right and out of window to reveal full names."));
  EXPECT_TRUE(form.ListView1->acceptDrops());
  const std::vector<QWidget*> order{form.ListView1, form.PushButton1, form.PushButton4, form.PushButton2,
                                    form.PushButton6, form.PushButton7, form.Option1, form.Option2,
                                    form.Text1, form.PushButton9, form.Check5,
                                    form.DocumentBoxFor(&ConversionOptions::header_block),
                                    form.DocumentBoxFor(&ConversionOptions::pictures),
                                    form.DocumentBoxFor(&ConversionOptions::attachments),
                                    form.DocumentBoxFor(&ConversionOptions::file_dates),
                                    form.Combo1, form.PushButton10};
  // The named controls in the order Tab visits them, starting from the list.
  std::vector<QWidget*> visited;
  QWidget* w = form.ListView1;
  do {
    if (std::find(order.begin(), order.end(), w) != order.end()) visited.push_back(w);
    w = w->nextInFocusChain();
  } while (w != form.ListView1 && visited.size() < order.size() + 1);
  EXPECT_EQ(visited, order);
}

}  // namespace
