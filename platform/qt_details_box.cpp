// QtDialogs::ShowMessageWithDetails: a box of its own rather than a message box's detailed
// text, whose area could run below the box's edge. The text with its icon, the buttons,
// and under them, on request, the details: as tall as they are up to a limit, scrolling
// beyond it, and always opened at their end so the last line is in sight. The box takes
// the size its contents ask for, so nothing is cut off.
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

QPlainTextEdit* DetailsArea(const QString& details, QWidget* parent) {
  auto* area = new QPlainTextEdit(details, parent);
  area->setObjectName(QStringLiteral("details"));
  area->setReadOnly(true);
  area->setLineWrapMode(QPlainTextEdit::NoWrap);
  const QFontMetrics metrics(area->font());
  const int lines = std::clamp(static_cast<int>(details.count(u'\n')) + 1, 3, kMostLines);
  const int frame = 2 * area->frameWidth() + static_cast<int>(2 * area->document()->documentMargin());
  int height = lines * metrics.lineSpacing() + frame + area->horizontalScrollBar()->sizeHint().height();
  // Never taller than half the screen, whatever the font.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) height = std::min(height, screen->availableGeometry().height() / 2);
  area->setFixedSize(kColumns * metrics.averageCharWidth() + frame, height);
  area->hide();
  return area;
}

}  // namespace

bool QtDialogs::ShowMessageWithDetails(const QString& text, const QString& details, Icon icon,
                                       const QString& extraButton) {
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
      area->horizontalScrollBar()->setValue(0);
    });
    layout->addWidget(area);
  }
  return box.exec() == 2 && extra != nullptr;
}
