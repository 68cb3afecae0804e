// The window's GraphView: paints the core's geometry of the speed graph or of a C2 scan's
// errors per second (Measure tab), or of the range bar (Aging tab). Everything is drawn on every
// paint, so a resize or a new record redraws the whole picture.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "measure/c2_record.h"
#include "measure/graph_view.h"
#include "measure/speed_record.h"

namespace tamarack::app {

class GraphViewWidget : public QWidget {
  Q_OBJECT

 public:
  explicit GraphViewWidget(QWidget* parent = nullptr);

  // A C2 scan's errors per second instead of the speed curve, until the next speed record
  // (the speed record shown before goes, so that nothing saves or prints it as this disc's).
  void ShowC2(C2Record record);
  // The scan shown; null while a speed record is.
  const C2Record* c2() const { return c2_ ? &*c2_ : nullptr; }
  // Graph mode with `record`, its scale flag included (a new run, a loaded file).
  void ShowRecord(SpeedRecord record);
  // Graph mode: new samples of the same record; the scale the graph settled on stays.
  void SetSamples(std::int32_t block_size, std::vector<std::int32_t> samples);
  // The record drawn, with the scale the last paint settled on.
  const SpeedRecord& record() const { return record_; }
  // The disc's range the graph spans across (0, 0: the data read alone) and where its LBAs
  // start, for the spot under the pointer.
  void SetSpan(std::int64_t first_lba, std::int64_t last_lba);
  std::int64_t span_mb() const;
  // What hovering at column `x` shows: "LBA 1234  56 MB  x8.0", "" off the line.
  QString SpotText(int x) const;

  // Bar mode: repaints only when a pixel of the bar moves.
  void ShowBar(const RangeBar& bar);
  const GraphView& view() const { return view_; }

  // The current picture over the widget's rectangle (what the next paint draws).
  Drawing Picture();

  QSize sizeHint() const override { return QSize(400, 300); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  Box Area() const;

  GraphView view_;
  SpeedRecord record_;
  std::optional<C2Record> c2_;
  std::int64_t first_lba_ = 0;
  std::int64_t span_blocks_ = 0;
};

}  // namespace tamarack::app
