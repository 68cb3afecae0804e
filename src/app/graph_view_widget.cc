#include "app/graph_view_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "paint/drawing_painter.h"

namespace tamarack::app {

GraphViewWidget::GraphViewWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("graphView"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setMouseTracking(true);
}

void GraphViewWidget::SetSpan(std::int64_t first_lba, std::int64_t last_lba) {
  first_lba_ = first_lba;
  span_blocks_ = last_lba >= first_lba ? last_lba - first_lba + 1 : 0;
  update();
}

std::int64_t GraphViewWidget::span_mb() const {
  // Before the first command tells the block size, a data track's.
  const std::int64_t block = record_.block_size > 0 ? record_.block_size : 2048;
  return span_blocks_ * block / (1024 * 1024);
}

QString GraphViewWidget::SpotText(int x) const {
  if (view_.mode() != GraphView::Mode::kGraph || c2_) return {};
  const auto spot = SpeedGraphSpotAt(record_, Area(), x, span_mb());
  if (!spot) return {};
  return QStringLiteral("LBA %1  %2 MB  %3")
      .arg(first_lba_ + spot->blocks)
      .arg(spot->mb)
      .arg(QString::fromStdString(SpeedText(spot->tenths)));
}

void GraphViewWidget::mouseMoveEvent(QMouseEvent* event) {
  const QString text = SpotText(static_cast<int>(event->position().x()));
  if (text.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(event->globalPosition().toPoint(), text, this);
  }
  QWidget::mouseMoveEvent(event);
}

void GraphViewWidget::ShowC2(C2Record record) {
  c2_ = std::move(record);
  SpeedRecord empty;
  empty.scale = record_.scale;
  record_ = std::move(empty);
  view_.ShowGraph();
  update();
}

void GraphViewWidget::ShowRecord(SpeedRecord record) {
  c2_.reset();
  record_ = std::move(record);
  view_.ShowGraph();
  update();
}

void GraphViewWidget::SetSamples(std::int32_t block_size, std::vector<std::int32_t> samples) {
  c2_.reset();
  record_.block_size = block_size;
  record_.samples = std::move(samples);
  view_.ShowGraph();
  update();
}

void GraphViewWidget::ShowBar(const RangeBar& bar) {
  if (view_.ShowBar(bar, Area())) update();
}

Box GraphViewWidget::Area() const { return Box{0, 0, width(), height()}; }

Drawing GraphViewWidget::Picture() {
  if (c2_ && view_.mode() == GraphView::Mode::kGraph) return DrawC2Graph(*c2_, Area());
  return view_.Draw(Area(), &record_, /*print=*/false, span_mb());
}

void GraphViewWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  paint::PaintDrawing(painter, Picture(), font());
}

}  // namespace tamarack::app
