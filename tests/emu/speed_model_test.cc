// The timing model of the virtual drive, alone and through the drive on a simulated clock.
#include "emu/speed_model.h"

#include <gtest/gtest.h>

#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

TEST(SpeedModel, SeeksGrowWithDistance) {
  const SpeedModel m(SpeedSetting{SpeedMode::kCav, 48});
  EXPECT_EQ(m.SeekTime(500, 500).count(), 0);
  EXPECT_LT(m.SeekTime(0, 1000), m.SeekTime(0, 100000));
  EXPECT_LT(m.SeekTime(0, 100000), m.SeekTime(0, 330000));
  EXPECT_EQ(m.SeekTime(0, 330000), m.SeekTime(330000, 0));
  EXPECT_GT(m.SpinUpTime(), std::chrono::milliseconds(500));
}

TEST(SpeedModel, SetCdSpeedCapsTheSpeed) {
  SpeedModel m(SpeedSetting{SpeedMode::kCav, 48});
  m.SetReadSpeedKbps(706);  // x4
  EXPECT_EQ(m.Factor(), 4);
  EXPECT_LE(m.SpeedAt(330000), 4.0);
  EXPECT_EQ(m.CurrentReadSpeedKbps(), 706u);
  EXPECT_EQ(m.MaxReadSpeedKbps(), FactorToKbps(48));
  m.SetReadSpeedKbps(kSpeedMaxKbps);
  EXPECT_EQ(m.Factor(), 48);
  m.SetReadSpeedKbps(0);  // the slowest there is
  EXPECT_EQ(m.Factor(), 1);
  EXPECT_EQ(KbpsToFactor(176), 1);
  EXPECT_EQ(KbpsToFactor(5648), 32);
}

std::chrono::microseconds ReadDuration(DriveHarness& h, std::uint32_t lba) {
  const auto before = h.clock.Now();
  const Reply r = h.In(ReadCdCommand(lba, 75, 0x10), 75 * 2352);
  EXPECT_TRUE(r.good()) << r.status_line;
  // The clock moved by exactly the modelled duration, which the result reports.
  EXPECT_EQ(h.clock.Now() - before, r.result.duration);
  return r.result.duration;
}

TEST(SpeedModelThroughTheDrive, CavCurveClvLineAndNoTimeAtMax) {
  DriveHarness cav("emu:type13?speed=cav48");
  ReadDuration(cav, 0);  // position the head
  const auto inner = ReadDuration(cav, 75);
  ReadDuration(cav, 300000);
  EXPECT_GT(inner, ReadDuration(cav, 300075) * 2);  // x20 against x47: the drive reads where
                                                    // the head is
  DriveHarness clv("emu:type13?speed=clv16");
  ReadDuration(clv, 0);  // position the head
  const auto a = ReadDuration(clv, 75);
  ReadDuration(clv, 300000);
  const auto b = ReadDuration(clv, 300075);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, std::chrono::microseconds(62500));  // 75 blocks at 16 × 75 a second

  DriveHarness max("emu:type13?speed=max");
  EXPECT_EQ(ReadDuration(max, 0).count(), 0);
  EXPECT_EQ(ReadDuration(max, 300000).count(), 0);
  EXPECT_EQ(max.clock.Now().count(), 0);
}

TEST(SpeedModelThroughTheDrive, SetCdSpeedIsHonouredAndReported) {
  DriveHarness h("emu:type13?speed=clv16");
  ASSERT_TRUE(h.NoData({0xBB, 0, 0x02, 0xC2, 0xFF, 0xFF}).good());  // 706 kB/s: x4
  ReadDuration(h, 0);
  EXPECT_EQ(ReadDuration(h, 75), std::chrono::milliseconds(250));
  Reply r = h.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF}, 255);
  EXPECT_EQ(Be16(r.data, 8 + 14), 706);
  EXPECT_EQ(Be16(r.data, 8 + 8), FactorToKbps(16));
  ASSERT_TRUE(h.NoData({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF}).good());
  r = h.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF}, 255);
  EXPECT_EQ(Be16(r.data, 8 + 14), FactorToKbps(16));
  EXPECT_SENSE(h.NoData({0xBB, 0x02, 0xFF, 0xFF}), 0x5, 0x24, 0x00);
}

TEST(SpeedModelThroughTheDrive, SpinUpAfterALoad) {
  DriveHarness h("emu:type13?speed=clv16");
  ReadDuration(h, 0);
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x02}).good());
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x03}).good());
  EXPECT_SENSE(h.NoData({0x00}), 0x6, 0x28, 0x00);
  const auto first = ReadDuration(h, 75);  // the head went back to 0 with the load
  const auto second = ReadDuration(h, 150);
  EXPECT_GT(first, second + std::chrono::seconds(1));
  // With IMMED the load returns at once.
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x02}).good());
  const Reply load = h.NoData({0x1B, 0x01, 0, 0, 0x03});
  EXPECT_EQ(load.result.duration.count(), 0);
}

}  // namespace
}  // namespace tamarack::emu::testing
