#include "emu/built_in_discs.h"

#include <gtest/gtest.h>

#include <string>

#include "emu/cd_address.h"
#include "emu/drive_harness.h"
#include "emu/sector_encoder.h"
#include "emu/test_sector.h"

namespace tamarack::emu {
namespace {

using testing::ReadRaw;

// The address text and checksum of a 2048-byte test sector, checked the way the reading tests
// check them.
void ExpectSelfDescribing(const std::uint8_t* user, std::int32_t lba) {
  const std::string text(reinterpret_cast<const char*>(user) + 13, 9);
  const int a = lba + 150;
  char want[40];
  std::snprintf(want, sizeof want, "%02dm%02ds%02df", a / 4500 % 100, a / 75 % 60, a % 75);
  EXPECT_EQ(text, want) << "LBA " << lba;
  std::uint32_t sum = 0;
  for (int i = 0; i < 2046; i += 2) sum += static_cast<std::uint32_t>(user[i] | user[i + 1] << 8);
  EXPECT_EQ(sum & 0xFFFF, static_cast<std::uint32_t>(user[2046] | user[2047] << 8))
      << "LBA " << lba;
}

TEST(BuiltInDiscsTest, FactoryKnowsEveryName) {
  for (const std::string& n : BuiltInDiscNames()) {
    auto d = MakeBuiltInDisc(n);
    ASSERT_NE(d, nullptr) << n;
    EXPECT_EQ(d->Name(), n);
    EXPECT_FALSE(d->Layout().sessions.empty());
    EXPECT_GT(d->Layout().LeadoutStart(), 0);
  }
  EXPECT_EQ(MakeBuiltInDisc("type31"), nullptr);
  EXPECT_EQ(MakeBuiltInDisc(""), nullptr);
}

TEST(BuiltInDiscsTest, Type13SectorsDescribeThemselves) {
  auto d = MakeType13Disc();
  const DiscLayout& l = d->Layout();  // the pregap belongs to track 1, the lead-out to none
  EXPECT_EQ(l.TrackAt(-150), &l.tracks[0]);
  EXPECT_EQ(l.TrackAt(kType13Blocks), nullptr);
  for (std::int32_t lba : {0, 16, 4499, 100000, kType13Blocks - 1}) {
    const RawSector s = ReadRaw(*d, lba);
    ExpectSelfDescribing(s.main.data() + 16, lba);
    const SectorCheck c = CheckSector(s.main);
    EXPECT_TRUE(c.Ok()) << lba;
    EXPECT_EQ(c.mode, 1);
    const Msf m = LbaToMsf(lba);
    EXPECT_EQ(s.main[12], ToBcd(m.minutes));
    EXPECT_EQ(s.main[13], ToBcd(m.seconds));
    EXPECT_EQ(s.main[14], ToBcd(m.frames));
    for (std::uint8_t b : s.c2) EXPECT_EQ(b, 0);
  }
  // LBA 0 reads 00m02s00f; the last block 74m01s74f.
  RawSector s = ReadRaw(*d, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.main.data()) + 16 + 13, 9), "00m02s00f");
  s = ReadRaw(*d, kType13Blocks - 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.main.data()) + 16 + 13, 9), "74m01s74f");
}

TEST(BuiltInDiscsTest, Type30Classes) {
  auto d = MakeType30Disc();
  const DiscLayout& l = d->Layout();
  ASSERT_EQ(l.tracks.size(), 23u);
  EXPECT_EQ(l.sessions[0].first_track, 1);
  EXPECT_EQ(l.sessions[0].last_track, 23);
  const std::string classes = "121AAAAAAAAF1AA1FAA1AF1";  // 1 Mode 1, 2 form 1, F form 2, A audio
  for (int n = 1; n <= 23; ++n) {
    const TrackInfo& t = l.tracks[static_cast<std::size_t>(n - 1)];
    EXPECT_EQ(t.number, n);
    const char c = classes[static_cast<std::size_t>(n - 1)];
    const TrackMode want = c == '1'   ? TrackMode::kMode1
                           : c == '2' ? TrackMode::kMode2Form1
                           : c == 'F' ? TrackMode::kMode2Form2
                                      : TrackMode::kAudio;
    EXPECT_EQ(t.mode, want) << "track " << n;
    EXPECT_EQ((t.control & kControlData) != 0, c != 'A') << "track " << n;
    EXPECT_GT(t.end, t.start);
    if (n > 1) {
      EXPECT_EQ(t.pregap_start, l.tracks[static_cast<std::size_t>(n - 2)].end);
    }
    // Every block of the track is of its class, the first and the last.
    for (std::int32_t lba : {t.start, t.start + 1, t.end - 1}) {
      const RawSector s = ReadRaw(*d, lba);
      const SectorCheck chk = CheckSector(s.main);
      if (c == 'A') {
        EXPECT_FALSE(chk.sync_ok) << "track " << n;
        continue;
      }
      EXPECT_TRUE(chk.Ok()) << "track " << n << " LBA " << lba;
      EXPECT_EQ(chk.mode, c == '1' ? 1 : 2);
      if (c != '1') {
        EXPECT_EQ(chk.form, c == 'F' ? 2 : 1);
      }
      ExpectSelfDescribing(s.main.data() + (c == '1' ? 16 : 24), lba);
    }
  }
  EXPECT_EQ(l.LeadoutStart(), l.tracks.back().end);
}

TEST(BuiltInDiscsTest, AudioSignalIsATone) {
  auto d = MakeAudioDisc();
  const TrackInfo& t1 = d->Layout().tracks[0];
  const RawSector s = ReadRaw(*d, t1.start + 10);
  // 441 Hz: 100 samples a cycle; sample n and n + 100 agree, and the tone is not silence.
  auto left = [&](std::size_t n) {
    return static_cast<std::int16_t>(s.main[4 * n] | s.main[4 * n + 1] << 8);
  };
  EXPECT_EQ(left(3), left(103));
  int peak = 0;
  for (std::size_t n = 0; n < 100; ++n) peak = std::max(peak, std::abs(left(n)));
  EXPECT_GT(peak, 8000);
  // Pregaps are silent.
  const TrackInfo& t2 = d->Layout().tracks[1];
  const RawSector gap = ReadRaw(*d, t2.pregap_start + 3);
  for (std::uint8_t b : gap.main) ASSERT_EQ(b, 0);
}

}  // namespace
}  // namespace tamarack::emu
