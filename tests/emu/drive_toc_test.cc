// Read TOC of the virtual drive: formats 0 to 5, TIME on and off, the number field.
#include <gtest/gtest.h>

#include "emu/cd_address.h"
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
  EXPECT_EQ(kType13Blocks, 0x514C8);
  r = Toc(h, 0, true, 0);
  EXPECT_EQ(Be32(r.data, 8), 0x00000200u);  // 00:02:00
  // 333000 + 150 frames = 74:02:00
  EXPECT_EQ(Be32(r.data, 16), 0x004A0200u);
}

TEST(VirtualDriveToc, Format0TrackNumberField) {
  DriveHarness h("emu:audio?speed=max");
  Reply r = Toc(h, 0, false, 3);
  ASSERT_TRUE(r.good());
  // First and last stay those of the disc; track 3: pre-emphasis, copy prohibited, at 12075.
  EXPECT_EQ(r.at(0, 12), (Bytes{0, 2 + 4 * 8, 1, 5, 0, 0x11, 3, 0, 0, 0, 0x2F, 0x2B}));
  EXPECT_EQ(r.data[13], 0x12);  // track 4: copy permitted
  EXPECT_EQ(r.data[29], 0x10);  // lead-out takes track 5's control
  r = Toc(h, 0, false, 0xAA);
  EXPECT_EQ(Be16(r.data, 0), 10);
  EXPECT_EQ(r.data[6], 0xAA);
  EXPECT_EQ(Be32(r.data, 8), 30600u);
  EXPECT_SENSE(Toc(h, 0, false, 6), 0x5, 0x24, 0x00);
  // The older drives' format field in the last byte.
  r = h.In({0x43, 0, 0, 0, 0, 0, 0, 0x20, 0x00, 0x80}, 0x2000);
  EXPECT_EQ(Be16(r.data, 0), 2 + 11 * 8);  // full TOC: A0, A1, A2, five tracks
}

TEST(VirtualDriveToc, SessionInformation) {
  DriveHarness h("emu:multisession?speed=max");
  Reply r = Toc(h, 1, false, 0);
  ASSERT_TRUE(r.good());
  ASSERT_EQ(r.transferred, 12u);
  // Sessions 1 to 2; the last one's first track, 4 (data), after the first session's lead-out.
  EXPECT_EQ(r.at(0, 8), (Bytes{0, 10, 1, 2, 0, 0x14, 4, 0}));
  const std::uint32_t start = Be32(r.data, 8);
  EXPECT_EQ(start, 3 * 45 * 75 + 2 * 150 + 6750 + 4500 + 150);
  r = Toc(h, 1, true, 0);
  const Msf m = LbaToMsf(static_cast<std::int32_t>(start));
  EXPECT_EQ(r.data[9], m.minutes);
  EXPECT_EQ(r.data[10], m.seconds);
  EXPECT_EQ(r.data[11], m.frames);
}

TEST(VirtualDriveToc, FullTocOfATwoSessionDisc) {
  DriveHarness h("emu:multisession?speed=max");
  const Reply r = Toc(h, 2, false, 0);
  ASSERT_TRUE(r.good());
  const int n = (Be16(r.data, 0) - 2) / 11;
  ASSERT_EQ(n, 12);  // A0 A1 A2 1 2 3 B0 C0 | A0 A1 A2 4
  EXPECT_EQ(r.data[2], 1);
  EXPECT_EQ(r.data[3], 2);
  auto d = [&](int i, int field) {
    return r.data.at(4 + static_cast<std::size_t>(i) * 11 + static_cast<std::size_t>(field));
  };
  const int points[] = {0xA0, 0xA1, 0xA2, 1, 2, 3, 0xB0, 0xC0, 0xA0, 0xA1, 0xA2, 4};
  const int sessions[] = {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2};
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(d(i, 3), points[i]) << i;
    EXPECT_EQ(d(i, 0), sessions[i]) << i;
  }
  const auto msf = [](std::int32_t lba) {
    const Msf m = LbaToMsf(lba);
    return Bytes{static_cast<std::uint8_t>(m.minutes), static_cast<std::uint8_t>(m.seconds),
                 static_cast<std::uint8_t>(m.frames)};
  };
  const auto field = [&r](int i, std::size_t at) {
    return r.at(4 + 11 * static_cast<std::size_t>(i) + at, 3);
  };
  EXPECT_EQ(d(0, 1), 0x12);                            // ADR 1, audio copy permitted
  EXPECT_EQ(field(0, 8), (Bytes{1, 0x00, 0}));         // first track 1, CD-DA disc type
  EXPECT_EQ(d(1, 8), 3);                               // last track
  EXPECT_EQ(field(2, 8), msf(3 * 45 * 75 + 2 * 150));  // lead-out of session 1
  EXPECT_EQ(field(3, 8), (Bytes{0, 2, 0}));            // track 1 at 00:02:00
  EXPECT_EQ(d(6, 1) >> 4, 5);                          // B0: ADR 5, the next program area
  EXPECT_EQ(field(6, 4), msf(3 * 45 * 75 + 2 * 150 + 6750 + 4500));
  EXPECT_EQ(d(6, 8), 79);
  EXPECT_EQ(d(7, 1) >> 4, 5);  // C0
  EXPECT_EQ(d(7, 8), 97);
  EXPECT_EQ(d(8, 1), 0x14);                     // session 2: data
  EXPECT_EQ(field(8, 8), (Bytes{4, 0x20, 0}));  // first track 4, CD-ROM XA
  // From session 2 on.
  const Reply second = Toc(h, 2, false, 2);
  EXPECT_EQ(Be16(second.data, 0), 2 + 4 * 11);
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
  DriveHarness h("emu:recordable?speed=max");
  Reply r = Toc(h, 4, false, 0);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(Be16(r.data, 0), 26);
  for (std::size_t i = 0; i < 24; ++i) EXPECT_EQ(r.data[4 + i], i + 1);
  r = Toc(h, 3, false, 0);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(Be16(r.data, 0), 2 + 11);
  EXPECT_EQ(r.data[7], 1);   // POINT: track 1
  EXPECT_EQ(r.data[12], 0);  // start 00:02:00
  EXPECT_EQ(r.data[13], 2);
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
