// Form1's construction: every control at its fixed place and size (in twips), with its
// caption, font and object name, and the wiring that routes every event to its handler.
#include "app/form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSet>
#include <QShortcut>

#include "app/accelerators.h"
#include "app/program_icon.h"
#include "run/plan/document_format.h"
#include "run/plan/name_pass.h"
#include "run/plan/time_limit.h"
#include "platform/app_error.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/settings.h"
#include "app/progress_bar.h"
#include "filelist/file_list.h"
#include "platform/session_settings.h"
#include "platform/twips.h"
#include "platform/untrapped.h"

namespace {
constexpr int kClientWidthTwips = 8040;
// "Save Option" and everything above it stand as designed; the frame of what the documents
// hold follows it, then "Start Converting", the bar and "About".
constexpr int kDocumentsFrameTop = 5640;
constexpr int kBoxRowTwips = 300;
constexpr int kComboRowTwips = 420;

const QString kListToolTip = QStringLiteral(
    "Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
    "window to reveal full names.");

// Places a control at its table position (left, top, width, height in twips).
template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                       TwipsToPixels(height));
  return control;
}

// Where a document option's box stands in its frame (twips).
struct BoxPlace {
  int left;
  int top;
  int width;
};

// The document options' boxes, then the run's on/off options shown among them, fill the
// frame's two columns row by row from its top, in the tables' order. A caption longer than a
// column holds (30 characters of the bold caption font) takes a whole row. `nextRowTop` is
// the top of the row after the boxes.
std::vector<BoxPlace> DocumentBoxPlaces(const std::vector<QString>& captions, int& nextRowTop) {
  constexpr int kLeftColumn = 240, kRightColumn = 3960, kColumnWidth = 3615, kRowWidth = 7320;
  constexpr std::size_t kColumnCharacters = 30;
  std::vector<BoxPlace> places;
  int top = 300;
  bool rightColumn = false;
  for (const QString& caption : captions) {
    const bool wholeRow = static_cast<std::size_t>(caption.size()) > kColumnCharacters;
    if (wholeRow && rightColumn) {
      top += kBoxRowTwips;
      rightColumn = false;
    }
    if (wholeRow) {
      places.push_back({kLeftColumn, top, kRowWidth});
    } else {
      places.push_back({rightColumn ? kRightColumn : kLeftColumn, top, kColumnWidth});
    }
    if (wholeRow || rightColumn) top += kBoxRowTwips;
    rightColumn = !wholeRow && !rightColumn;
  }
  nextRowTop = rightColumn ? top + kBoxRowTwips : top;
  return places;
}

// A run option's caption as it reads, without its letter's mark.
QString PlainCaption(const RunOptionRow& row) {
  QString caption = row.caption;
  return caption.remove(u'&');
}

// The captions of the boxes in "Documents": the document options', then the run's on/off
// options shown there.
std::vector<QString> DocumentBoxCaptions(const std::vector<const ConversionOptionRow*>& documentOptions) {
  std::vector<QString> captions;
  for (const ConversionOptionRow* row : documentOptions) captions.push_back(DocumentOptionCaption(*row));
  for (const RunOptionRow& row : RunOptionTable()) {
    if (IsOnOff(row) && row.place == RunOptionPlace::kDocuments) captions.push_back(PlainCaption(row));
  }
  return captions;
}

int RunOptionListCount() {
  int lists = 0;
  for (const RunOptionRow& row : RunOptionTable()) lists += IsOnOff(row) ? 0 : 1;
  return lists;
}

// A list is as wide as its longest value needs: 100 twips a character and 600 for the
// arrow, in steps of 1200.
int ListWidthTwips(const RunOptionRow& row) {
  qsizetype longest = 0;
  for (const RunOptionValue& value : row.values) longest = std::max(longest, value.caption.size());
  const int needed = static_cast<int>(longest) * 100 + 600;
  return (needed + 1199) / 1200 * 1200;
}

QFont ArialBold(double points) {
  QFont font;
  // The layout is measured for Arial. Where the system has no Arial, a font made to its
  // metrics takes its place (the package brings Liberation Sans), so every caption still
  // fits the room it was given.
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(true);
  return font;
}
}  // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)) {
  if (services_.settings != nullptr && services_.dialogs != nullptr) {
    sessionSettings_ = std::make_unique<SessionSettings>(*services_.settings, *services_.dialogs);
    services_.settings = sessionSettings_.get();
  }
  BuildControls();
  ConnectEvents();
  runControl.runningChanged = [this](bool running) {
    PushButton2->setText(running ? QStringLiteral("&Stop Converting") : QStringLiteral("&Start Converting"));
    PushButton2->setEnabled(true);
  };
  runControl.stopping = [this] {
    PushButton2->setText(QStringLiteral("Stopping..."));
    PushButton2->setEnabled(false);
  };
  runControl.timeLimitSeconds = [this] {
    QString text;
    if (services_.settings != nullptr) {
      // A store that cannot be read gives the default rather than stopping the run.
      try {
        text = ReadSetting(*services_.settings, Setting::TimeLimit);
      } catch (const AppError&) {
      }
    }
    return ParseTimeLimit(text).value_or(time_limit::kDefaultSeconds);
  };
  runControl.openFolder = [this](const QString& folder) {
    if (services_.desktop == nullptr) return;
    try {
      services_.desktop->OpenFolder(folder);
    } catch (const AppError& error) {
      services_.dialogs->ShowMessage(error.description(), {}, Dialogs::Icon::Exclamation);
    }
  };
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Form1"));
  setWindowIcon(ProgramIcon());
  // The frame of what the documents hold is as tall as its rows; the controls below it
  // stand under it. The designed size is the smallest; the window grows from it.
  const std::vector<const ConversionOptionRow*> documentOptions = ChosenDocumentOptionRows();
  int listsTop = 0;
  const std::vector<BoxPlace> boxPlaces = DocumentBoxPlaces(DocumentBoxCaptions(documentOptions), listsTop);
  listsTop += 60;
  const int documentsHeight = listsTop + std::max(RunOptionListCount() - 1, 0) * kComboRowTwips + 345 + 165;
  const int startTop = kDocumentsFrameTop + documentsHeight + 120;
  const int barTop = startTop + 520;
  const int aboutTop = barTop + 405 + 90;
  setMinimumSize(TwipsToPixels(kClientWidthTwips), TwipsToPixels(aboutTop + 345 + 120));
  resize(minimumSize());
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);
  setFont(ArialBold(9));

  ListView1 = Place(new FileListView(this), "ListView1", 120, 120, 7800, 2535);
  ListView1->setToolTip(kListToolTip);
  ProgressBar1 = Place(new ProgressBar(this), "ProgressBar1", 120, barTop, 7800, 405);
  ProgressBar1->SetStatusText(QStringLiteral("Progress Bar"));

  // Every caption carries its keyboard letter: those of the fixed controls are chosen here,
  // the document options' boxes take the first free one.
  QSet<QChar> letters;
  const QFont buttonFont = ArialBold(11.25);
  auto button = [&](const char* name, const char* caption, int left, int top, int width,
                    int height, QWidget* parent) {
    auto* b = Place(new QPushButton(WithAccelerator(QString::fromLatin1(caption), letters), parent), name, left,
                    top, width, height);
    b->setFont(buttonFont);
    b->setAutoDefault(false);
    return b;
  };
  PushButton1 = button("PushButton1", "&Add MSG File(s)", 120, 2750, 3840, 405, this);
  PushButton4 = button("PushButton4", "Add All MSG File(s) In &Folder", 4080, 2750, 3840, 405, this);
  PushButton2 = button("PushButton2", "&Start Converting", 120, startTop, 7800, 405, this);
  PushButton6 = button("PushButton6", "&Clear List", 120, 3260, 3840, 405, this);
  PushButton7 = button("PushButton7", "&Load Sample/Example Files", 4080, 3260, 3840, 405, this);

  Frame5 = Place(new QGroupBox(QStringLiteral("Save Option"), this), "Frame5", 120, 3730, 7800, 1815);
  Option1 = Place(new QRadioButton(WithAccelerator(QStringLiteral("Save &results to this folder:"), letters), Frame5),
                  "Option1", 240, 300, 3615, 255);
  Option2 = Place(
      new QRadioButton(WithAccelerator(QStringLiteral("Save results in folder of &original file"), letters), Frame5),
      "Option2", 240, 1410, 3615, 255);
  Option1->setChecked(true);
  Frame3 = Place(new QGroupBox(Frame5), "Frame3", 480, 510, 6840, 810);
  Text1 = Place(new QLineEdit(Frame3), "Text1", 240, 300, 5670, 345);
  // "..." has no letter of its own: Alt+. presses it.
  PushButton9 = button("PushButton9", "&...", 6000, 300, 600, 345, Frame3);

  // What the documents hold and what they are saved as, in a frame of their own.
  DocumentsFrame = Place(new QGroupBox(QStringLiteral("Documents"), this), "DocumentsFrame", 120,
                         kDocumentsFrameTop, 7800, documentsHeight);
  std::vector<QRect> runBoxPlaces;  // the places after the document options' boxes
  for (std::size_t i = documentOptions.size(); i < boxPlaces.size(); ++i)
    runBoxPlaces.push_back(QRect(boxPlaces[i].left, boxPlaces[i].top, boxPlaces[i].width, 255));
  BuildRunOptionControls(letters, listsTop, runBoxPlaces);
  AboutButton = button("AboutButton", "A&bout", 6720, aboutTop, 1200, 345, this);
  AboutButton->setShortcut(QKeySequence(Qt::Key_F1));
  for (std::size_t i = 0; i < documentOptions.size(); ++i) {
    const ConversionOptionRow& row = *documentOptions[i];
    auto* box = new QCheckBox(WithAccelerator(DocumentOptionCaption(row), letters), DocumentsFrame);
    const std::string name(row.word);
    Place(box, name.c_str(), boxPlaces[i].left, boxPlaces[i].top, boxPlaces[i].width, 255);
    documentBoxes.push_back({&row, box});
  }

  growing_ = {{ListView1, ListView1->geometry(), Growth::kList},
              {PushButton1, PushButton1->geometry(), Growth::kLeftHalf},
              {PushButton6, PushButton6->geometry(), Growth::kLeftHalf},
              {PushButton4, PushButton4->geometry(), Growth::kRightHalf},
              {PushButton7, PushButton7->geometry(), Growth::kRightHalf},
              {Frame5, Frame5->geometry(), Growth::kFullWidth},
              {Frame3, Frame3->geometry(), Growth::kWiden},
              {Text1, Text1->geometry(), Growth::kWiden},
              {PushButton9, PushButton9->geometry(), Growth::kRight},
              {DocumentsFrame, DocumentsFrame->geometry(), Growth::kFullWidth},
              {PushButton2, PushButton2->geometry(), Growth::kFullWidth},
              {ProgressBar1, ProgressBar1->geometry(), Growth::kFullWidth},
              {AboutButton, AboutButton->geometry(), Growth::kCorner}};

  // Tab goes through the window in reading order: the list, the buttons under it row by
  // row, "Save Option" line by line, what the documents hold, then "Start Converting" and
  // "About".
  auto runControls = [this](bool besideOutputFolder, bool lists) {
    std::vector<QWidget*> controls;
    for (const RunOptionControl& control : runOptionControls) {
      if ((control.row->place == RunOptionPlace::kBesideOutputFolder) != besideOutputFolder) continue;
      if (control.check != nullptr && !lists) controls.push_back(control.check);
      if (control.list != nullptr && lists) controls.push_back(control.list);
    }
    return controls;
  };
  std::vector<QWidget*> order{ListView1, PushButton1, PushButton4, PushButton6, PushButton7, Option1};
  for (QWidget* w : runControls(true, false)) order.push_back(w);
  for (QWidget* w : {static_cast<QWidget*>(Text1), static_cast<QWidget*>(PushButton9), static_cast<QWidget*>(Option2)})
    order.push_back(w);
  for (const DocumentOptionBox& box : documentBoxes) order.push_back(box.box);
  for (QWidget* w : runControls(false, false)) order.push_back(w);
  for (QWidget* w : runControls(false, true)) order.push_back(w);
  for (QWidget* w : {static_cast<QWidget*>(PushButton2), static_cast<QWidget*>(AboutButton)}) order.push_back(w);
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

  // Ctrl+O adds files as "Add MSG File(s)" does; Ctrl+Q closes the window as its close
  // button does (asking first during a run).
  auto* addFiles = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
  connect(addFiles, &QShortcut::activated, PushButton1, &QPushButton::click);
  auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
  connect(quit, &QShortcut::activated, this, &QWidget::close);
}

void Form1::BuildRunOptionControls(QSet<QChar>& letters, int listsTop, const std::vector<QRect>& boxPlaces) {
  std::size_t box = 0;
  int listTop = listsTop;
  for (const RunOptionRow& row : RunOptionTable()) {
    RunOptionControl control{&row};
    const QString name = row.controlName;
    if (IsOnOff(row) && row.place == RunOptionPlace::kBesideOutputFolder) {
      // Where the documents go below the output folder: beside the option it belongs to.
      control.check = Place(new QCheckBox(WithAccelerator(row.caption, letters), Frame5),
                            qPrintable(name + QStringLiteral("Check")), 3960, 300, 3615, 255);
    } else if (IsOnOff(row)) {
      const QRect place = box < boxPlaces.size() ? boxPlaces[box++] : QRect(240, listTop, 7320, 255);
      control.check = Place(new QCheckBox(WithAccelerator(row.caption, letters), DocumentsFrame),
                            qPrintable(name + QStringLiteral("Check")), place.x(), place.y(), place.width(), 255);
    } else {
      control.label = Place(new QLabel(WithAccelerator(row.caption, letters), DocumentsFrame),
                            qPrintable(name + QStringLiteral("Label")), 240, listTop + 60, 1830, 255);
      control.list = Place(new QComboBox(DocumentsFrame), qPrintable(name + QStringLiteral("Combo")), 2160, listTop,
                           ListWidthTwips(row), 345);
      for (const RunOptionValue& value : row.values) control.list->addItem(value.caption, value.word);
      control.label->setBuddy(control.list);
      listTop += kComboRowTwips;
    }
    runOptionControls.push_back(control);
  }
}

void Form1::Guarded(const std::function<void()>& handler) { RunUntrapped(*services_.dialogs, handler); }

void Form1::ConnectEvents() {
  auto route = [this](void (Form1::*handler)()) {
    return [this, handler] { Guarded([this, handler] { (this->*handler)(); }); };
  };
  connect(PushButton1, &QPushButton::clicked, this, route(&Form1::PushButton1_Click));
  connect(PushButton4, &QPushButton::clicked, this, route(&Form1::PushButton4_Click));
  connect(PushButton2, &QPushButton::clicked, this, route(&Form1::PushButton2_Click));
  connect(PushButton6, &QPushButton::clicked, this, route(&Form1::PushButton6_Click));
  connect(PushButton7, &QPushButton::clicked, this, route(&Form1::PushButton7_Click));
  connect(PushButton9, &QPushButton::clicked, this, route(&Form1::PushButton9_Click));
  connect(AboutButton, &QPushButton::clicked, this, route(&Form1::AboutButton_Click));
  connect(Option1, &QRadioButton::clicked, this, route(&Form1::Option1_Click));
  connect(Option2, &QRadioButton::clicked, this, route(&Form1::Option2_Click));
  for (const DocumentOptionBox& box : documentBoxes) {
    connect(box.box, &QCheckBox::clicked, this, [this, box] { Guarded([&] { DocumentBox_Click(box); }); });
  }
  for (const RunOptionControl& control : runOptionControls) {
    auto changed = [this, control] { Guarded([&] { RunOption_Click(control); }); };
    if (control.check != nullptr) connect(control.check, &QCheckBox::clicked, this, changed);
    if (control.list != nullptr) connect(control.list, &QComboBox::activated, this, changed);
  }
  connect(Text1, &QLineEdit::textChanged, this, route(&Form1::Text1_Change));

  // What the user does to the list.
  connect(ListView1, &FileListView::DoubleClick, this, route(&Form1::ListView1_DblClick));
  connect(ListView1, &FileListView::KeyDown, this, [this](int keyCode, int shift) {
    Guarded([&] { ListView1_KeyDown(keyCode, shift); });
  });
  connect(ListView1, &FileListView::MouseDown, this, route(&Form1::ListView1_MouseDown));
  connect(ListView1, &FileListView::ItemClick, this,
          [this](int position) { Guarded([&] { ListView1_ItemClick(position); }); });
  connect(ListView1, &FileListView::MouseUp, this, route(&Form1::ListView1_MouseUp));
  connect(ListView1, &FileListView::MouseMove, this,
          [this](const QPoint& pos) { Guarded([&] { ListView1_MouseMove(pos); }); });
  connect(ListView1, &FileListView::DragOver, this, [this](const QMimeData* dropped, int* effect) {
    Guarded([&] { ListView1_OLEDragOver(dropped, *effect); });
  });
  connect(ListView1, &FileListView::DragDrop, this,
          [this](const QMimeData* dropped) { Guarded([&] { ListView1_OLEDragDrop(dropped); }); });

  // Pointer moves over the window and the controls that have a move handler.
  for (QWidget* w : std::initializer_list<QWidget*>{this, Frame3, Frame5, DocumentsFrame, Text1, PushButton1,
                                                    PushButton2, PushButton4, PushButton6,
                                                    PushButton7, PushButton9}) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseMove) return QWidget::eventFilter(watched, event);
  // A move that no control takes travels up to its parent. Over the window and the two
  // frames only moves on their own background count, not those passed up from a control.
  if (watched == this || watched == Frame3 || watched == Frame5 || watched == DocumentsFrame) {
    auto* container = static_cast<QWidget*>(watched);
    const auto* move = static_cast<QMouseEvent*>(event);
    if (container->childAt(move->position().toPoint()) != nullptr)
      return QWidget::eventFilter(watched, event);
  }
  void (Form1::*handler)() = nullptr;
  if (watched == this || watched == DocumentsFrame) {  // the frame's background is the window's
    handler = &Form1::Form_MouseMove;
  } else if (watched == Frame3) {
    handler = &Form1::Frame3_MouseMove;
  } else if (watched == Frame5) {
    handler = &Form1::Frame5_MouseMove;
  } else if (watched == Text1) {
    handler = &Form1::Text1_MouseMove;
  } else if (watched == PushButton1) {
    handler = &Form1::PushButton1_MouseMove;
  } else if (watched == PushButton2) {
    handler = &Form1::PushButton2_MouseMove;
  } else if (watched == PushButton4) {
    handler = &Form1::PushButton4_MouseMove;
  } else if (watched == PushButton6) {
    handler = &Form1::PushButton6_MouseMove;
  } else if (watched == PushButton7) {
    handler = &Form1::PushButton7_MouseMove;
  } else if (watched == PushButton9) {
    handler = &Form1::PushButton9_MouseMove;
  }
  if (handler) Guarded([this, handler] { (this->*handler)(); });
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  bool cancel = false;
  Guarded([&] { Form_QueryUnload(cancel); });
  if (cancel) {
    event->ignore();
    return;
  }
  event->accept();
  Form_Unload();
}

void Form1::resizeEvent(QResizeEvent* event) {
  const QSize gained = size() - minimumSize();
  for (const GrowingControl& grown : growing_)
    grown.control->setGeometry(GrownGeometry(grown.designed, grown.growth, gained.expandedTo(QSize(0, 0))));
  QWidget::resizeEvent(event);
}
