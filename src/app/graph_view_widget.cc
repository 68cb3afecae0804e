#include "app/graph_view_widget.h"

#include <QPainter>

#include "paint/drawing_painter.h"

namespace tamarack::app {

GraphViewWidget::GraphViewWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("graphView"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GraphViewWidget::ShowRecord(SpeedRecord record) {
  record_ = std::move(record);
  view_.ShowGraph();
  update();
}

void GraphViewWidget::SetSamples(std::int32_t block_size, std::vector<std::int32_t> samples) {
  record_.block_size = block_size;
  record_.samples = std::move(samples);
  view_.ShowGraph();
  update();
}

void GraphViewWidget::ShowBar(const RangeBar& bar) {
  if (view_.ShowBar(bar, Area())) update();
}

Box GraphViewWidget::Area() const { return Box{0, 0, width(), height()}; }

Drawing GraphViewWidget::Picture() { return view_.Draw(Area(), &record_); }

void GraphViewWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  paint::PaintDrawing(painter, Picture(), font());
}

}  // namespace tamarack::app
