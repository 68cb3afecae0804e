#include "app/disc_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tamarack::app {

namespace {

QPixmap DrawDisc(DiscState state, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF outer(1, 1, size - 2, size - 2);
  const QPointF centre = outer.center();
  const qreal hole = size * 0.12;
  if (state == DiscState::kNoDisc) {
    // An empty tray: a dashed outline where the disc would be.
    QPen pen(QColor(120, 120, 120), qMax(1.0, size / 16.0), Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(outer.adjusted(1, 1, -1, -1));
    return pixmap;
  }
  const bool data = state == DiscState::kDataDisc;
  QRadialGradient g(centre, outer.width() / 2);
  g.setColorAt(0.0, QColor(250, 250, 250));
  g.setColorAt(0.6, data ? QColor(150, 190, 240) : QColor(240, 200, 120));
  g.setColorAt(1.0, data ? QColor(40, 90, 170) : QColor(190, 110, 20));
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(g);
  QPainterPath ring;
  ring.addEllipse(outer);
  ring.addEllipse(centre, hole, hole);
  p.drawPath(ring);
  // A mark telling the kind: "D" for data, a note for audio.
  QFont f;
  f.setBold(true);
  f.setPixelSize(qMax(6, size / 2));
  p.setFont(f);
  p.setPen(data ? QColor(10, 40, 100) : QColor(100, 50, 0));
  p.drawText(outer, Qt::AlignCenter, data ? QStringLiteral("D") : QString(QChar(0x266A)));
  return pixmap;
}

}  // namespace

QIcon DiscIcon(DiscState state) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) icon.addPixmap(DrawDisc(state, size));
  return icon;
}

}  // namespace tamarack::app
