// The discs' content: sectors as the encoder writes them, the built-in discs' blocks, their Q
// sub-channel, and the fields of a Read CD block.
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "emu/built_in_discs.h"
#include "emu/disc_region.h"
#include "emu/drive_harness.h"
#include "emu/read_cd_fields.h"
#include "emu/sector_encoder.h"
#include "emu/sub_q.h"
#include "emu/subchannel.h"
#include "golden.h"
#include "util/edc.h"
#include "util/sector_check.h"
#include "util/strings.h"

namespace tamarack::emu {
namespace {

// A sector of `mode` at `lba` whose every byte the encoder does not write holds a pattern.
RawSector Encoded(TrackMode mode, std::int32_t lba) {
  RawSector s;
  for (std::size_t i = 0; i < s.main.size(); ++i) s.main[i] = static_cast<std::uint8_t>(i * 7 + 3);
  EncodeSector(mode, lba, XaSubHeader{0, 1, kSubmodeData, 0}, s.main);
  return s;
}

TEST(EdcTest, KnownValues) {
  // CRC-32/CD-ROM-EDC check value over the ASCII digits 1-9.
  const std::uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(ComputeEdc(digits), 0x6EC2EDC4u);
  EXPECT_EQ(ComputeEdc({}), 0u);
}

// The host's check of what a drive returned, against the drive's own encoder, each sector of
// host_edc_checks.txt (its mode, the block the host asked for while the sector is of 1234, a
// byte flipped and bytes zeroed from an offset, parity checked or not): every sector type, a
// flipped byte in each field (user data, the EDC, parity), another block's header, a zeroed
// tail, nothing sent; after "|" the sector's own check, its EDC and the P and Q code words that
// fail (a data byte lies in one of each). Mode 1 sectors (sync, header, the zeroed intermediate
// bytes) show byte for byte in reads_type13.txt; Mode 2 sectors (sub-header copies, form 2 EDC,
// form 1 ECC without the header) are checked byte for byte against vcdimager's in
// cross_check_test.cc.
TEST(SectorEncoderTest, TheHostsEdcCheckTellsEachWayASectorComesWrong) {
  tamarack::testing::ExpectEachInput("host_edc_checks.txt", "emu", [](const std::string& line) {
    std::istringstream in(line);
    std::string mode, ecc;
    std::int64_t lba = 0;
    std::size_t flip = 0, zero_from = 0;
    in >> mode >> lba >> flip >> zero_from >> ecc;
    const TrackMode m = mode == "mode1"   ? TrackMode::kMode1
                        : mode == "form1" ? TrackMode::kMode2Form1
                        : mode == "form2" ? TrackMode::kMode2Form2
                                          : TrackMode::kMode2Formless;
    auto s = Encoded(m, 1234).main;
    if (flip) s[flip] ^= 0x01;
    if (zero_from) std::fill(s.begin() + static_cast<std::ptrdiff_t>(zero_from), s.end(), 0);
    const std::string verdict(EdcVerdictText(VerifySectorEdc(s, lba, ecc == "ecc")));
    const SectorCheck c = CheckSector(s);
    if (!c.sync_ok) return verdict + " | no sync";
    return verdict + StrFormat(" | mode %d form %d, EDC %s, ECC %s, P %d Q %d", c.mode, c.form,
                               c.edc_ok ? "ok" : "bad", c.ecc_ok ? "ok" : "bad", c.bad_p, c.bad_q);
  });
}

// Audio has no sync, header or parity (formless Mode 2 none but its header: host_edc_checks.txt).
TEST(SectorEncoderTest, AudioIsLeftAsItIs) {
  std::array<std::uint8_t, kRawSectorSize> audio{};
  audio.fill(0x33);
  EncodeSector(TrackMode::kAudio, 3, {}, audio);
  EXPECT_TRUE(std::all_of(audio.begin(), audio.end(), [](std::uint8_t b) { return b == 0x33; }));
  EXPECT_FALSE(CheckSector(audio).sync_ok);
}

using testing::ReadRaw;

// Block `lba` of `d`: its track (0 for the lead-out) and sector check; for a data block the
// address text and whether the test sector's checksum holds, for an audio block silence or the
// tone's peak over a cycle of 100 samples (441 Hz) and samples 3 and 103 of its left channel.
std::string BlockText(const Disc& d, std::int32_t lba) {
  RawSector s;
  std::string error;
  const TrackInfo* t = d.Layout().TrackAt(lba);
  std::string out = StrFormat("%d: track %d, ", lba, t ? t->number : 0);
  if (!d.ReadSector(lba, &s, &error)) return out + error + "\n";
  const SectorCheck c = CheckSector(s.main);
  if (!c.sync_ok) {
    if (std::all_of(s.main.begin(), s.main.end(), [](std::uint8_t b) { return b == 0; }))
      return out + "no sync, silence\n";
    const auto left = [&](std::size_t n) {
      return static_cast<std::int16_t>(s.main[4 * n] | s.main[4 * n + 1] << 8);
    };
    int peak = 0;
    for (std::size_t n = 0; n < 100; ++n) peak = std::max(peak, std::abs(left(n)));
    return out + StrFormat("no sync, peak %d, samples %d %d\n", peak, left(3), left(103));
  }
  const std::uint8_t* user = s.main.data() + (c.mode == 1 ? 16 : 24);
  std::uint32_t sum = 0;
  for (int i = 0; i < 2046; i += 2) sum += static_cast<std::uint32_t>(user[i] | user[i + 1] << 8);
  return out + StrFormat("mode %d%s%s, \"%s\", checksum %s\n", c.mode,
                         c.mode == 2 ? StrFormat(" form %d", c.form).c_str() : "",
                         c.Ok() ? "" : " (EDC/ECC bad)",
                         std::string(reinterpret_cast<const char*>(user) + 13, 9).c_str(),
                         (sum & 0xFFFF) == static_cast<std::uint32_t>(user[2046] | user[2047] << 8)
                             ? "ok"
                             : "bad");
}

// The built-in discs' blocks, in built_in_blocks.txt (raw reads of type13's blocks, header,
// EDC and ECC, are in reads_type13.txt): type13's from the first pregap block to the last
// lead-out block, not past them; type30's layout, then the first, second and last block of each
// track, each of its track's class (Mode 1, form 1, form 2, audio); the audio disc's tone and
// a silent pregap.
TEST(BuiltInDiscsTest, BlocksOfEachDisc) {
  auto type13 = MakeType13Disc();
  auto type30 = MakeType30Disc();
  auto audio = MakeAudioDisc();
  std::string t = "type13\n";
  for (std::int32_t lba :
       {-151, -150, 0, 16, 4499, 100000, kType13Blocks - 1, kType13Blocks,
        kType13Blocks + kFirstLeadoutBlocks - 1, kType13Blocks + kFirstLeadoutBlocks}) {
    t += BlockText(*type13, lba);
  }
  t += "type30\n" + testing::LayoutText(type30->Layout());
  for (const TrackInfo& k : type30->Layout().tracks) {
    for (std::int32_t lba : {k.start, k.start + 1, k.end - 1}) t += BlockText(*type30, lba);
  }
  t += "audio\n" + BlockText(*audio, audio->Layout().tracks[0].start + 10) +
       BlockText(*audio, audio->Layout().tracks[1].pregap_start + 3);
  tamarack::testing::ExpectGoldenFile("built_in_blocks.txt", t, "emu");
}

SubQ QOf(const Disc& disc, std::int32_t lba) { return QFromRaw(ReadRaw(disc, lba).sub); }

bool POf(const Disc& disc, std::int32_t lba) {
  const RawSector s = ReadRaw(disc, lba);
  for (std::uint8_t b : s.sub) {
    if ((b & 0x80) != (s.sub[0] & 0x80)) ADD_FAILURE() << "P varies inside block " << lba;
  }
  return s.sub[0] & 0x80;
}

// The Q record (whether its CRC holds) and the P flag of blocks, in sub_q_blocks.txt: type13's
// track start, one minute in, its pregap counting down with P set; the audio disc's track 2
// pregap before index 1, its copy bit, pre-emphasis, index 2 of track 4 (relative time goes
// on from index 1); the lead-out (track AAh from 74:02:00, P blinking at 2 Hz); the gap
// between the sessions (the first session's lead-out, track 4's pregap) and the second
// session's lead-in.
TEST(SubQTest, BlocksOfTrackStartsPregapsIndexesAndLeadOuts) {
  auto type13 = MakeType13Disc();
  auto audio = MakeAudioDisc();
  auto multi = MakeMultisessionDisc();
  const auto& tracks = audio->Layout().tracks;
  ASSERT_EQ(tracks.size(), 5u);
  ASSERT_EQ(tracks[3].indexes.size(), 1u);
  const DiscLayout& l = multi->Layout();
  std::string text;
  const auto add = [&text](const char* name, const Disc& disc, std::int32_t lba) {
    const SubQ q = QOf(disc, lba);
    text += std::string(name) + " " + std::to_string(lba) + ": " + HexBytes(q) +
            (SubQCrcOk(q) ? "" : " (CRC bad)") + (POf(disc, lba) ? " P\n" : "\n");
  };
  const std::int32_t end = kType13Blocks, index2 = tracks[3].indexes[0].lba;
  for (std::int32_t lba : {0, 4500, -150, -1, 1000, end, end + 20, end + 40, end + 80}) {
    add("type13", *type13, lba);
  }
  for (std::int32_t lba : {tracks[1].pregap_start + 1, tracks[1].start, tracks[2].start + 5,
                           tracks[4].start + 5, index2 - 1, index2}) {
    add("audio", *audio, lba);
  }
  for (std::int32_t lba :
       {l.sessions[0].leadout_start + 10, l.tracks[3].pregap_start, l.tracks[3].start}) {
    add("multisession", *multi, lba);
  }
  // Of 300 blocks of the audio disc's track 1 and 200 of type13, those whose Q is no position
  // record of the track, or whose CRC fails: the MCN (4912345678904) and the ISRC
  // (JPTMR2400001) once every hundred blocks on the audio disc, none on type13.
  const auto others = [&](const char* name, const Disc& disc, std::int32_t from, int count,
                          std::uint8_t position) {
    for (std::int32_t lba = from; lba < from + count; ++lba) {
      const SubQ q = QOf(disc, lba);
      if (q[0] != position || !SubQCrcOk(q)) add(name, disc, lba);
    }
  };
  others("audio", *audio, tracks[0].start + 1000, 300, 0x21);
  others("type13", *type13, 0, 200, 0x41);
  // The second session's lead-in: its TOC items (A0 with the first track and the XA disc
  // type, A1, A2, track 4), track 00.
  for (std::int32_t lba = LeadinStart(l, 1); lba < LeadinStart(l, 1) + 12; ++lba) {
    add("multisession lead-in", *multi, lba);
  }
  tamarack::testing::ExpectGoldenFile("sub_q_blocks.txt", text, "emu");
}

constexpr TrackMode kModes[] = {TrackMode::kAudio, TrackMode::kMode1, TrackMode::kMode2Formless,
                                TrackMode::kMode2Form1, TrackMode::kMode2Form2};
constexpr std::uint8_t kTypeOf[] = {kSectorTypeCdda, kSectorTypeMode1, kSectorTypeMode2Formless,
                                    kSectorTypeMode2Form1, kSectorTypeMode2Form2};

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

// Each selection of read_cd_selections.txt (expected sector type, byte 9 and sub-channel in hex,
// then the track's mode, or "-" for the check alone, before any sector type is known), and what
// comes of it (ok, 5/24/00 or 5/64/00): reserved error field, reserved bit, reserved
// sub-channel selections and sector types; the table's illegal combinations refused by the
// check alone, and before a mismatch; a block of each type read as each expected one.
TEST(ReadCdFieldsTest, RefusedSelections) {
  tamarack::testing::ExpectEachInput("read_cd_selections.txt", "emu", [](const std::string& line) {
    std::istringstream in(line);
    unsigned type = 0, main = 0, sub = 0;
    std::string mode;
    in >> std::hex >> type >> main >> sub >> mode;
    const ReadCdSelection sel{static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(main),
                              static_cast<std::uint8_t>(sub)};
    std::size_t n = 0;
    const ReadCdStatus st = mode == "-"
                                ? CheckReadCdSelection(sel)
                                : ReadCdBlockSize(sel, static_cast<TrackMode>(std::stoi(mode)), &n);
    return st == ReadCdStatus::kOk             ? "ok"
           : st == ReadCdStatus::kInvalidField ? "5/24/00"
                                               : "5/64/00";
  });
}

// Each field from its place: parts of the main channel, C2 flags then the block error byte
// (the OR of all flag bytes) and a pad byte; raw sub-channel, formatted Q (the Q record and
// four zeros), R-W (none recorded: zeros). Too small an output buffer is refused.
TEST(ReadCdFieldsTest, FieldsComeFromTheRightPlaces) {
  RawSector xa = Encoded(TrackMode::kMode2Form1, 1000);
  xa.c2[10] = 0x40;
  xa.c2[20] = 0x01;
  const auto disc = MakeType13Disc();
  const RawSector t = ReadRaw(*disc, 300);
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

// A Mode 2 track's block is of the form its sub-header says; a Mode 1 track's is Mode 1.
TEST(ReadCdFieldsTest, Mode2TracksTellFormsApartByTheirBlocks) {
  using enum TrackMode;
  const TrackMode cases[][3] = {{kMode2Form1, kMode2Form2, kMode2Form2},
                                {kMode2Form2, kMode2Form1, kMode2Form1},
                                {kMode2Form1, kMode2Formless, kMode2Formless},
                                {kMode1, kMode2Form2, kMode1}};  // track, block, read as
  for (const auto& [track, block, read_as] : cases) {
    EXPECT_EQ(BlockMode(track, Encoded(block, 5)), read_as) << static_cast<int>(block);
  }
  std::vector<std::uint8_t> out(kMaxReadCdBlock);
  std::size_t n = 0;
  ASSERT_EQ(AssembleReadCdBlock({0, 0x10, 0}, kMode2Form1, Encoded(kMode2Form2, 5), out, &n),
            ReadCdStatus::kOk);
  EXPECT_EQ(n, 2328u);
}

}  // namespace
}  // namespace tamarack::emu
