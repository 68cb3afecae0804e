#include "measure/graph_view.h"

#include <algorithm>
#include <cstdlib>

#include "measure/speed_walk.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// The graph's measures on screen and on paper. The figures of the axes lie in margins outside
// the plot area, so that the curve never runs under them.
struct GraphMetrics {
  int left_margin;    // the speed figures ("x5")
  int bottom_margin;  // the data figures ("100 MB")
  int top_margin;
  int right_margin;
  int grid_up;          // pixels between horizontal grid lines (5 "x", or 10 compressed)
  int least_across;     // the least pixels between vertical grid lines
  int label_h;          // a figure's box height
  int data_label_half;  // half a data figure's box width
  int zoom;             // pixels per unit up
};

constexpr GraphMetrics kScreen{34, 16, 4, 8, 100, 70, 14, 32, 1};
constexpr GraphMetrics kPrint{200, 100, 20, 40, 500, 400, 90, 200, 5};

int Clamp64(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, -(1 << 30), 1 << 30));
}

// The plot area of `r`: `r` without the margins (empty when they do not fit).
Box PlotArea(Box r, const GraphMetrics& m) {
  return Box{r.left + m.left_margin, r.top + m.top_margin, r.right - m.right_margin,
             r.bottom - m.bottom_margin};
}

// The MB the graph spans across: the asked span, or more when the record read more; at least 1.
std::int64_t SpanMb(const SpeedRecord& record, std::int64_t span_mb) {
  SpeedWalk walk(record.block_size);
  std::int64_t kilobytes = 0;
  for (std::size_t i = 0; i + 1 < record.samples.size(); ++i) {
    if (const auto point = walk.Add(record.samples[i])) kilobytes = point->kilobytes;
  }
  return std::max<std::int64_t>({span_mb, (kilobytes + 1023) / 1024, 1});
}

// The grid step across (in MB, or minutes): the smallest of 1, 2, 5, 10, 20, 50, ... that keeps the
// lines `least` pixels apart over `width` pixels for `span` MB.
std::int64_t GridStep(std::int64_t span, int width, int least) {
  std::int64_t decade = 1;
  for (int i = 0; i < 15; ++i, decade *= 10) {
    for (const std::int64_t digit : {1, 2, 5}) {
      if (std::int64_t{width} * digit * decade >= std::int64_t{least} * span) return digit * decade;
    }
  }
  return decade;
}

// Pixels across for `kilobytes` read, over a plot `width` wide spanning `span` MB.
int AcrossOf(std::int64_t kilobytes, int width, std::int64_t span) {
  return Clamp64(kilobytes * width / (span * 1024));
}

// The axes of the plot area `p` of `r`, and a grid row every `m.grid_up` pixels up with its
// figure `row_label(k)` in the left margin.
template <typename RowLabel>
void AddAxesAndRows(Drawing& d, Box r, Box p, const GraphMetrics& m, RowLabel row_label) {
  d.push_back(LineShape{p.left, p.top, p.left, p.bottom, kGraphLabel, 1});
  d.push_back(LineShape{p.left, p.bottom, p.right, p.bottom, kGraphLabel, 1});
  for (int k = 1; p.bottom - m.grid_up * k > p.top; ++k) {
    const int y = p.bottom - m.grid_up * k;
    d.push_back(LineShape{p.left + 1, y, p.right, y, kGraphGrid, 1});
    const int top = std::max(r.top, y - m.label_h / 2);
    d.push_back(TextShape{
        {r.left, top, p.left - 2, top + m.label_h}, row_label(k), kGraphLabel, kGraphBackground});
  }
}

// A grid column at `x` with its figure below the plot area.
void AddColumn(Drawing& d, Box r, Box p, const GraphMetrics& m, int x, std::string label) {
  d.push_back(LineShape{x, p.top, x, p.bottom - 1, kGraphGrid, 1});
  d.push_back(TextShape{{std::max(p.left, x - m.data_label_half), p.bottom + 1,
                         std::min(r.right, x + m.data_label_half), r.bottom},
                        std::move(label),
                        kGraphLabel,
                        kGraphBackground});
}

Drawing DrawGraphOnce(const SpeedRecord& record, Box r, const GraphMetrics& m, std::int64_t span_mb,
                      int* scale) {
  Drawing d;
  d.push_back(FillShape{r, kGraphBackground});
  const Box p = PlotArea(r, m);
  if (p.width() <= 0 || p.height() <= 0) return d;
  // The axes, then the grid and its figures in the margins.
  AddAxesAndRows(d, r, p, m, [&](int k) { return StrFormat("x%d", *scale != 0 ? 10 * k : 5 * k); });
  const std::int64_t span = SpanMb(record, span_mb);
  const std::int64_t step = GridStep(span, p.width(), m.least_across);
  for (std::int64_t mb = step; mb < span || mb == step; mb += step) {
    const int x = p.left + AcrossOf(mb * 1024, p.width(), span);
    if (x >= p.right) break;
    AddColumn(d, r, p, m, x, StrFormat("%lld MB", static_cast<long long>(mb)));
  }
  const auto& samples = record.samples;
  if (samples.size() < 2) return d;
  SpeedWalk walk(record.block_size);
  int prev_x = p.left, prev_y = p.bottom;
  for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
    const auto point = walk.Add(samples[i]);
    if (!point) continue;
    std::int64_t y = point->y;
    if (*scale == 0) y *= 2;
    const int x = p.left + AcrossOf(point->kilobytes, p.width(), span);
    const int end_y = p.bottom - Clamp64(y * m.zoom);
    if (x <= p.right && p.top < end_y && end_y < p.bottom && x > p.left) {
      d.push_back(LineShape{prev_x, std::max(p.top, prev_y), x, end_y, kGraphLine, 2});
    }
    if (end_y <= p.top) *scale = 1;
    prev_x = x;
    prev_y = end_y;
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

SpeedGraph DrawSpeedGraph(const SpeedRecord& record, Box r, bool print, std::int64_t span_mb) {
  const GraphMetrics& m = print ? kPrint : kScreen;
  SpeedGraph g;
  g.scale = record.scale;
  g.drawing = DrawGraphOnce(record, r, m, span_mb, &g.scale);
  // The line reached the top: the whole picture at the compressed scale, labels included.
  if (g.scale != record.scale) g.drawing = DrawGraphOnce(record, r, m, span_mb, &g.scale);
  return g;
}

std::optional<GraphSpot> SpeedGraphSpotAt(const SpeedRecord& record, Box r, int x,
                                          std::int64_t span_mb) {
  const Box p = PlotArea(r, kScreen);
  if (p.width() <= 0 || x < p.left || x > p.right || record.samples.size() < 2) return {};
  const std::int64_t span = SpanMb(record, span_mb);
  SpeedWalk walk(record.block_size);
  std::optional<GraphSpot> nearest;
  int distance = 0;
  for (std::size_t i = 0; i + 1 < record.samples.size(); ++i) {
    const auto point = walk.Add(record.samples[i]);
    if (!point) continue;
    const int d = std::abs(p.left + AcrossOf(point->kilobytes, p.width(), span) - x);
    if (nearest && d >= distance) continue;
    nearest = GraphSpot{point->blocks, point->x_mb(), point->y};
    distance = d;
  }
  return nearest;
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
  Drawing d;
  d.push_back(FillShape{r, kGraphBackground});
  const Box p = PlotArea(r, m);
  if (p.width() <= 0 || p.height() <= 0) return d;
  const auto& seconds = record.seconds();
  std::uint64_t worst = 0;
  for (const C2Second& s : seconds) worst = std::max(worst, s.errors);
  const std::uint64_t scale = C2Scale(worst, p.height());
  AddAxesAndRows(d, r, p, m, [&](int k) {
    return StrFormat("%llu", static_cast<unsigned long long>(scale) *
                                 static_cast<unsigned long long>(m.grid_up) *
                                 static_cast<unsigned>(k));
  });
  // The whole scan across the plot's width, seconds of the disc; grid lines every whole
  // number of minutes that keeps them apart.
  const std::int64_t span = std::max<std::int64_t>(static_cast<std::int64_t>(seconds.size()), 1);
  const std::int64_t minutes = std::max<std::int64_t>((span + 59) / 60, 1);
  const std::int64_t step = GridStep(minutes, p.width(), m.least_across);
  for (std::int64_t min = step; min * 60 < span; min += step) {
    const int x = p.left + Clamp64(min * 60 * p.width() / span);
    if (x >= p.right) break;
    AddColumn(d, r, p, m, x, StrFormat("%lld:00", static_cast<long long>(min)));
  }
  for (std::size_t i = 0; i < seconds.size(); ++i) {
    const int x = p.left + Clamp64(static_cast<std::int64_t>(i) * p.width() / span);
    if (x >= p.right) break;
    // A second is as wide as its share of the plot, at least a pixel: no gaps between the
    // seconds of a wide graph.
    const int next = p.left + Clamp64(static_cast<std::int64_t>(i + 1) * p.width() / span);
    const int right = std::min(p.right, std::max(x + 1, next));
    const C2Second& s = seconds[i];
    if (s.unreadable > 0) {
      d.push_back(FillShape{Box{x, p.top, right, p.bottom}, kC2Unreadable});
    } else if (s.errors > 0) {
      // At least a pixel: a second with one error still shows.
      const auto up = static_cast<int>(std::min<std::uint64_t>(
          std::max<std::uint64_t>(1, s.errors / scale), static_cast<std::uint64_t>(p.height())));
      d.push_back(FillShape{Box{x, std::max(p.top, p.bottom - up), right, p.bottom}, kC2Line});
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

Drawing GraphView::Draw(Box r, SpeedRecord* record, bool print, std::int64_t span_mb) const {
  if (mode_ == Mode::kBar) return DrawRangeBar(bar_, r);
  if (!record) return {};
  SpeedGraph g = DrawSpeedGraph(*record, r, print, span_mb);
  record->scale = g.scale;
  return std::move(g.drawing);
}

}  // namespace tamarack
