// The speed graph and the range bar as geometry, and the rotation verdict on shaped curves.
#include "measure/graph_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "emu/speed_model.h"
#include "golden.h"
#include "measure/rotation.h"
#include "util/strings.h"

namespace tamarack {
namespace {

SpeedRecord Record(std::vector<std::int32_t> samples) {
  SpeedRecord r;
  r.block_size = 2048;
  r.samples = std::move(samples);
  return r;
}

// A drawing as SVG the size of its box's bottom right corner, headed by what it shows.
std::string Svg(const std::string& title, const Drawing& d, const Box& r) {
  return "## " + title + "\n" + DrawingToSvg(d, r.right, r.bottom);
}

TEST(SpeedGraph, GridLabelsLineAndScaleAreTheGoldenDrawings) {
  // 600 blocks of 2048 bytes a second: 1200 KB a second, 5120 KB passed in the fifth sample,
  // where the line starts; the sixth, the last, is not drawn. x8 is 160 pixels up at 20
  // pixels per "x"; 6000 KB is 5 MB across.
  const Box screen{0, 0, 800, 400};
  const SpeedGraph g = DrawSpeedGraph(Record(std::vector<std::int32_t>(6, 600)), screen);
  EXPECT_EQ(g.scale, 0);
  // On paper everything is five times larger, on a grid of 500.
  EXPECT_EQ(PrintGraphBox(0, 0), (Box{300, 1400, 2800, 4500}));
  EXPECT_EQ(PrintGraphBox(4960, 120), (Box{300, 1520, 4760, 4620}));
  const SpeedGraph p = DrawSpeedGraph(Record(std::vector<std::int32_t>(6, 600)),
                                      PrintGraphBox(0, 0), /*print=*/true);
  // Labels stand on the graph's background (which the SVG does not show).
  for (const Shape& s : p.drawing) {
    const auto* t = std::get_if<TextShape>(&s);
    EXPECT_TRUE(t == nullptr || t->background == kGraphBackground);
  }
  // Without two samples only the grid, 100 pixels apart, and its labels are drawn.
  const Box small{10, 20, 360, 270};
  const Drawing none = DrawSpeedGraph(Record({}), small).drawing;
  EXPECT_EQ(DrawSpeedGraph(Record({600}), small).drawing, none);
  // x16 would be 320 pixels up: above a 300-pixel graph, so the compressed scale.
  SpeedRecord record = Record(std::vector<std::int32_t>(8, 1200));
  const Box low{0, 0, 600, 300};
  const SpeedGraph c = DrawSpeedGraph(record, low);
  // The view keeps the switch in the record: the next picture, of room enough, starts
  // compressed.
  GraphView view;
  view.Draw(low, &record);
  const Box tall{0, 0, 600, 1000};
  testing::ExpectGoldenFile("speed_graphs.txt",
                            Svg("six samples", g.drawing, screen) +
                                Svg("printed", p.drawing, PrintGraphBox(0, 0)) +
                                Svg("no samples", none, small) + Svg("compressed", c.drawing, low) +
                                Svg("compressed kept by the view", view.Draw(tall, &record), tall),
                            "measure");
}

TEST(RangeBar, RangeAndProgressRegionsEitherWay) {
  const Box r{0, 0, 100, 8};
  // 1000 blocks over 100 pixels: 10 blocks a pixel. Reversed, the progress runs from the
  // current position up to the start; without a position, or outside the range, there is no
  // progress region; a range past the maximum ends at the right edge; nothing at all for an
  // empty range, one ending at 0, fewer blocks than pixels or no width.
  const std::vector<std::pair<RangeBar, Box>> bars = {
      {{100, 1000, 500, 300}, r}, {{500, 1000, 100, 300}, r}, {{100, 1000, 500, 0}, r},
      {{100, 1000, 500, 600}, r}, {{100, 1000, 5000, 0}, r},  {{500, 1000, 500, 0}, r},
      {{-10, 1000, 0, 0}, r},     {{0, 99, 50, 10}, r},       {{0, 1000, 50, 10}, {0, 0, 0, 8}}};
  std::string svg;
  for (const auto& [bar, box] : bars) {
    svg += Svg(StrFormat("%d %d %d %d", bar.first, bar.maximum, bar.second, bar.current),
               DrawRangeBar(bar, box), r);
  }
  testing::ExpectGoldenFile("range_bars.txt", svg, "measure");
  // The view repaints only when a pixel moves.
  GraphView view;
  EXPECT_TRUE(view.ShowBar({0, 1000, 1000, 0}, r));  // from graph mode
  EXPECT_TRUE(view.ShowBar({0, 1000, 1000, 100}, r));
  EXPECT_FALSE(view.ShowBar({0, 1000, 1000, 109}, r));
  EXPECT_TRUE(view.ShowBar({0, 1000, 1000, 110}, r));
  EXPECT_EQ(view.Draw(r, nullptr), DrawRangeBar({0, 1000, 1000, 110}, r));
}

// Per-second samples of a drive whose speed ("x") at each block is `speed`.
std::vector<std::int32_t> Curve(const std::function<double(double)>& speed, double blocks) {
  std::vector<std::int32_t> out;
  for (double p = 0; p < blocks;) {
    // The speed half-way through the second.
    const auto n = static_cast<std::int32_t>(std::lround(speed(p + speed(p) * 75 / 2) * 75));
    out.push_back(n);
    p += n;
  }
  return out;
}

double Cav(double p) { return 48 * emu::RadiusAt(static_cast<std::int32_t>(p)) / 58; }

// Each shape told with its edge speeds; a weak area that slows the drive for two seconds does
// not hide a CLV curve; up and down again is not clear, and a short curve is not judged.
TEST(Rotation, EachShapeIsToldWithItsEdgeSpeeds) {
  auto dip = Curve([](double) { return 24.0; }, 200000);
  dip[50] = dip[51] = 300;
  const std::pair<std::vector<std::int32_t>, const char*> kCurves[] = {
      {Curve([](double p) { return std::min(40.0, Cav(p)); }, 333000),
       "Rotation: P-CAV x20.7 - x40.0"},
      {Curve([](double p) { return p < 100000   ? 16.0
                                   : p < 200000 ? 24.0
                                                : 32.0; }, 333000),
       "Rotation: zoned CLV x16.0 - x32.0"},
      {dip, "Rotation: CLV x24.0"},
      {Curve([](double p) { return 16 + 16 * std::abs(std::sin(p / 40000)); }, 333000),
       "Rotation: not clear"}};
  for (const auto& [curve, text] : kCurves) EXPECT_EQ(JudgeRotation(curve).Text(), text);
  EXPECT_EQ(JudgeRotation(std::vector<std::int32_t>(9, 1800)).rotation, Rotation::kUnknown);
}

}  // namespace
}  // namespace tamarack
