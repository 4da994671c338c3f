// Draws the program's icon at the sizes the desktop asks for.
#include "app/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);

  // The page, folded at its top-right corner.
  QPainterPath page;
  page.moveTo(9, 2);
  page.lineTo(24, 2);
  page.lineTo(29, 7);
  page.lineTo(29, 30);
  page.lineTo(9, 30);
  page.closeSubpath();
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(Qt::white);
  p.drawPath(page);
  p.setBrush(QColor(43, 87, 154));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(12, 19, 14, 8));
  p.setPen(QPen(QColor(150, 150, 150), 1));
  for (int y = 7; y <= 15; y += 4) p.drawLine(QPointF(12, y), QPointF(25, y));

  // The envelope in front.
  const QRectF envelope(2, 10, 18, 12);
  p.setPen(QPen(QColor(90, 70, 20), 1.2));
  p.setBrush(QColor(250, 214, 110));
  p.drawRect(envelope);
  p.drawLine(envelope.topLeft(), QPointF(11, 17));
  p.drawLine(QPointF(11, 17), envelope.topRight());
  return pixmap;
}
}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(DrawIcon(size));
  return icon;
}
