#include "emu/sector_encoder.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "emu/ecc.h"
#include "emu/edc.h"
#include "emu/test_sector.h"

namespace tamarack::emu {
namespace {

std::array<std::uint8_t, kRawSectorSize> Encoded(TrackMode mode, std::int32_t lba) {
  std::array<std::uint8_t, kRawSectorSize> s{};
  FillPattern(static_cast<std::uint64_t>(lba) + 7,
              std::span<std::uint8_t>(s.data() + UserDataOffset(mode), UserDataSize(mode)));
  EncodeSector(mode, lba, XaSubHeader{1, 2, kSubmodeData, 0}, s);
  return s;
}

TEST(EdcTest, KnownValues) {
  // CRC-32/CD-ROM-EDC check value over the ASCII digits 1-9.
  const std::uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(ComputeEdc(digits), 0x6EC2EDC4u);
  EXPECT_EQ(ComputeEdc({}), 0u);
}

TEST(SectorEncoderTest, Mode1Fields) {
  const auto s = Encoded(TrackMode::kMode1, 0);
  // Sync, then the header: LBA 0 is 00:02:00, mode 1.
  EXPECT_EQ(std::vector<std::uint8_t>(s.begin(), s.begin() + 16),
            (std::vector<std::uint8_t>{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0, 0, 2, 0, 1}));
  for (std::size_t i = 2068; i < 2076; ++i) EXPECT_EQ(s[i], 0) << i;
  const SectorCheck c = CheckSector(s);
  EXPECT_TRUE(c.Ok());
  EXPECT_EQ(c.mode, 1);
}

TEST(SectorEncoderTest, XaForm1AndForm2) {
  const auto f1 = Encoded(TrackMode::kMode2Form1, 100);
  EXPECT_EQ(f1[15], 0x02);
  EXPECT_EQ(f1[16], 1);
  EXPECT_EQ(f1[17], 2);
  EXPECT_EQ(f1[18], kSubmodeData);
  EXPECT_TRUE(std::equal(f1.begin() + 16, f1.begin() + 20, f1.begin() + 20));
  SectorCheck c = CheckSector(f1);
  EXPECT_TRUE(c.Ok());
  EXPECT_EQ(c.form, 1);

  const auto f2 = Encoded(TrackMode::kMode2Form2, 100);
  EXPECT_EQ(f2[18] & kSubmodeForm2, kSubmodeForm2);
  c = CheckSector(f2);
  EXPECT_TRUE(c.Ok());
  EXPECT_EQ(c.form, 2);
  // Form 2 carries its EDC (optional, present here) over sub-header and data.
  const std::uint32_t edc = ComputeEdc(std::span<const std::uint8_t>(f2.data() + 16, 2332));
  EXPECT_EQ(f2[2348], edc & 0xFF);
  EXPECT_EQ(f2[2351], edc >> 24);
}

TEST(SectorEncoderTest, XaEccIgnoresTheHeader) {
  // The same data at two addresses: Mode 2 form 1 parity is equal, Mode 1 parity differs.
  const auto a = Encoded(TrackMode::kMode2Form1, 16);
  auto b = a;
  EncodeSector(TrackMode::kMode2Form1, 5000, XaSubHeader{1, 2, kSubmodeData, 0}, b);
  EXPECT_NE(a[13], b[13]);
  EXPECT_TRUE(std::equal(a.begin() + 2076, a.end(), b.begin() + 2076));
  auto m1 = Encoded(TrackMode::kMode1, 16);
  auto m2 = m1;
  EncodeSector(TrackMode::kMode1, 5000, {}, m2);
  EXPECT_FALSE(std::equal(m1.begin() + 2076, m1.end(), m2.begin() + 2076));
}

TEST(SectorEncoderTest, AFlippedByteShowsInEdcAndSyndromes) {
  for (TrackMode mode : {TrackMode::kMode1, TrackMode::kMode2Form1}) {
    for (std::size_t at : {std::size_t{30}, std::size_t{100}, std::size_t{2047}, std::size_t{2070},
                           std::size_t{2100}, std::size_t{2351}}) {
      auto s = Encoded(mode, 1234);
      ASSERT_TRUE(CheckSector(s).Ok());
      s[at] ^= 0x5A;
      const SectorCheck c = CheckSector(s);
      EXPECT_FALSE(c.Ok()) << "offset " << at;
      EXPECT_FALSE(c.ecc_ok) << "offset " << at;
      if (at < 2064) {
        EXPECT_FALSE(c.edc_ok) << "offset " << at;
        // A data byte lies in one P and one Q code word.
        EXPECT_EQ(c.bad_p, 1) << "offset " << at;
        EXPECT_EQ(c.bad_q, 1) << "offset " << at;
      }
    }
  }
  auto f2 = Encoded(TrackMode::kMode2Form2, 9);
  f2[500] ^= 1;
  EXPECT_FALSE(CheckSector(f2).edc_ok);
}

TEST(SectorEncoderTest, FormlessAndAudioHaveNoParity) {
  auto s = Encoded(TrackMode::kMode2Formless, 3);
  EXPECT_EQ(s[15], 2);
  EXPECT_TRUE(CheckSector(s).Ok());
  std::array<std::uint8_t, kRawSectorSize> audio{};
  audio.fill(0x33);
  EncodeSector(TrackMode::kAudio, 3, {}, audio);
  EXPECT_TRUE(std::all_of(audio.begin(), audio.end(), [](std::uint8_t b) { return b == 0x33; }));
  EXPECT_FALSE(CheckSector(audio).sync_ok);
}

}  // namespace
}  // namespace tamarack::emu
