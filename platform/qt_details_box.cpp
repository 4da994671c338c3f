// QtDialogs::ShowMessageWithDetails: a box of its own rather than a message box's detailed
// text, whose area could run below the box's edge. The text with its icon, the buttons,
// and under them, on request, the details: lines wrapped at the area's edge (a long path
// anywhere it must), as tall as they are up to a limit, scrolling beyond it, and always
// opened at their end so the last line is in sight. The box takes the size its contents
// ask for, so nothing is cut off. "Save List..." does its work with the box still open.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt_dialogs.h"
#include "platform/window_titles.h"

namespace {

// The most lines the details show before they scroll, and their width in characters.
constexpr int kMostLines = 16;
constexpr int kColumns = 90;

QString WithLineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// The lines the text takes at the width once wrapped as the details area wraps it.
int WrappedLines(const QString& text, const QFont& font, qreal width) {
  QTextOption wrapping;
  wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  int lines = 0;
  for (const QString& paragraph : text.split(u'\n')) {
    QTextLayout layout(paragraph, font);
    layout.setTextOption(wrapping);
    layout.beginLayout();
    int taken = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      ++taken;
    }
    layout.endLayout();
    lines += std::max(taken, 1);
  }
  return lines;
}

QPlainTextEdit* DetailsArea(const QString& details, QWidget* parent) {
  auto* area = new QPlainTextEdit(details, parent);
  area->setObjectName(QStringLiteral("details"));
  area->setReadOnly(true);
  area->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  area->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const QFontMetrics metrics(area->font());
  const int frame = 2 * area->frameWidth() + static_cast<int>(2 * area->document()->documentMargin());
  const int width = kColumns * metrics.averageCharWidth() + frame;
  // Room for the scroll bar is kept out of the text's width whether it shows or not, so
  // the count is never short of the lines shown.
  const int textWidth = width - frame - area->verticalScrollBar()->sizeHint().width();
  const int lines = std::clamp(WrappedLines(details, area->font(), textWidth), 3, kMostLines);
  // One pixel more than the lines take: the area scrolls unless they fit with room to spare.
  int height = lines * metrics.lineSpacing() + frame + 1;
  // Never taller than half the screen, whatever the font.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) height = std::min(height, screen->availableGeometry().height() / 2);
  area->setFixedSize(width, height);
  area->hide();
  return area;
}

}  // namespace

bool QtDialogs::ShowMessageWithDetails(const QString& text, const QString& details, Icon icon,
                                       const QString& extraButton, const std::function<void()>& saveList) {
  QDialog box(owner_);
  box.setWindowTitle(ApplicationTitleText());
  auto* layout = new QVBoxLayout(&box);
  // The box follows the size its contents ask for, also when the details open.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  auto* top = new QHBoxLayout;
  if (icon != Icon::None) {
    auto* picture = new QLabel(&box);
    const QStyle::StandardPixmap kind =
        icon == Icon::Exclamation ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxQuestion;
    const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    picture->setPixmap(box.style()->standardIcon(kind, nullptr, &box).pixmap(side, side));
    picture->setObjectName(QStringLiteral("icon"));
    top->addWidget(picture, 0, Qt::AlignTop);
  }
  auto* label = new QLabel(WithLineBreaks(text), &box);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  top->addWidget(label, 1);
  layout->addLayout(top);

  auto* buttons = new QDialogButtonBox(&box);
  QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
  QPushButton* extra = nullptr;
  if (!extraButton.isEmpty()) {
    extra = buttons->addButton(extraButton, QDialogButtonBox::ActionRole);
    QObject::connect(extra, &QPushButton::clicked, &box, [&box] { box.done(2); });
  }
  if (saveList) {
    QPushButton* save = buttons->addButton(QStringLiteral("Save &List..."), QDialogButtonBox::ActionRole);
    save->setAutoDefault(false);
    QObject::connect(save, &QPushButton::clicked, &box, [&saveList] { saveList(); });
  }
  layout->addWidget(buttons);

  if (!details.isEmpty()) {
    QPlainTextEdit* area = DetailsArea(WithLineBreaks(details), &box);
    QPushButton* toggle = buttons->addButton(QStringLiteral("Show &Details..."), QDialogButtonBox::ActionRole);
    toggle->setAutoDefault(false);
    QObject::connect(toggle, &QPushButton::clicked, &box, [area, toggle] {
      const bool show = area->isHidden();
      area->setVisible(show);
      toggle->setText(show ? QStringLiteral("Hide &Details...") : QStringLiteral("Show &Details..."));
      // The end of the details in sight: the last failure is the one most worth reading.
      area->moveCursor(QTextCursor::End);
      area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    });
    layout->addWidget(area);
  }
  return box.exec() == 2 && extra != nullptr;
}
