// Read TOC of the virtual drive: formats 0 to 5, TIME on and off, the number field.
#include <gtest/gtest.h>

#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

Reply Toc(DriveHarness& h, int format, bool msf, int number, int alloc = 0x2000) {
  return h.In({0x43, static_cast<std::uint8_t>(msf ? 0x02 : 0), static_cast<std::uint8_t>(format),
               0, 0, 0, static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(alloc >> 8),
               static_cast<std::uint8_t>(alloc)},
              0x2000);
}

TEST(VirtualDriveToc, Format0SingleTrack) {
  DriveHarness h;
  Reply r = Toc(h, 0, false, 0);
  ASSERT_TRUE(r.good()) << r.status_line;
  // Tracks 1 to 1; track 1 (ADR 1, data) at 0; the lead-out at 333000.
  EXPECT_EQ(r.bytes(), (Bytes{0, 18,   1,    1, 0, 0x14, 1,    0,   0, 0, 0, 0,  //
                              0, 0x14, 0xAA, 0, 0, 0x05, 0x14, 0xC8}));
  r = Toc(h, 0, true, 0);
  EXPECT_EQ(Be32(r.data, 8), 0x00000200u);  // 00:02:00
  // 333000 + 150 frames = 74:02:00
  EXPECT_EQ(Be32(r.data, 16), 0x004A0200u);
}

TEST(VirtualDriveToc, Format0TrackNumberField) {
  DriveHarness h("emu:audio?speed=max");
  // From track 3 on: toc_audio_from_track_3.hex. From the lead-out on: the lead-out alone.
  Reply r = Toc(h, 0, false, 0xAA);
  EXPECT_EQ(Be16(r.data, 0), 10);
  EXPECT_EQ(r.data[6], 0xAA);
  EXPECT_EQ(Be32(r.data, 8), 30600u);
  EXPECT_SENSE(Toc(h, 0, false, 6), 0x5, 0x24, 0x00);
  // The older drives' format field in the last byte.
  r = h.In({0x43, 0, 0, 0, 0, 0, 0, 0x20, 0x00, 0x80}, 0x2000);
  EXPECT_EQ(Be16(r.data, 0), 2 + 11 * 8);  // full TOC: A0, A1, A2, five tracks
}

// The whole full TOC: toc_multisession_full.hex.
TEST(VirtualDriveToc, FullTocFromTheSecondSession) {
  DriveHarness h("emu:multisession?speed=max");
  const Reply second = Toc(h, 2, false, 2);
  EXPECT_EQ(Be16(second.data, 0), 2 + 4 * 11);
  EXPECT_EQ(second.data[4], 2);
  EXPECT_SENSE(Toc(h, 2, false, 3), 0x5, 0x24, 0x00);
}

TEST(VirtualDriveToc, FullTocOfASingleSessionHasNoB0) {
  DriveHarness h;
  const Reply r = Toc(h, 2, true, 0);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(Be16(r.data, 0), 2 + 4 * 11);
  for (std::size_t at = 4; at < r.transferred; at += 11) EXPECT_NE(r.data[at + 1] >> 4, 5);
}

TEST(VirtualDriveToc, PmaAndAtipOnlyOnRecordables) {
  DriveHarness pressed;
  EXPECT_SENSE(Toc(pressed, 3, false, 0), 0x5, 0x24, 0x00);
  EXPECT_SENSE(Toc(pressed, 4, false, 0), 0x5, 0x24, 0x00);
  // The recordable disc's: toc_recordable_pma.hex and toc_recordable_atip.hex.
  DriveHarness h("emu:recordable?speed=max");
  EXPECT_SENSE(Toc(h, 6, false, 0), 0x5, 0x24, 0x00);
}

TEST(VirtualDriveToc, CdTextFromTheLayout) {
  DriveHarness h("emu:audio?speed=max");
  const Reply r = Toc(h, 5, false, 0);
  ASSERT_TRUE(r.good());
  const auto disc = MakeAudioDisc();
  const auto& packs = disc->Layout().cd_text_packs;
  ASSERT_FALSE(packs.empty());
  EXPECT_EQ(Be16(r.data, 0), 2 + 18 * packs.size());
  for (std::size_t p = 0; p < packs.size(); ++p) {
    for (std::size_t i = 0; i < 18; ++i) EXPECT_EQ(r.data[4 + p * 18 + i], packs[p][i]);
  }
  DriveHarness plain;
  const Reply none = Toc(plain, 5, false, 0);
  ASSERT_TRUE(none.good());
  EXPECT_EQ(Be16(none.data, 0), 2);
}

TEST(VirtualDriveToc, AllocationLengthCutsButTheLengthFieldIsWhole) {
  DriveHarness h("emu:audio?speed=max");
  const Reply r = Toc(h, 0, false, 0, 12);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 12u);
  EXPECT_EQ(Be16(r.data, 0), 50);
  EXPECT_EQ(r.data[12], 0x5A);
}

TEST(VirtualDriveToc, NeedsAMedium) {
  DriveHarness h("emu:audio?nomedium");
  EXPECT_SENSE(Toc(h, 0, false, 0), 0x2, 0x3A, 0x01);
}

}  // namespace
}  // namespace tamarack::emu::testing
