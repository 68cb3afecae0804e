// The speed graph and the range bar as geometry, and the rotation verdict on shaped curves.
#include "measure/graph_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "emu/speed_model.h"
#include "measure/rotation.h"

namespace tamarack {
namespace {

std::vector<LineShape> SpeedLines(const Drawing& d) {
  std::vector<LineShape> out;
  for (const Shape& s : d) {
    if (const auto* l = std::get_if<LineShape>(&s); l && l->color == kGraphLine) out.push_back(*l);
  }
  return out;
}

std::vector<TextShape> Labels(const Drawing& d) {
  std::vector<TextShape> out;
  for (const Shape& s : d) {
    if (const auto* t = std::get_if<TextShape>(&s)) out.push_back(*t);
  }
  return out;
}

SpeedRecord Record(std::vector<std::int32_t> samples) {
  SpeedRecord r;
  r.block_size = 2048;
  r.samples = std::move(samples);
  return r;
}

TEST(SpeedGraph, TheFirstPointComesAtTheFifthSampleFiveMegabytesIn) {
  // 600 blocks of 2048 bytes a second: 1200 KB a second, 5120 KB passed in the fifth.
  const Box r{0, 0, 800, 400};
  const SpeedGraph g = DrawSpeedGraph(Record(std::vector<std::int32_t>(6, 600)), r);
  const auto lines = SpeedLines(g.drawing);
  ASSERT_EQ(lines.size(), 1u);  // the sixth sample, the last, is not drawn
  // x8.0 is 160 pixels up at 20 pixels per "x"; 6000 KB is 5 MB across.
  EXPECT_EQ(lines[0], (LineShape{0, 400, 5, 240, kGraphLine, 2}));
  EXPECT_EQ(g.scale, 0);

  // On paper everything is five times larger, on a grid of 500.
  const SpeedGraph p = DrawSpeedGraph(Record(std::vector<std::int32_t>(6, 600)),
                                      PrintGraphBox(0, 0), /*print=*/true);
  EXPECT_EQ(PrintGraphBox(0, 0), (Box{300, 1400, 2800, 4500}));
  EXPECT_EQ(PrintGraphBox(4960, 120), (Box{300, 1520, 4760, 4620}));
  EXPECT_EQ(SpeedLines(p.drawing)[0], (LineShape{300, 4500, 325, 3700, kGraphLine, 2}));
  EXPECT_EQ(Labels(p.drawing)[0],
            (TextShape{{300, 3960, 500, 4110}, "x5", kGraphLabel, kGraphBackground}));
}

TEST(SpeedGraph, WithoutTwoSamplesOnlyTheGridAndItsLabelsAreDrawn) {
  const Box r{10, 20, 360, 270};
  const Drawing none = DrawSpeedGraph(Record({}), r).drawing;
  EXPECT_EQ(DrawSpeedGraph(Record({600}), r).drawing, none);
  EXPECT_TRUE(SpeedLines(none).empty());
  EXPECT_EQ(std::get<FillShape>(none.front()), (FillShape{r, kGraphBackground}));
  std::vector<std::string> texts;
  for (const TextShape& t : Labels(none)) texts.push_back(t.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"x5", "x10", "100M", "200M", "300M"}));
  const auto labels = Labels(none);
  EXPECT_EQ(labels[1].box, (Box{10, 65, 35, 85}));      // 200 up, 5 above its line
  EXPECT_EQ(labels[4].box, (Box{300, 255, 330, 270}));  // beside x = 310
  // The grid: lines 100 pixels apart, horizontal ones from 10 right of the edge.
  EXPECT_EQ(std::get<LineShape>(none[1]), (LineShape{20, 170, 360, 170, kGraphGrid, 1}));
  EXPECT_EQ(std::get<LineShape>(none[5]), (LineShape{110, 20, 110, 260, kGraphGrid, 1}));
}

TEST(SpeedGraph, ALineReachingTheTopSwitchesToTheCompressedScale) {
  // x16 would be 320 pixels up: above a 300-pixel graph at 20 pixels per "x".
  SpeedRecord record = Record(std::vector<std::int32_t>(8, 1200));
  const SpeedGraph g = DrawSpeedGraph(record, Box{0, 0, 600, 300});
  EXPECT_EQ(g.scale, 1);
  const auto lines = SpeedLines(g.drawing);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].y2, 300 - 160);
  EXPECT_EQ(Labels(g.drawing)[0].text, "x10");
  EXPECT_EQ(Labels(g.drawing)[1].text, "x20");
  // The view keeps the switch in the record: the next picture starts compressed.
  GraphView view;
  view.Draw(Box{0, 0, 600, 300}, &record);
  EXPECT_EQ(record.scale, 1);
  EXPECT_EQ(Labels(view.Draw(Box{0, 0, 600, 1000}, &record))[0].text, "x10");
}

TEST(RangeBar, RangeAndProgressRegionsEitherWay) {
  const Box r{0, 0, 100, 8};
  // 1000 blocks over 100 pixels: 10 blocks a pixel.
  EXPECT_EQ(DrawRangeBar({100, 1000, 500, 300}, r),
            (Drawing{FillShape{r, kBarBackground}, FillShape{{10, 0, 50, 8}, kBarRange},
                     FillShape{{10, 0, 30, 8}, kGraphLine}}));
  // Reversed: the progress runs from the current position up to the start.
  EXPECT_EQ(DrawRangeBar({500, 1000, 100, 300}, r),
            (Drawing{FillShape{r, kBarBackground}, FillShape{{10, 0, 50, 8}, kBarRange},
                     FillShape{{30, 0, 50, 8}, kGraphLine}}));
  // No position yet, or one outside the range: no progress region.
  EXPECT_EQ(DrawRangeBar({100, 1000, 500, 0}, r).size(), 2u);
  EXPECT_EQ(DrawRangeBar({100, 1000, 500, 600}, r).size(), 2u);
  // A range past the maximum ends at the right edge.
  EXPECT_EQ(std::get<FillShape>(DrawRangeBar({100, 1000, 5000, 0}, r)[1]).box.right, 100);
  // Nothing at all: an empty range, one ending at 0, fewer blocks than pixels, no width.
  EXPECT_TRUE(DrawRangeBar({500, 1000, 500, 0}, r).empty());
  EXPECT_TRUE(DrawRangeBar({-10, 1000, 0, 0}, r).empty());
  EXPECT_TRUE(DrawRangeBar({0, 99, 50, 10}, r).empty());
  EXPECT_TRUE(DrawRangeBar({0, 1000, 50, 10}, Box{0, 0, 0, 8}).empty());
}

TEST(RangeBar, TheViewRepaintsOnlyWhenAPixelMoves) {
  GraphView view;
  const Box r{0, 0, 100, 8};
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

TEST(Rotation, EachShapeIsToldWithItsEdgeSpeeds) {
  const RotationVerdict pcav =
      JudgeRotation(Curve([](double p) { return std::min(40.0, Cav(p)); }, 333000));
  EXPECT_EQ(pcav.rotation, Rotation::kPartialCav);
  EXPECT_EQ(pcav.Text(), "Rotation: P-CAV x20.7 - x40.0");

  const RotationVerdict zoned = JudgeRotation(
      Curve([](double p) { return p < 100000   ? 16.0
                                  : p < 200000 ? 24.0
                                               : 32.0; }, 333000));
  EXPECT_EQ(zoned.Text(), "Rotation: zoned CLV x16.0 - x32.0");

  // A weak area that slows the drive for two seconds does not hide a CLV curve.
  auto dip = Curve([](double) { return 24.0; }, 200000);
  dip[50] = dip[51] = 300;
  EXPECT_EQ(JudgeRotation(dip).Text(), "Rotation: CLV x24.0");
}

TEST(Rotation, ShortOrShapelessCurvesAreNotJudged) {
  EXPECT_EQ(JudgeRotation(std::vector<std::int32_t>(9, 1800)).rotation, Rotation::kUnknown);
  // Up and down again.
  const auto saw = Curve([](double p) { return 16 + 16 * std::abs(std::sin(p / 40000)); }, 333000);
  EXPECT_EQ(JudgeRotation(saw).Text(), "Rotation: not clear");
}

}  // namespace
}  // namespace tamarack
