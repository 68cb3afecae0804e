// GraphView: the one picture of two kinds. Graph mode plots read speed against the data read
// (the Measure tab's speed graph); bar mode shows a block range and the position reached in it
// (the Aging tab's range bar). Both are pure geometry: the window paints the shapes, the CLI
// writes them to a file, tests read them.
#pragma once

#include <cstdint>
#include <optional>

#include "measure/c2_record.h"
#include "measure/drawing.h"
#include "measure/speed_record.h"

namespace tamarack {

inline constexpr Rgb kGraphBackground{240, 248, 255};
inline constexpr Rgb kGraphGrid{200, 200, 200};
inline constexpr Rgb kGraphLabel{100, 100, 100};
// The speed line, and the bar's progress region.
inline constexpr Rgb kGraphLine{123, 104, 238};
inline constexpr Rgb kBarBackground{80, 80, 80};
inline constexpr Rgb kBarRange{250, 250, 250};

// The range bar's numbers, in blocks.
struct RangeBar {
  std::int32_t first = 0;    // one end of the range (the start LBA)
  std::int32_t maximum = 0;  // the value at the full width (the disc's last LBA)
  std::int32_t second = 0;   // the other end (the end LBA); may lie below `first`
  std::int32_t current = 0;  // the position reached; 0: none
  bool operator==(const RangeBar&) const = default;
};

// Bar mode: the bar background over `r`, the range region and the progress region (from the
// start of the range to the current position; for a reversed range, from the current position
// up to its start). Empty (nothing drawn) for an empty rectangle or range, a range ending at 0,
// or a maximum smaller than the width.
Drawing DrawRangeBar(const RangeBar& bar, Box r);

struct SpeedGraph {
  Drawing drawing;
  // The scale flag after drawing: set once the line would rise above the top edge, and the
  // picture is then drawn at the compressed scale throughout.
  int scale = 0;
};

// Graph mode: the axes, the grid with its "x%d" and "%lld MB" figures in the margins left of
// and below the plot area, and the speed line over the record's samples but the last (the
// run's partial closing second). Across, the plot's width holds `span_mb` (the disc; the data
// read when that is more, or when 0), with a grid line every 1, 2, 5, 10, 20, 50, ... MB, the
// least step that keeps the lines 70 pixels apart (400 for print). Up, one pixel is 0.05 "x"
// at scale 0, 0.1 "x" at scale 1 (5 pixels for print), with a grid line every 100 pixels
// (500). With fewer than two samples only the axes, the grid and its figures are drawn.
SpeedGraph DrawSpeedGraph(const SpeedRecord& record, Box r, bool print = false,
                          std::int64_t span_mb = 0);

// The point of the screen graph's line nearest to column `x` of `r` (drawn as DrawSpeedGraph
// draws it): the blocks read up to it, its MB and its speed in tenths of "x". Nothing outside
// the plot area or without a line.
struct GraphSpot {
  std::int64_t blocks = 0;
  std::int64_t mb = 0;
  std::int64_t tenths = 0;
  bool operator==(const GraphSpot&) const = default;
};
std::optional<GraphSpot> SpeedGraphSpotAt(const SpeedRecord& record, Box r, int x,
                                          std::int64_t span_mb = 0);

// The C2 errors of a scan: a bar per second of the disc (its share of the width, at least a pixel),
// up to its C2 errors at a scale that fits the worst second into the height (1, 2 or 5 times a
// power of ten errors a pixel), in the speed graph's grid with "%d" error labels up and "%d:00"
// minutes of the disc across; a second with an unreadable block is a bar of the whole height in
// kC2Unreadable. Empty for an empty rectangle.
inline constexpr Rgb kC2Line{220, 20, 60};
inline constexpr Rgb kC2Unreadable{60, 60, 60};
Drawing DrawC2Graph(const C2Record& record, Box r);

// Where a printed Measure tab puts its graph: left 300, top 1400 + `line_offset`, right 200
// before the printable width (at 2800 when the device tells no width), 3100 high.
Box PrintGraphBox(int printable_width, int line_offset);

// One picture's state: its mode and, in bar mode, the range.
class GraphView {
 public:
  enum class Mode { kBar, kGraph };

  Mode mode() const { return mode_; }
  void ShowGraph() { mode_ = Mode::kGraph; }
  // Switches to bar mode with `bar`; true when the picture changes with it (drawn over `r`),
  // so that a bar moved every command is repainted only when a pixel moves.
  bool ShowBar(const RangeBar& bar, Box r);
  const RangeBar& bar() const { return bar_; }

  // The picture over `r`: the bar, or the graph of `record` (nothing without one). Writes the
  // scale the graph settled on back into the record.
  Drawing Draw(Box r, SpeedRecord* record, bool print = false, std::int64_t span_mb = 0) const;

 private:
  Mode mode_ = Mode::kGraph;
  RangeBar bar_;
};

}  // namespace tamarack
