#include "emu/sub_q.h"

#include <gtest/gtest.h>

#include "emu/built_in_discs.h"
#include "emu/cd_text.h"
#include "emu/disc_region.h"
#include "emu/drive_harness.h"
#include "emu/subchannel.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack::emu {
namespace {

using testing::ReadRaw;

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
  ASSERT_EQ(tracks[1].start - tracks[1].pregap_start, 150);
  ASSERT_EQ(tracks[3].indexes.size(), 1u);
  const DiscLayout& l = multi->Layout();
  // The gap between the sessions: lead-out 6750, lead-in 4500, pregap 150 blocks.
  ASSERT_EQ(l.tracks[3].start - l.sessions[0].leadout_start, 6750 + 4500 + 150);
  const struct {
    const char* name;
    const Disc& disc;
    std::int32_t lba;
  } blocks[] = {{"type13", *type13, 0},
                {"type13", *type13, 4500},
                {"type13", *type13, -150},
                {"type13", *type13, -1},
                {"type13", *type13, 1000},
                {"type13", *type13, kType13Blocks},
                {"type13", *type13, kType13Blocks + 20},
                {"type13", *type13, kType13Blocks + 40},
                {"type13", *type13, kType13Blocks + 80},
                {"audio", *audio, tracks[1].pregap_start + 1},
                {"audio", *audio, tracks[1].start},
                {"audio", *audio, tracks[2].start + 5},
                {"audio", *audio, tracks[4].start + 5},
                {"audio", *audio, tracks[3].indexes[0].lba - 1},
                {"audio", *audio, tracks[3].indexes[0].lba},
                {"multisession", *multi, l.sessions[0].leadout_start + 10},
                {"multisession", *multi, l.tracks[3].pregap_start},
                {"multisession", *multi, l.tracks[3].start}};
  std::string text;
  const auto add = [&text](const char* name, const Disc& disc, std::int32_t lba) {
    const SubQ q = QOf(disc, lba);
    text += std::string(name) + " " + std::to_string(lba) + ": " + HexBytes(q) +
            (SubQCrcOk(q) ? "" : " (CRC bad)") + (POf(disc, lba) ? " P\n" : "\n");
  };
  for (const auto& b : blocks) add(b.name, b.disc, b.lba);
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

TEST(SubQTest, LeadOut) {
  auto disc = MakeType13Disc();
  RawSector s;
  std::string error;
  EXPECT_TRUE(disc->ReadSector(kType13Blocks + kFirstLeadoutBlocks - 1, &s, &error));
  EXPECT_FALSE(disc->ReadSector(kType13Blocks + kFirstLeadoutBlocks, &s, &error));
  EXPECT_NE(error.find("outside the disc"), std::string::npos) << error;
  EXPECT_FALSE(disc->ReadSector(-151, &s, &error));
}

TEST(CdTextTest, PacksOfTheAudioDisc) {
  auto audio = MakeAudioDisc();
  const auto& packs = audio->Layout().cd_text_packs;
  ASSERT_GE(packs.size(), 6u);
  // The texts show in the Toc views' golden files (decode/audio_cd_text.txt and the CLI's).
  for (std::size_t i = 0; i < packs.size(); ++i) {
    EXPECT_TRUE(CdTextPackCrcOk(packs[i])) << i;
    EXPECT_EQ(packs[i][2], i) << "sequence number";
  }
  EXPECT_EQ(packs.back()[0], kCdTextSizeInfo);
  CdTextPack broken = packs[0];
  broken[5] ^= 1;
  EXPECT_FALSE(CdTextPackCrcOk(broken));
  // The size information counts the packs of each type.
  const CdTextPack& size0 = packs[packs.size() - 3];
  int titles = 0, performers = 0;
  for (const auto& p : packs) {
    titles += p[0] == kCdTextTitle;
    performers += p[0] == kCdTextPerformer;
  }
  EXPECT_EQ(size0[4 + 1], 1);  // first track
  EXPECT_EQ(size0[4 + 2], 5);  // last track
  EXPECT_EQ(size0[4 + 4], titles);
  EXPECT_EQ(size0[4 + 5], performers);
}

}  // namespace
}  // namespace tamarack::emu
