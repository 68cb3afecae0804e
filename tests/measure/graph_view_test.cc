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
  // pixels per "x"; with no disc span the 6 MB read fill the width.
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

// The whole disc fits the width at any size: a 650 MB disc read at x20 ends at the plot's right
// edge on a narrow and on a wide graph, the grid keeps its lines apart with "MB" figures, every
// figure lies outside the plot area (so never on the curve), and the spot under the pointer
// names the data read and the speed there.
TEST(SpeedGraph, TheDiscFitsTheWidthAndTheFiguresStayOffTheCurve) {
  const std::int64_t disc_mb = 650;
  // 1500 blocks of 2048 bytes a second (x20) for 650 MB, and the closing partial second.
  std::vector<std::int32_t> samples(disc_mb * 512 / 1500 + 1, 1500);
  samples.push_back(100);
  const SpeedRecord record = Record(samples);
  for (const Box r : {Box{0, 0, 480, 500}, Box{0, 0, 1020, 760}}) {
    SCOPED_TRACE(r.right);
    const SpeedGraph g = DrawSpeedGraph(record, r, false, disc_mb);
    int plot_left = r.right, plot_bottom = 0, line_right = 0;
    for (const Shape& s : g.drawing) {
      const auto* l = std::get_if<LineShape>(&s);
      if (l && l->color == kGraphLabel && l->x1 == l->x2) plot_left = l->x1;  // the speed axis
      if (l && l->color == kGraphLabel && l->y1 == l->y2) plot_bottom = l->y1;
      if (l && l->color == kGraphLine) line_right = std::max({line_right, l->x1, l->x2});
    }
    const int plot_right = r.right - 8;
    EXPECT_GE(line_right, plot_right - 4);  // the disc's end is drawn
    EXPECT_LE(line_right, plot_right);
    std::vector<int> grid_x;
    std::vector<std::string> figures;
    for (const Shape& s : g.drawing) {
      if (const auto* t = std::get_if<TextShape>(&s)) {
        // Left of the speed axis or below the data axis: never over the curve's area.
        EXPECT_TRUE(t->box.right <= plot_left || t->box.top > plot_bottom) << t->text;
        if (t->text.ends_with(" MB")) figures.push_back(t->text);
      }
      const auto* l = std::get_if<LineShape>(&s);
      if (l && l->color == kGraphGrid && l->x1 == l->x2) grid_x.push_back(l->x1);
      if (l && l->color == kGraphLine) {
        EXPECT_GE(std::min(l->x1, l->x2), plot_left);
        EXPECT_LE(std::max(l->y1, l->y2), plot_bottom);
      }
    }
    ASSERT_GE(grid_x.size(), 2u);
    for (std::size_t i = 1; i < grid_x.size(); ++i) EXPECT_GE(grid_x[i] - grid_x[i - 1], 70);
    EXPECT_EQ(figures.size(), grid_x.size());
    // The narrow graph steps by 200 MB, the wide one by 50 MB.
    EXPECT_EQ(figures.front(), r.right < 600 ? "200 MB" : "50 MB");
    const auto spot = SpeedGraphSpotAt(record, r, line_right, disc_mb);
    ASSERT_TRUE(spot);
    EXPECT_GE(spot->mb, disc_mb - 5);
    EXPECT_EQ(spot->tenths, 200);
    EXPECT_GE(spot->blocks, spot->mb * 512);  // 512 blocks of 2048 bytes a MB
    EXPECT_LT(spot->blocks, (spot->mb + 1) * 512);
    EXPECT_FALSE(SpeedGraphSpotAt(record, r, 3, disc_mb));  // in the figures' margin
  }
  // A record longer than the span it was given widens the span: nothing is cut off.
  const SpeedGraph longer = DrawSpeedGraph(record, Box{0, 0, 480, 500}, false, 100);
  int right = 0;
  for (const Shape& s : longer.drawing) {
    if (const auto* l = std::get_if<LineShape>(&s); l && l->color == kGraphLine)
      right = std::max(right, l->x2);
  }
  EXPECT_GE(right, 480 - 8 - 4);
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
      {Curve([](double p) { return std::min(40.0, Cav(p)); }, 333000), "回転: P-CAV x20.7 - x40.0"},
      {Curve([](double p) { return p < 100000   ? 16.0
                                   : p < 200000 ? 24.0
                                                : 32.0; }, 333000),
       "回転: ゾーン CLV x16.0 - x32.0"},
      {dip, "回転: CLV x24.0"},
      {Curve([](double p) { return 16 + 16 * std::abs(std::sin(p / 40000)); }, 333000),
       "回転: 判別できません"}};
  for (const auto& [curve, text] : kCurves) EXPECT_EQ(JudgeRotation(curve).Text(), text);
  EXPECT_EQ(JudgeRotation(std::vector<std::int32_t>(9, 1800)).rotation, Rotation::kUnknown);
}

}  // namespace
}  // namespace tamarack
