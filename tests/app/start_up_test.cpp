// Form_Load on a real window with scripted dialogs and a temporary settings store: the
// first start, each stored-option case, unreadable options, the hand pointer file, the
// home-page lottery, the title, and "About" with the version.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/error_trap.h"
#include "filelist/file_list.h"
#include "platform/paths.h"
#include "platform/window_titles.h"
#include "support/form_fixture.h"

namespace {
const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.Form_Load ");

struct OptionCase {
  const char* option1;
  const char* option2;
  bool selected1;
  bool selected2;
  bool frameEnabled;
};

TEST(StartUp, FirstStartShowsTheDesktopFolderAndStoresIt) {
  FormFixture f;
  f.Load();
  Form1& form = f.form();
  EXPECT_TRUE(f.dialogs.shown.empty());
  EXPECT_EQ(form.Text1->text(), GetDesktopFolder());
  EXPECT_EQ(f.settings.Value(QStringLiteral("Text1")), GetDesktopFolder());
  EXPECT_TRUE(form.Option1->isChecked());
  EXPECT_FALSE(form.Option2->isChecked());
  EXPECT_TRUE(form.Frame3->isEnabled());
  // The options are only read at start-up, never written.
  EXPECT_FALSE(f.settings.Value(QStringLiteral("Option1")).has_value());
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Lorvane"));
  EXPECT_EQ(ApplicationTitleText(), QStringLiteral("Lorvane"));
  // No display name is set, so Qt appends nothing to the titles of the program's dialogs.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
  EXPECT_NE(QCoreApplication::applicationName(), QStringLiteral("Lorvane"));
  EXPECT_EQ(form.ListView1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("MSG File(s)"));
  EXPECT_EQ(form.ListView1->columnWidth(0), 467);
  EXPECT_EQ(form.ListView1->Count(), 0);
  EXPECT_TRUE(f.desktop.openedUrls.empty());
}

TEST(StartUp, HeaderBlockChoiceIsRestoredAndABadValueShowsLine137) {
  for (const char* stored : {"True", "False"}) {
    FormFixture f({{QStringLiteral("HeaderBlock"), QString::fromLatin1(stored)}});
    f.Load();
    EXPECT_EQ(f.form().DocumentBoxFor(&ConversionOptions::header_block)->isChecked(), std::string(stored) == "True");
    EXPECT_TRUE(f.dialogs.shown.empty());
  }
  FormFixture bad({{QStringLiteral("HeaderBlock"), QStringLiteral("maybe")}});
  bad.Load();
  EXPECT_FALSE(bad.form().DocumentBoxFor(&ConversionOptions::header_block)->isChecked());
  ASSERT_EQ(bad.dialogs.ErrorBoxes().size(), 1u);
  EXPECT_NE(bad.dialogs.ErrorBoxes()[0].indexOf(QStringLiteral("Form_Load at line 137\r\r")), -1);
}

// The document options' boxes and the name choice come back as stored. Never stored (the
// first start), the documents hold the whole message: header, pictures and attachments
// ticked, the dates and sub-folders not, named after their files; nothing is written until
// the user changes a box, and a choice stored as "False" stays cleared.
TEST(StartUp, TheNewDocumentChoicesAreRestored) {
  FormFixture none;
  none.Load();
  for (QCheckBox* box : {none.form().DocumentBoxFor(&ConversionOptions::header_block),
                         none.form().DocumentBoxFor(&ConversionOptions::pictures),
                         none.form().DocumentBoxFor(&ConversionOptions::attachments)})
    EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
  for (QCheckBox* box :
       {none.form().DocumentBoxFor(&ConversionOptions::file_dates), none.form().RunOptionCheck(QStringLiteral("tree"))})
    EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
  for (const char* key : {"HeaderBlock", "Pictures", "Attachments"})
    EXPECT_FALSE(none.settings.Value(QString::fromLatin1(key)).has_value()) << key;
  FormFixture cleared({{QStringLiteral("HeaderBlock"), QStringLiteral("False")},
                       {QStringLiteral("Pictures"), QStringLiteral("False")},
                       {QStringLiteral("Attachments"), QStringLiteral("False")}});
  cleared.Load();
  for (QCheckBox* box : {cleared.form().DocumentBoxFor(&ConversionOptions::header_block),
                         cleared.form().DocumentBoxFor(&ConversionOptions::pictures),
                         cleared.form().DocumentBoxFor(&ConversionOptions::attachments)})
    EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
  none.form().DocumentBoxFor(&ConversionOptions::pictures)->click();
  EXPECT_EQ(none.settings.Value(QStringLiteral("Pictures")), QStringLiteral("False"));
  EXPECT_FALSE(none.settings.Value(QStringLiteral("HeaderBlock")).has_value());
  EXPECT_EQ(none.form().RunOptionList(QStringLiteral("name"))->currentText(), QStringLiteral("file name"));
  FormFixture all({{QStringLiteral("Pictures"), QStringLiteral("True")},
                   {QStringLiteral("Attachments"), QStringLiteral("True")},
                   {QStringLiteral("DateFiles"), QStringLiteral("True")},
                   {QStringLiteral("KeepFolders"), QStringLiteral("True")},
                   {QStringLiteral("NameBy"), QStringLiteral("date-subject")}});
  all.Load();
  for (QCheckBox* box :
       {all.form().DocumentBoxFor(&ConversionOptions::pictures),
        all.form().DocumentBoxFor(&ConversionOptions::attachments),
        all.form().DocumentBoxFor(&ConversionOptions::file_dates), all.form().RunOptionCheck(QStringLiteral("tree"))})
    EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
  EXPECT_EQ(all.form().RunOptionList(QStringLiteral("name"))->currentText(), QStringLiteral("date and subject"));
  EXPECT_EQ(none.form().RunOptionList(QStringLiteral("format"))->currentText(), QStringLiteral("RTF document (.doc)"));
  FormFixture pdf({{QStringLiteral("Format"), QStringLiteral("pdf")}});
  pdf.Load();
  EXPECT_EQ(pdf.form().RunOptionList(QStringLiteral("format"))->currentText(), QStringLiteral("PDF/A document (.pdf)"));
  FormFixture odd({{QStringLiteral("NameBy"), QStringLiteral("by moon phase")}, {QStringLiteral("Format"), QStringLiteral("xls")}});
  odd.Load();
  EXPECT_EQ(odd.form().RunOptionList(QStringLiteral("name"))->currentText(), QStringLiteral("file name"));
  EXPECT_EQ(odd.form().RunOptionList(QStringLiteral("format"))->currentText(), QStringLiteral("RTF document (.doc)"));
  EXPECT_TRUE(odd.dialogs.shown.empty());
  // Choosing the format stores its word at once.
  odd.form().RunOptionList(QStringLiteral("format"))->setCurrentIndex(1);
  emit odd.form().RunOptionList(QStringLiteral("format"))->activated(1);
  EXPECT_EQ(odd.settings.Value(QStringLiteral("Format")), QStringLiteral("pdf"));
}

// The document options' boxes, their captions and the keys their states are kept under,
// as the window has always had them: a settings file written before restores the same
// boxes, each from its own key, and a click stores "True"/"False" under that key alone.
TEST(StartUp, DocumentBoxesKeepTheirCaptionsAndSettingsKeys) {
  struct Box {
    bool ConversionOptions::*field;
    const char* key;
    const char* caption;
  };
  const Box boxes[] = {
      {&ConversionOptions::header_block, "HeaderBlock", "Add sender, date and subject"},
      {&ConversionOptions::pictures, "Pictures", "Show pictures"},
      {&ConversionOptions::attachments, "Attachments", "Save attachments"},
      {&ConversionOptions::file_dates, "DateFiles", "Date documents like their messages"},
  };
  // Alternate states, one way and the other, so that two keys swapped show.
  for (const bool firstTicked : {true, false}) {
    FormFixture f;
    QFile file(f.settings.FileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray written = "[Lorvane]\n";
    bool ticked = firstTicked;
    for (const Box& box : boxes) {
      written += QByteArray(box.key) + (ticked ? "=True\n" : "=False\n");
      ticked = !ticked;
    }
    file.write(written);
    file.close();
    f.Load();
    Form1& form = f.form();
    ASSERT_EQ(form.documentBoxes.size(), std::size(boxes)) << "no box but these, the replace option has none";
    ticked = firstTicked;
    for (std::size_t i = 0; i < std::size(boxes); ++i) {
      QCheckBox* box = form.DocumentBoxFor(boxes[i].field);
      ASSERT_EQ(box, form.documentBoxes[i].box) << boxes[i].key << " in the table's order";
      EXPECT_EQ(QString(box->text()).remove(u'&'), QString::fromLatin1(boxes[i].caption));
      EXPECT_EQ(box->isChecked(), ticked) << boxes[i].key;
      EXPECT_FALSE(box->toolTip().isEmpty()) << boxes[i].key;
      ticked = !ticked;
    }
    EXPECT_EQ(form.DocumentBoxFor(&ConversionOptions::replace), nullptr);
    EXPECT_TRUE(f.dialogs.shown.empty());

    // Each click stores its own key and leaves the others as they were.
    for (const Box& clicked : boxes) {
      form.DocumentBoxFor(clicked.field)->click();
      for (const Box& box : boxes) {
        const bool now = form.DocumentBoxFor(box.field)->isChecked();
        const QString stored = now ? QStringLiteral("True") : QStringLiteral("False");
        EXPECT_EQ(f.settings.Value(QString::fromLatin1(box.key)), stored)
            << box.key << " after " << clicked.key;
      }
    }
  }

  // Never stored, a key reads as its row's default for the window ("1" for the whole
  // message: header, pictures, attachments; "0" for the rest), is not written back by the
  // reading, and the box shows it.
  FormFixture none;
  none.Load();
  for (const Form1::DocumentOptionBox& box : none.form().documentBoxes) {
    EXPECT_EQ(ReadDocumentOptionSetting(none.settings.store(), *box.row),
              box.row->setting_default ? QStringLiteral("1") : QStringLiteral("0"));
    EXPECT_EQ(box.box->isChecked(), box.row->setting_default);
    const std::string key(box.row->setting_key);
    EXPECT_FALSE(none.settings.Value(QString::fromStdString(key)).has_value()) << key << " not written back";
  }
}

TEST(StartUp, StoredFolderIsRestoredAsItStands) {
  FormFixture f({{QStringLiteral("Text1"), QStringLiteral("/out/unfinished")}});
  f.Load();
  EXPECT_EQ(f.form().Text1->text(), QStringLiteral("/out/unfinished"));
}

TEST(StartUp, EachStoredOptionCase) {
  const OptionCase cases[] = {
      {"False", "True", false, true, false}, {"False", "False", false, false, false},
      {"True", "True", false, true, false},  {"True", "False", true, false, true},
      {"0", "0", false, false, false},       {"-1", "0", true, false, true},
      {"1", "0", true, false, true},         {"tRUE", "FALSE", true, false, true},
  };
  for (const OptionCase& c : cases) {
    FormFixture f({{QStringLiteral("Option1"), QString::fromLatin1(c.option1)},
                   {QStringLiteral("Option2"), QString::fromLatin1(c.option2)}});
    f.Load();
    const std::string label = std::string(c.option1) + "/" + c.option2;
    EXPECT_EQ(f.form().Option1->isChecked(), c.selected1) << label;
    EXPECT_EQ(f.form().Option2->isChecked(), c.selected2) << label;
    EXPECT_EQ(f.form().Frame3->isEnabled(), c.frameEnabled) << label;
    EXPECT_EQ(f.form().RunOptionCheck(QStringLiteral("tree"))->isEnabled(), c.frameEnabled)
        << label << ": sub-folders follow the folder box";
    EXPECT_TRUE(f.dialogs.shown.empty()) << label;
  }
}

TEST(StartUp, AnOptionThatIsNotABooleanShowsLine134AndKeepsTheDesignSelection) {
  FormFixture f({{QStringLiteral("Option1"), QStringLiteral("yes")}});
  f.Load();
  ASSERT_EQ(f.dialogs.ErrorBoxes().size(), 1u);
  EXPECT_EQ(f.dialogs.ErrorBoxes()[0], ApplicationErrorText(QStringLiteral("Type mismatch"), kLocation, 134));
  EXPECT_TRUE(f.form().Option1->isChecked());
  EXPECT_FALSE(f.form().Option2->isChecked());
  EXPECT_TRUE(f.form().Frame3->isEnabled());
}

TEST(StartUp, AnEmptyOption2ShowsLine136AndStartUpGoesOn) {
  FormFixture f({{QStringLiteral("Option1"), QStringLiteral("False")}, {QStringLiteral("Option2"), QString()}});
  f.Load();
  ASSERT_EQ(f.dialogs.ErrorBoxes().size(), 1u);
  EXPECT_TRUE(f.dialogs.ErrorBoxes()[0].contains(QStringLiteral("Form_Load at line 136\r\r")));
  EXPECT_FALSE(f.form().Option1->isChecked());
  EXPECT_FALSE(f.form().Option2->isChecked());
  EXPECT_FALSE(f.form().Frame3->isEnabled());
}

TEST(StartUp, HandPointerFileThatIsNotACursorShowsLine104) {
  FormFixture f;
  QFile file(f.AppPath(QStringLiteral("HAND-M.CUR")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a cursor at all, just text");
  file.close();
  f.Load();
  ASSERT_EQ(f.dialogs.ErrorBoxes().size(), 1u);
  EXPECT_EQ(f.dialogs.ErrorBoxes()[0], ApplicationErrorText(QStringLiteral("Invalid picture"), kLocation, 104));
  EXPECT_FALSE(f.form().HasMouseIcon());
  // Start-up went on to the end.
  EXPECT_EQ(f.form().windowTitle(), QStringLiteral("Lorvane"));
  EXPECT_FALSE(f.form().Text1->text().isEmpty());
}

TEST(StartUp, TheBuiltHandPointerLoadsAndAMissingOneIsNoError) {
  {
    FormFixture f;
    f.Load();
    EXPECT_FALSE(f.form().HasMouseIcon());
    EXPECT_TRUE(f.dialogs.shown.empty());
  }
  const QString built = QStringLiteral(LORVANE_BINARY_DIR "/app/HAND-M.CUR");
  if (!QFile::exists(built)) GTEST_SKIP() << "the hand pointer has not been built at " << built.toStdString();
  FormFixture f;
  ASSERT_TRUE(QFile::copy(built, f.AppPath(QStringLiteral("HAND-M.CUR"))));
  f.Load();
  EXPECT_TRUE(f.form().HasMouseIcon());
  EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(StartUp, ASkinFolderOrFileChangesNothing) {
  FormFixture f;
  ASSERT_TRUE(QDir(f.AppFolder()).mkpath(QStringLiteral("x/o.cjs")));
  f.Load();
  EXPECT_TRUE(f.dialogs.shown.empty());
  EXPECT_EQ(f.form().palette().color(QPalette::Window), QColor(Qt::white));
}

TEST(StartUp, HomePageOpensOnlyWhenTheDrawGivesSeven) {
  for (double draw : {0.0, 0.05, 0.0599, 0.06, 0.0699, 0.07, 0.99}) {
    FormFixture f;
    f.randomDraw = draw;
    f.Load();
    const bool seven = draw >= 0.06 && draw < 0.07;
    EXPECT_EQ(f.desktop.openedUrls.size(), seven ? 1u : 0u) << draw;
    if (seven) {
      EXPECT_EQ(f.desktop.openedUrls[0], QStringLiteral("https://www.kestrane.com/lorvane"));
    }
  }
}

TEST(StartUp, AHomePageThatCannotOpenShowsLine106AndStartUpGoesOn) {
  FormFixture f;
  f.randomDraw = 0.065;
  f.desktop.fail = true;
  f.Load();
  ASSERT_EQ(f.dialogs.ErrorBoxes().size(), 1u);
  EXPECT_TRUE(f.dialogs.ErrorBoxes()[0].contains(QStringLiteral("Form_Load at line 106\r\r")));
  EXPECT_EQ(f.form().windowTitle(), QStringLiteral("Lorvane"));
}

TEST(StartUp, ClosingTheWindowEndsTheProgram) {
  FormFixture f;
  f.Load();
  f.form().show();
  f.form().close();
  EXPECT_EQ(f.endProgramCalls, 1);
}

// "About" and F1 show the name with the version the build gives, under their own caption.
TEST(StartUp, AboutAndF1ShowTheVersion) {
  FormFixture f;
  f.Load();
  f.form().show();
  f.form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form()));
  f.form().AboutButton->click();
  QTest::keyClick(&f.form(), Qt::Key_F1);
  // The shortcut presses the button as a click of the pointer would, a moment later.
  EXPECT_TRUE(QTest::qWaitFor([&f] { return f.dialogs.Messages().size() == 2; }, 2000));
  for (const ShownBox& box : f.dialogs.shown) {
    EXPECT_EQ(box.caption, QStringLiteral("About Lorvane"));
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Lorvane 1.0.0\r\n"))) << qPrintable(box.text);
  }
}
}  // namespace
