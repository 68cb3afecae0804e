#include "app/flow_layout.h"

#include <QWidget>
#include <algorithm>

namespace tamarack::app {

FlowLayout::FlowLayout(QWidget* parent) : QLayout(parent) { setContentsMargins(0, 0, 0, 0); }

FlowLayout::~FlowLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

void FlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

QLayoutItem* FlowLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_.at(index) : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int FlowLayout::heightForWidth(int width) const { return Arrange(QRect(0, 0, width, 0), false); }

QSize FlowLayout::minimumSize() const {
  QSize size;
  for (const QLayoutItem* item : items_) {
    if (!item->isEmpty()) size = size.expandedTo(item->minimumSize());
  }
  const QMargins m = contentsMargins();
  size += QSize(m.left() + m.right(), m.top() + m.bottom());
  // The lines as wrapped at the width last given: layouts that do not ask heightForWidth (a
  // box inside a widget inside a scroll area) still make room for all of them.
  if (width_ > 0) size.setHeight(std::max(size.height(), heightForWidth(width_)));
  return size;
}

QSize FlowLayout::sizeHint() const {
  // One line when there is room for it.
  int width = 0, height = 0;
  for (const QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    if (width > 0) width += spacing();
    width += item->sizeHint().width();
    height = std::max(height, item->sizeHint().height());
  }
  const QMargins m = contentsMargins();
  return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const int before = width_ > 0 ? heightForWidth(width_) : -1;
  width_ = rect.width();
  Arrange(rect, true);
  // Another number of lines: the layouts above take the new minimum on their next pass (at
  // the same width nothing changes, so this settles).
  if (heightForWidth(width_) == before) return;
  // Every layout above caches its minimum: each one measures again.
  for (QObject* o = this; auto* layout = qobject_cast<QLayout*>(o); o = o->parent()) {
    layout->invalidate();
  }
}

int FlowLayout::Arrange(const QRect& rect, bool apply) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  const int gap = std::max(0, spacing());
  int x = area.x(), y = area.y(), line_height = 0;
  for (QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    // An item wider than the line gets the line, never less than its minimum.
    QSize size = item->sizeHint();
    size.setWidth(std::max(item->minimumSize().width(), std::min(size.width(), area.width())));
    if (x > area.x() && x + size.width() > area.x() + area.width()) {
      x = area.x();
      y += line_height + gap;
      line_height = 0;
    }
    if (apply) item->setGeometry(QRect(QPoint(x, y), size));
    x += size.width() + gap;
    line_height = std::max(line_height, size.height());
  }
  const QMargins m = contentsMargins();
  return y + line_height - rect.y() + m.bottom();
}

}  // namespace tamarack::app
