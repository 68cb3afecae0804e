#include "measure/graph_view.h"

#include <algorithm>

#include "measure/speed_walk.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// The graph's measures on screen and on paper.
struct GraphMetrics {
  int grid;            // grid step
  int grid_indent;     // horizontal lines start this far right of the left edge
  int speed_label_up;  // speed label tops above their line
  int speed_label_w;   // speed label box
  int speed_label_h;
  int vertical_end;     // vertical lines stop this far above the bottom
  int data_label_left;  // data label box around its line
  int data_label_top;
  int data_label_right;
  int zoom;  // pixels per MB across and per unit up
};

constexpr GraphMetrics kScreen{100, 10, 5, 25, 20, 10, 10, 15, 20, 1};
constexpr GraphMetrics kPrint{500, 150, 40, 200, 150, 100, 80, 80, 120, 5};

int Clamp64(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, -(1 << 30), 1 << 30));
}

Drawing DrawGraphOnce(const SpeedRecord& record, Box r, const GraphMetrics& m, int* scale) {
  Drawing d;
  d.push_back(FillShape{r, kGraphBackground});
  for (int k = 1; r.bottom - m.grid * k > r.top; ++k) {
    const int y = r.bottom - m.grid * k;
    d.push_back(LineShape{r.left + m.grid_indent, y, r.right, y, kGraphGrid, 1});
  }
  for (int k = 1; r.bottom - m.grid * k > r.top; ++k) {
    const int top = std::max(r.top, r.bottom - m.grid * k - m.speed_label_up);
    d.push_back(TextShape{{r.left, top, r.left + m.speed_label_w, top + m.speed_label_h},
                          StrFormat("x%d", *scale != 0 ? 10 * k : 5 * k),
                          kGraphLabel,
                          kGraphBackground});
  }
  for (int k = 1; r.left + m.grid * k < r.right; ++k) {
    const int x = r.left + m.grid * k;
    d.push_back(LineShape{x, r.top, x, r.bottom - m.vertical_end, kGraphGrid, 1});
  }
  for (int k = 1; r.left + m.grid * k < r.right; ++k) {
    const int x = r.left + m.grid * k;
    d.push_back(TextShape{{x - m.data_label_left, r.bottom - m.data_label_top,
                           std::min(x + m.data_label_right, r.right), r.bottom},
                          StrFormat("%dM", 100 * k),
                          kGraphLabel,
                          kGraphBackground});
  }
  const auto& samples = record.samples;
  if (samples.size() < 2) return d;
  SpeedWalk walk(record.block_size);
  int prev_x = 0, prev_y = 0;
  for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
    const auto point = walk.Add(samples[i]);
    if (!point) continue;
    std::int64_t y = point->y;
    std::int64_t x = point->x_mb();
    if (*scale == 0) y *= 2;
    x *= m.zoom;
    y *= m.zoom;
    const int px = Clamp64(x), py = Clamp64(y);
    const int end_y = r.bottom - py;
    if (r.left + px < r.right && r.top < end_y && end_y < r.bottom && r.left + px > r.left) {
      d.push_back(LineShape{std::min(r.left + prev_x, r.right), std::max(r.top, r.bottom - prev_y),
                            r.left + px, end_y, kGraphLine, 2});
    }
    if (end_y <= r.top) *scale = 1;
    prev_x = px;
    prev_y = py;
  }
  return d;
}

}  // namespace

Drawing DrawRangeBar(const RangeBar& bar, Box r) {
  const bool reversed = bar.second < bar.first;
  const std::int64_t lo = std::min(bar.first, bar.second);
  const std::int64_t hi = std::max(bar.first, bar.second);
  const int width = r.width();
  if (width <= 0 || r.height() <= 0 || lo >= hi || hi == 0 || bar.maximum / width <= 0) return {};
  const std::int64_t s = bar.maximum / width;  // blocks per pixel
  // A position as a pixel column inside the bar.
  auto column = [&](std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(r.left + v / s, r.left, r.right));
  };
  Drawing d;
  d.push_back(FillShape{r, kBarBackground});
  d.push_back(FillShape{{column(lo), r.top, column(hi), r.bottom}, kBarRange});
  const std::int64_t current = bar.current;
  if (current != 0 && lo < current && current < hi) {
    const Box progress = reversed ? Box{column(current), r.top, column(hi), r.bottom}
                                  : Box{column(lo), r.top, column(current), r.bottom};
    d.push_back(FillShape{progress, kGraphLine});
  }
  return d;
}

SpeedGraph DrawSpeedGraph(const SpeedRecord& record, Box r, bool print) {
  const GraphMetrics& m = print ? kPrint : kScreen;
  SpeedGraph g;
  g.scale = record.scale;
  g.drawing = DrawGraphOnce(record, r, m, &g.scale);
  // The line reached the top: the whole picture at the compressed scale, labels included.
  if (g.scale != record.scale) g.drawing = DrawGraphOnce(record, r, m, &g.scale);
  return g;
}

namespace {

// Errors a pixel up: the smallest of 1, 2, 5, 10, 20, 50, ... that fits `worst` into `height`.
std::uint64_t C2Scale(std::uint64_t worst, int height) {
  const auto h = static_cast<std::uint64_t>(std::max(height, 1));
  std::uint64_t decade = 1;
  for (;;) {
    for (const std::uint64_t step : {1u, 2u, 5u}) {
      if (worst <= step * decade * h) return step * decade;
    }
    decade *= 10;
  }
}

}  // namespace

Drawing DrawC2Graph(const C2Record& record, Box r) {
  if (r.width() <= 0 || r.height() <= 0) return {};
  const GraphMetrics& m = kScreen;
  std::uint64_t worst = 0;
  for (const C2Second& s : record.seconds()) worst = std::max(worst, s.errors);
  const std::uint64_t scale = C2Scale(worst, r.height());
  Drawing d;
  d.push_back(FillShape{r, kGraphBackground});
  for (int k = 1; r.bottom - m.grid * k > r.top; ++k) {
    const int y = r.bottom - m.grid * k;
    d.push_back(LineShape{r.left + m.grid_indent, y, r.right, y, kGraphGrid, 1});
    const int top = std::max(r.top, y - m.speed_label_up);
    d.push_back(TextShape{
        {r.left, top, r.left + 3 * m.speed_label_w, top + m.speed_label_h},
        StrFormat("%llu", static_cast<unsigned long long>(scale) * 100u * static_cast<unsigned>(k)),
        kGraphLabel,
        kGraphBackground});
  }
  // A minute of the disc is 60 seconds, 60 pixels.
  constexpr int kMinute = 60;
  for (int k = 1; r.left + kMinute * k < r.right; ++k) {
    const int x = r.left + kMinute * k;
    d.push_back(LineShape{x, r.top, x, r.bottom - m.vertical_end, kGraphGrid, 1});
    d.push_back(TextShape{{x - m.data_label_left, r.bottom - m.data_label_top,
                           std::min(x + 3 * m.data_label_right, r.right), r.bottom},
                          StrFormat("%d:00", k),
                          kGraphLabel,
                          kGraphBackground});
  }
  const auto& seconds = record.seconds();
  for (std::size_t i = 0; i < seconds.size(); ++i) {
    const int x = r.left + static_cast<int>(std::min<std::size_t>(i, 1 << 30));
    if (x >= r.right) break;
    const C2Second& s = seconds[i];
    if (s.unreadable > 0) {
      d.push_back(LineShape{x, r.top, x, r.bottom, kC2Unreadable, 1});
    } else if (s.errors > 0) {
      // At least a pixel: a second with one error still shows.
      const auto up = static_cast<int>(std::max<std::uint64_t>(1, s.errors / scale));
      d.push_back(LineShape{x, r.bottom, x, std::max(r.top, r.bottom - up), kC2Line, 1});
    }
  }
  return d;
}

Box PrintGraphBox(int printable_width, int line_offset) {
  const int right = printable_width > 0 ? printable_width - 200 : 2800;
  const int top = 1400 + line_offset;
  return Box{300, top, right, top + 3100};
}

bool GraphView::ShowBar(const RangeBar& bar, Box r) {
  const bool changed = mode_ != Mode::kBar || DrawRangeBar(bar, r) != DrawRangeBar(bar_, r);
  mode_ = Mode::kBar;
  bar_ = bar;
  return changed;
}

Drawing GraphView::Draw(Box r, SpeedRecord* record, bool print) const {
  if (mode_ == Mode::kBar) return DrawRangeBar(bar_, r);
  if (!record) return {};
  SpeedGraph g = DrawSpeedGraph(*record, r, print);
  record->scale = g.scale;
  return std::move(g.drawing);
}

}  // namespace tamarack
