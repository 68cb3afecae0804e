#include "emu/read_cd_fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "emu/built_in_discs.h"
#include "emu/sector_encoder.h"
#include "emu/subchannel.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack::emu {
namespace {

constexpr TrackMode kModes[] = {TrackMode::kAudio, TrackMode::kMode1, TrackMode::kMode2Formless,
                                TrackMode::kMode2Form1, TrackMode::kMode2Form2};
constexpr std::uint8_t kTypeOf[] = {kSectorTypeCdda, kSectorTypeMode1, kSectorTypeMode2Formless,
                                    kSectorTypeMode2Form1, kSectorTypeMode2Form2};

RawSector Encoded(TrackMode mode, std::int32_t lba) {
  RawSector s;
  for (std::size_t i = 0; i < s.main.size(); ++i) s.main[i] = static_cast<std::uint8_t>(i * 7 + 3);
  EncodeSector(mode, lba, XaSubHeader{0, 1, kSubmodeData, 0}, s.main);
  return s;
}

// MMC's Read CD table, in read_cd_bytes.txt: bytes per block for each main-channel selection
// (byte 9 bits 7-3) by sector type (CD-DA, Mode 1, Mode 2 formless, form 1, form 2; "-" an
// illegal combination). The error field and the sub-channel add their bytes to every legal
// one, whether the expected type is given or any, and assembly returns exactly that many.
TEST(ReadCdFieldsTest, ByteCountsOfEveryTypeAndSelection) {
  const std::uint8_t errors[] = {0x00, 0x02, 0x04};
  const std::size_t error_bytes[] = {0, 294, 296};
  const std::uint8_t subs[] = {0, 1, 2, 4};
  const std::size_t sub_bytes[] = {0, 96, 16, 96};
  std::string table;
  for (int flags = 0; flags < 0x100; flags += 8) {
    table += StrFormat("%02x", flags);
    for (std::size_t m = 0; m < 5; ++m) {
      std::size_t base = 0;
      const bool legal = ReadCdBlockSize({kSectorTypeAny, static_cast<std::uint8_t>(flags), 0},
                                         kModes[m], &base) == ReadCdStatus::kOk;
      table += legal ? StrFormat(" %4zu", base) : "    -";
      for (std::size_t e = 0; e < 3; ++e) {
        for (std::size_t k = 0; k < 4; ++k) {
          for (std::uint8_t expected : {kSectorTypeAny, kTypeOf[m]}) {
            const ReadCdSelection sel{expected, static_cast<std::uint8_t>(flags | errors[e]),
                                      subs[k]};
            std::size_t n = 12345;
            const ReadCdStatus st = ReadCdBlockSize(sel, kModes[m], &n);
            SCOPED_TRACE(::testing::Message() << "byte 9 " << std::hex << int{sel.main} << " sub "
                                              << int{sel.sub} << " type " << m);
            if (!legal) {
              EXPECT_EQ(st, ReadCdStatus::kInvalidField);
              continue;
            }
            ASSERT_EQ(st, ReadCdStatus::kOk);
            const std::size_t want = base + error_bytes[e] + sub_bytes[k];
            EXPECT_EQ(n, want);
            const RawSector s = Encoded(kModes[m], 20);
            std::vector<std::uint8_t> out(kMaxReadCdBlock, 0xEE);
            std::size_t got = 0;
            ASSERT_EQ(AssembleReadCdBlock(sel, kModes[m], s, out, &got), ReadCdStatus::kOk);
            EXPECT_EQ(got, want);
          }
        }
      }
    }
    table += "\n";
  }
  tamarack::testing::ExpectGoldenFile("read_cd_bytes.txt", table, "emu");
}

// Reserved error field, reserved bit, reserved sub-channel selections and sector types; the
// table's illegal combinations refused by the check alone, before any sector type is known,
// and before a mismatch; a block of another type than the expected one.
TEST(ReadCdFieldsTest, RefusedSelections) {
  std::size_t n = 0;
  const ReadCdSelection refused[] = {{0, 0x16, 0}, {0, 0x11, 0}, {0, 0x10, 3}, {0, 0x10, 5},
                                     {0, 0x10, 6}, {0, 0x10, 7}, {6, 0x10, 0}, {7, 0x10, 0}};
  for (const ReadCdSelection& sel : refused) {
    EXPECT_EQ(ReadCdBlockSize(sel, TrackMode::kMode1, &n), ReadCdStatus::kInvalidField)
        << int{sel.expected_type} << " " << int{sel.main} << " " << int{sel.sub};
  }
  EXPECT_EQ(ReadCdBlockSize({kSectorTypeMode1, 0x28, 0}, TrackMode::kAudio, &n),
            ReadCdStatus::kInvalidField);
  EXPECT_EQ(CheckReadCdSelection({0, 0x28, 0}), ReadCdStatus::kInvalidField);
  EXPECT_EQ(CheckReadCdSelection({0, 0xF8, 0}), ReadCdStatus::kOk);
  for (std::size_t m = 0; m < 5; ++m) {
    for (std::size_t other = 0; other < 5; ++other) {
      EXPECT_EQ(ReadCdBlockSize({kTypeOf[other], 0x10, 0}, kModes[m], &n),
                m == other ? ReadCdStatus::kOk : ReadCdStatus::kIllegalModeForTrack)
          << m << " read as " << other;
    }
  }
}

// Each field from its place: parts of the main channel, C2 flags then the block error byte
// (the OR of all flag bytes) and a pad byte; raw sub-channel, formatted Q (the Q record and
// four zeros), R-W (none recorded: zeros). Too small an output buffer is refused.
TEST(ReadCdFieldsTest, FieldsComeFromTheRightPlaces) {
  RawSector xa = Encoded(TrackMode::kMode2Form1, 1000);
  xa.c2[10] = 0x40;
  xa.c2[20] = 0x01;
  const auto disc = MakeType13Disc();
  RawSector t;
  std::string error;
  ASSERT_TRUE(disc->ReadSector(300, &t, &error));
  const SubQ q = BuildSubQ(disc->Layout(), 300);
  using Bytes = std::vector<std::uint8_t>;
  const auto part = [](const auto& from, std::size_t at, std::size_t n) {
    return Bytes(from.begin() + static_cast<std::ptrdiff_t>(at),
                 from.begin() + static_cast<std::ptrdiff_t>(at + n));
  };
  const auto cat = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const struct {
    ReadCdSelection sel;
    const RawSector& sector;
    TrackMode mode;
    Bytes want;
  } rows[] = {
      {{0, 0xF8, 0}, xa, TrackMode::kMode2Form1, part(xa.main, 0, 2352)},
      {{0, 0x50, 0}, xa, TrackMode::kMode2Form1, part(xa.main, 16, 2056)},
      {{0, 0xA0, 0}, xa, TrackMode::kMode2Form1, part(xa.main, 0, 16)},
      {{0, 0x08, 0}, xa, TrackMode::kMode2Form1, part(xa.main, 2072, 280)},
      {{0, 0x14, 0},
       xa,
       TrackMode::kMode2Form1,
       cat({part(xa.main, 24, 2048), part(xa.c2, 0, 294), {0x41, 0x00}})},
      {{0, 0x10, 1}, t, TrackMode::kMode1, cat({part(t.main, 16, 2048), part(t.sub, 0, 96)})},
      {{0, 0x10, 2}, t, TrackMode::kMode1, cat({part(t.main, 16, 2048), part(q, 0, 12), Bytes(4)})},
      {{0, 0x00, 4}, t, TrackMode::kMode1, Bytes(96)}};
  std::vector<std::uint8_t> out(kMaxReadCdBlock);
  std::size_t n = 0;
  for (const auto& r : rows) {
    ASSERT_EQ(AssembleReadCdBlock(r.sel, r.mode, r.sector, out, &n), ReadCdStatus::kOk);
    EXPECT_EQ(part(out, 0, n), r.want) << std::hex << int{r.sel.main} << " " << int{r.sel.sub};
  }
  std::vector<std::uint8_t> small(100);
  EXPECT_NE(AssembleReadCdBlock({0, 0xF8, 0}, TrackMode::kMode1, t, small, &n), ReadCdStatus::kOk);
}

TEST(ReadCdFieldsTest, Mode2TracksTellFormsApartByTheirBlocks) {
  const RawSector f2 = Encoded(TrackMode::kMode2Form2, 5);
  EXPECT_EQ(BlockMode(TrackMode::kMode2Form1, f2), TrackMode::kMode2Form2);
  const RawSector f1 = Encoded(TrackMode::kMode2Form1, 5);
  EXPECT_EQ(BlockMode(TrackMode::kMode2Form2, f1), TrackMode::kMode2Form1);
  const RawSector formless = Encoded(TrackMode::kMode2Formless, 5);
  EXPECT_EQ(BlockMode(TrackMode::kMode2Form1, formless), TrackMode::kMode2Formless);
  EXPECT_EQ(BlockMode(TrackMode::kMode1, f2), TrackMode::kMode1);
  std::vector<std::uint8_t> out(kMaxReadCdBlock);
  std::size_t n = 0;
  ASSERT_EQ(AssembleReadCdBlock({0, 0x10, 0}, TrackMode::kMode2Form1, f2, out, &n),
            ReadCdStatus::kOk);
  EXPECT_EQ(n, 2328u);
}

}  // namespace
}  // namespace tamarack::emu
