// Form1, the main window: owns the controls and the few window variables and routes each
// event to its handler. The handlers keep their event names (the error box names its place
// by them); each is a thin entry point that hands the controls and the platform services it
// needs to a named routine of the list (filelist/) or of the run (run/). Every event
// reaches its handler through one guard, so an unexpected failure is shown, never fatal.
#pragma once

#include <QCursor>
#include <QPointer>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/window_growth.h"
#include "run/window/conversion_run.h"
#include "filelist/list_pointer.h"
#include "platform/pointer_control.h"
#include "run/plan/document_options.h"
#include "run/run_options.h"

class Dialogs;
class Desktop;
class SessionSettings;
class SettingsStore;
class FileSystem;
class FileListView;
class ProgressBar;
class QCheckBox;
class QComboBox;
class QLabel;
class QGroupBox;
class QLineEdit;
class QMimeData;
class QPushButton;
class QRadioButton;

// The platform services the window works through; tests pass scripted doubles.
struct Form1Services {
  Dialogs* dialogs = nullptr;
  SettingsStore* settings = nullptr;
  Desktop* desktop = nullptr;
  FileSystem* fileSystem = nullptr;
  // The folder of the executable, without a trailing separator.
  QString applicationFolder;
  // One draw in [0, 1) for the home-page lottery at start-up.
  std::function<double()> random;
  // Ends the process at once (closing the window ends the program).
  std::function<void()> endProgram;
  // The pointer's position on the screen, in logical pixels.
  std::function<QPoint()> cursorPos;
};

class Form1 : public QWidget, public PointerControl {
  Q_OBJECT
 public:
  explicit Form1(Form1Services services, QWidget* parent = nullptr);
  ~Form1() override;

  const Form1Services& services() const { return services_; }

  // The check box of the document option `field`; null for one the window does not show.
  QCheckBox* DocumentBoxFor(bool ConversionOptions::*field) const;
  // The controls of the run option `flag` ("tree", "format"): its check box, or its list and
  // the list's label; null for what it does not have.
  QCheckBox* RunOptionCheck(const QString& flag) const;
  QComboBox* RunOptionList(const QString& flag) const;
  QLabel* RunOptionLabel(const QString& flag) const;

  // The window-wide pointer.
  WindowPointer MousePointer() const override { return mousePointer_; }
  void SetMousePointer(WindowPointer pointer) override;
  // The custom pointer image that WindowPointer::Hand shows; without one it shows the arrow.
  void SetMouseIcon(const QCursor& cursor);
  bool HasMouseIcon() const { return mouseIcon_.has_value(); }

  // Controls, named as on the form; those the form did not have, by what they are.
  FileListView* ListView1 = nullptr;
  ProgressBar* ProgressBar1 = nullptr;
  QPushButton* PushButton1 = nullptr;  // "Add MSG File(s)"
  QPushButton* PushButton4 = nullptr;  // "Add All MSG File(s) In Folder"
  QPushButton* PushButton2 = nullptr;  // "Start Converting"
  QPushButton* PushButton6 = nullptr;  // "Clear List"
  QPushButton* PushButton7 = nullptr;  // "Load Sample/Example Files"
  QGroupBox* Frame5 = nullptr;         // "Save Option"
  QRadioButton* Option1 = nullptr;     // "Save results to this folder:"
  QRadioButton* Option2 = nullptr;     // "Save results in folder of original file"
  QGroupBox* DocumentsFrame = nullptr; // "Documents": what they hold and what they are saved as
  // The document options' check boxes in "Documents" ("Add sender, date and subject", "Show
  // pictures", ...): one per row the user chooses in the converter's option table, in its
  // order, each named after the option's word ("header").
  struct DocumentOptionBox {
    const ConversionOptionRow* row;
    QCheckBox* box;
  };
  std::vector<DocumentOptionBox> documentBoxes;
  // The run options' controls, one per row of the run's option table, in its order, named
  // after the row's control name: a check box ("Keep sub-folders", beside "Save results to
  // this folder:"), or a label and a list under the document options ("Name documents by:",
  // "Save as:").
  struct RunOptionControl {
    const RunOptionRow* row;
    QCheckBox* check = nullptr;
    QLabel* label = nullptr;
    QComboBox* list = nullptr;
  };
  std::vector<RunOptionControl> runOptionControls;
  QGroupBox* Frame3 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* PushButton9 = nullptr;  // "..."
  QPushButton* AboutButton = nullptr;  // "About", under the bar

  // Window variables.
  bool Converting = false;             // a conversion run is under way
  RunControl runControl;               // the run's stop, the button's caption, its time limit
  RowDrag rowDrag;                     // the row being dragged to a new place, if any

  // Start-up and end (app/form_load.cpp, app/form_unload.cpp).
  void Form_Load();
  // Asked as the window is closed: during a run, whether to stop it and close; cancel keeps
  // the window open.
  void Form_QueryUnload(bool& cancel);
  void Form_Unload();
  void ApplySkin();
  void OpenHomePageAtRandom();
  void SetApplicationTitle();

  // Pointer handlers (app/pointer_handlers.cpp).
  void Form_MouseMove();
  void Frame3_MouseMove();
  void Frame5_MouseMove();
  void Text1_MouseMove();
  void PushButton1_MouseMove();
  void PushButton2_MouseMove();
  void PushButton4_MouseMove();
  void PushButton6_MouseMove();
  void PushButton7_MouseMove();
  void PushButton9_MouseMove();

  // Queues files and folders named on the command line, the way a drop queues them.
  void QueuePaths(const QStringList& paths);

  // The list's and the run's entry points (app/form_handlers.cpp).
  // Editing the list.
  void ListView1_DblClick();
  void ListView1_KeyDown(int keyCode, int shift);
  void PushButton6_Click();

  // Filling the list.
  void PushButton1_Click();
  void PushButton4_Click();
  void ListView1_OLEDragOver(const QMimeData* dropped, int& effect);
  void ListView1_OLEDragDrop(const QMimeData* dropped);
  void PushButton7_Click();

  // Reordering rows with the mouse. pos is in the list's viewport coordinates.
  void ListView1_ItemClick(int position);
  void ListView1_MouseDown();
  void ListView1_MouseMove(const QPoint& pos);
  void ListView1_MouseUp();

  // The conversion run and the output options.
  void PushButton2_Click();
  void Option1_Click();
  void Option2_Click();
  // A document option's check box was clicked: its state is stored under its setting.
  void DocumentBox_Click(const DocumentOptionBox& clicked);
  // A run option's control was changed: what it shows is stored under its setting.
  void RunOption_Click(const RunOptionControl& changed);
  void Text1_Change();
  void PushButton9_Click();
  // "About" (and F1): the program's name, version and maker.
  void AboutButton_Click();
  // One line on each control saying what it does (the time limit as the settings have it).
  void SetToolTips();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  // What the check boxes ask every document to hold.
  ConversionOptions ChosenDocumentOptions() const;
  // The run options' controls: built under the document options (`listsTop` is the first
  // list's top, in twips), shown from the settings, and read for the run.
  // `boxPlaces` are the places left for check boxes after the document options' (twips).
  void BuildRunOptionControls(QSet<QChar>& letters, int listsTop, const std::vector<QRect>& boxPlaces);
  void ShowRunOptions(SettingsStore& settings);
  RunOptions ChosenRunOptions() const;
  const RunOptionControl* RunOptionControlFor(const QString& flag) const;
  // The run options shown beside "Save results to this folder:" can be changed only while
  // it is chosen.
  void FollowOutputOption();
  void ConnectEvents();

  void ApplyWindowPointer();
  // Runs a handler under the guard that turns an unexpected failure into a message.
  void Guarded(const std::function<void()>& handler);

  Form1Services services_;
  // The settings store the handlers use: the given one, with values that cannot be saved
  // kept for the session and reported once.
  std::unique_ptr<SessionSettings> sessionSettings_;
  WindowPointer mousePointer_ = WindowPointer::Default;
  std::optional<QCursor> mouseIcon_;
  // Each control's own pointer, kept while the window-wide pointer covers it.
  std::vector<std::pair<QPointer<QWidget>, std::optional<QCursor>>> savedPointers_;
  // The controls that follow the window as it grows, each with its designed place.
  struct GrowingControl {
    QWidget* control;
    QRect designed;
    Growth growth;
  };
  std::vector<GrowingControl> growing_;
};
