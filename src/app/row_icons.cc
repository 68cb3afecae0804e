#include "app/row_icons.h"

#include <QPainter>
#include <QPixmap>

#include "decode/configuration.h"
#include "decode/text_conventions.h"

namespace tamarack::app {

namespace {

// A 16-pixel square with a coloured frame and a letter or mark in it.
QIcon Drawn(const QColor& colour, const QString& mark) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(colour, 1.5));
  p.setBrush(colour.lighter(185));
  p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
  QFont font = p.font();
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  p.setPen(colour.darker(130));
  p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, mark);
  return QIcon(pixmap);
}

}  // namespace

QIcon RowIcon(int icon) {
  switch (icon) {
    case kIconFlag:
      return Drawn(QColor(60, 120, 200), QStringLiteral("f"));
    case kIconNumber:
      return Drawn(QColor(90, 150, 90), QStringLiteral("#"));
    case kIconText:
      return Drawn(QColor(150, 110, 60), QStringLiteral("T"));
    case kIconHeading:
      return Drawn(QColor(120, 80, 160), QStringLiteral("\u25B8"));
    case kIconPresent:
      return Drawn(QColor(40, 150, 60), QStringLiteral("\u2713"));
    case kIconAbsent:
      return Drawn(QColor(190, 60, 60), QStringLiteral("\u2717"));
    default:
      return QIcon();
  }
}

}  // namespace tamarack::app
