// GraphView: the one picture of two kinds. Graph mode plots read speed against the data read
// (the Measure tab's speed graph); bar mode shows a block range and the position reached in it
// (the Aging tab's range bar). Both are pure geometry: the window paints the shapes, the CLI
// writes them to a file, tests read them.
#pragma once

#include <cstdint>

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

// Graph mode: the grid every 100 pixels (500 for print) with its "x%d" and "%dM" labels, and the
// speed line over the record's samples but the last (the run's partial closing second). One
// pixel is 1 MB across (5 for print) and 0.05 "x" up at scale 0, 0.1 "x" at scale 1 (5 pixels
// for print). With fewer than two samples only the grid and labels are drawn.
SpeedGraph DrawSpeedGraph(const SpeedRecord& record, Box r, bool print = false);

// The C2 errors of a scan: a bar per second of the disc (one pixel across each), up to its
// C2 errors at a scale that fits the worst second into the height (1, 2 or 5 times a power of
// ten errors a pixel), in the speed graph's grid with "%d" error labels up and "%d:00" minutes
// of the disc across; a second with an unreadable block is a bar of the whole height in
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
  Drawing Draw(Box r, SpeedRecord* record, bool print = false) const;

 private:
  Mode mode_ = Mode::kGraph;
  RangeBar bar_;
};

}  // namespace tamarack
