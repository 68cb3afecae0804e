#include "emu/image_disc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "emu/built_in_discs.h"
#include "emu/cd_address.h"
#include "emu/drive_harness.h"
#include "emu/sector_encoder.h"
#include "emu/sub_q.h"
#include "emu/subchannel.h"
#include "emu/test_sector.h"
#include "golden.h"
#include "temp_dir.h"

namespace tamarack::emu {
namespace {

namespace fs = std::filesystem;

using tamarack::testing::TempDir;
using testing::RawBlocks;
using testing::ReadRaw;

// 2048-byte user blocks of type13 from `first` on.
std::vector<std::uint8_t> UserBlocks(std::int32_t first, std::int32_t blocks) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(blocks) * 2048);
  for (std::int32_t i = 0; i < blocks; ++i) {
    FillTestSector(first + i,
                   std::span<std::uint8_t>(out.data() + static_cast<std::size_t>(i) * 2048, 2048));
  }
  return out;
}

std::vector<std::uint8_t> Tone(std::size_t blocks, std::uint8_t fill) {
  return std::vector<std::uint8_t>(blocks * 2352, fill);
}

std::string OpenError(const std::string& path) {
  std::string error;
  auto disc = OpenImage(path, &error);
  EXPECT_EQ(disc, nullptr) << path;
  return error;
}

TEST(IsoImageTest, BlocksAreCompletedByTheEncoder) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  dir.Write("disc.iso", UserBlocks(0, 40));
  std::string error;
  auto disc = OpenImage(dir.File("disc.iso"), &error);
  ASSERT_NE(disc, nullptr) << error;
  const DiscLayout& l = disc->Layout();
  ASSERT_EQ(l.tracks.size(), 1u);
  EXPECT_EQ(l.LeadoutStart(), 40);
  EXPECT_EQ(l.tracks[0].mode, TrackMode::kMode1);
  // The same sectors as the built-in type13 disc, since the user data agree.
  auto t13 = MakeType13Disc();
  for (std::int32_t lba : {0, 16, 39}) {
    const RawSector a = ReadRaw(*disc, lba);
    EXPECT_TRUE(CheckSector(a.main).Ok());
    EXPECT_EQ(a.main, ReadRaw(*t13, lba).main) << lba;
    EXPECT_EQ(a.sub, ReadRaw(*t13, lba).sub) << lba;
  }
  // Pregap and lead-out are generated.
  EXPECT_TRUE(CheckSector(ReadRaw(*disc, -150).main).Ok());
  EXPECT_EQ(QFromRaw(ReadRaw(*disc, 45).sub)[1], kLeadoutTrack);
  RawSector s;
  EXPECT_FALSE(disc->ReadSector(40 + 6750, &s, &error));
}

TEST(IsoImageTest, BadIsoFiles) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::vector<std::uint8_t> odd(5000, 1);
  dir.Write("odd.iso", odd);
  EXPECT_NE(OpenError(dir.File("odd.iso")).find("odd.iso: 5000 bytes is not a whole number"),
            std::string::npos);
  dir.Write("empty.iso", std::vector<std::uint8_t>{});
  EXPECT_NE(OpenError(dir.File("empty.iso")).find("empty.iso"), std::string::npos);
  EXPECT_NE(OpenError(dir.File("missing.iso")).find("missing.iso: cannot open"), std::string::npos);
  EXPECT_NE(OpenError(dir.File("disc.img")).find("unknown image type"), std::string::npos);
  // A DVD-sized image (sparse) is refused, not cut short.
  dir.Write("big.iso", std::vector<std::uint8_t>{});
  fs::resize_file(dir.File("big.iso"), 2048ull * 443101);
  EXPECT_NE(OpenError(dir.File("big.iso")).find("big.iso: 443101 blocks are more than a CD holds"),
            std::string::npos);
}

TEST(CueImageTest, SeveralTracksAndFiles) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  fs::create_directory(dir.File("sub dir"));
  auto t13 = MakeType13Disc();
  // data.bin: 30 raw Mode 1 blocks (track 1). "sub dir/audio one.bin": 2 s of pregap and 20
  // blocks of track 2, 10 blocks of track 3 with an index 2.
  dir.Write("data.bin", RawBlocks(*t13, 0, 30));
  std::vector<std::uint8_t> audio = Tone(150, 0x00);
  const std::vector<std::uint8_t> t2 = Tone(20, 0x22);
  const std::vector<std::uint8_t> t3 = Tone(10, 0x33);
  audio.insert(audio.end(), t2.begin(), t2.end());
  audio.insert(audio.end(), t3.begin(), t3.end());
  dir.Write("sub dir/audio one.bin", audio);
  dir.Write("tail.bin", UserBlocks(1000, 5));
  dir.Write("disc.cue", tamarack::testing::ReadGoldenText("several_tracks.cue", "emu"));
  std::string error;
  auto disc = OpenImage(dir.File("disc.cue"), &error);
  ASSERT_NE(disc, nullptr) << error;
  const DiscLayout& l = disc->Layout();
  ASSERT_EQ(l.tracks.size(), 4u);
  EXPECT_EQ(l.mcn, "4912345678904");
  // Pregap, start and end of each track: track 3 ends after its 10-block postgap.
  const std::array<std::int32_t, 3> spans[] = {
      {-150, 0, 30}, {30, 180, 200}, {200, 200, 220}, {220, 370, 375}};
  for (std::size_t i = 0; i < 4; ++i) {
    const TrackInfo& t = l.tracks[i];
    EXPECT_EQ((std::array<std::int32_t, 3>{t.pregap_start, t.start, t.end}), spans[i]) << i;
  }
  EXPECT_EQ(l.tracks[1].control, kControlCopyPermitted | kControlPreEmphasis);
  EXPECT_EQ(l.tracks[1].isrc, "JPTMR2400002");
  ASSERT_EQ(l.tracks[2].indexes.size(), 1u);
  EXPECT_EQ(l.tracks[2].indexes[0].lba, 205);
  EXPECT_EQ(l.tracks[2].control, kControlFourChannel);
  EXPECT_EQ(l.LeadoutStart(), 375);
  EXPECT_EQ(l.sessions[0].last_track, 4);

  // Raw blocks come back as the file holds them.
  EXPECT_EQ(ReadRaw(*disc, 7).main, ReadRaw(*t13, 7).main);
  EXPECT_EQ(ReadRaw(*disc, 185).main[0], 0x22);
  EXPECT_EQ(ReadRaw(*disc, 209).main[100], 0x33);
  // Postgap and PREGAP blocks are generated: silence, then Mode 1 sectors of zeros.
  EXPECT_EQ(ReadRaw(*disc, 215).main[100], 0x00);
  const RawSector gap = ReadRaw(*disc, 300);
  EXPECT_TRUE(CheckSector(gap.main).Ok());
  EXPECT_EQ(gap.main[100], 0);
  // 2048-byte blocks are completed; their text gives LBA 1000's time, as written.
  const RawSector t4 = ReadRaw(*disc, 370);
  EXPECT_TRUE(CheckSector(t4.main).Ok());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(t4.main.data()) + 16 + 13, 9), "00m15s25f");
  const Msf m = LbaToMsf(370);
  EXPECT_EQ(t4.main[12], ToBcd(m.minutes));
  EXPECT_EQ(t4.main[14], ToBcd(m.frames));
  // Q follows the sheet: pregap of track 2, index 2 of track 3, flags, lead-out.
  SubQ q = QFromRaw(ReadRaw(*disc, 31).sub);
  EXPECT_EQ(q[1], 0x02);
  EXPECT_EQ(q[2], 0x00);
  EXPECT_EQ(q[0] >> 4, kControlCopyPermitted | kControlPreEmphasis);
  q = QFromRaw(ReadRaw(*disc, 206).sub);
  EXPECT_EQ(q[1], 0x03);
  EXPECT_EQ(q[2], 0x02);
  q = QFromRaw(ReadRaw(*disc, 375).sub);
  EXPECT_EQ(q[1], 0xAA);
  EXPECT_TRUE(SubQCrcOk(q));
}

TEST(CueImageTest, Mode2RawTrackIsXa) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  auto ms = MakeMultisessionDisc();
  const TrackInfo& data = ms->Layout().tracks[3];
  dir.Write("xa.bin", RawBlocks(*ms, data.start, 12));
  dir.Write("xa.cue", "FILE \"xa.bin\" BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n");
  std::string error;
  auto disc = OpenImage(dir.File("xa.cue"), &error);
  ASSERT_NE(disc, nullptr) << error;
  EXPECT_EQ(disc->Layout().sessions[0].disc_type, 0x20);
  EXPECT_EQ(disc->Layout().tracks[0].mode, TrackMode::kMode2Form1);
  // The file's own bytes, header address included: no repair.
  EXPECT_EQ(ReadRaw(*disc, 3).main, ReadRaw(*ms, data.start + 3).main);
}

TEST(CueImageTest, MalformedSheets) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  dir.Write("a.bin", Tone(300, 1));
  // Each case of the file: "== " and the error after "bad.cue:", then the sheet.
  const std::string cases = tamarack::testing::ReadGoldenFile("malformed_sheets.txt", "emu");
  int checked = 0;
  for (std::size_t at = cases.find("\n== "); at != std::string::npos;) {
    const std::size_t sheet = cases.find('\n', at + 1) + 1;
    const std::size_t next = cases.find("\n== ", sheet - 1);
    const std::string error = cases.substr(at + 4, sheet - 1 - (at + 4));
    dir.Write("bad.cue", cases.substr(sheet, next == std::string::npos ? next : next + 1 - sheet));
    EXPECT_NE(OpenError(dir.File("bad.cue")).find(dir.File("bad.cue") + ":" + error),
              std::string::npos)
        << "error " << error << ", got " << OpenError(dir.File("bad.cue"));
    ++checked;
    at = next;
  }
  EXPECT_EQ(checked, 21);
  dir.Write("bad.cue", "FILE missing.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  EXPECT_NE(OpenError(dir.File("bad.cue")).find(":1: " + dir.File("missing.bin") + ": cannot open"),
            std::string::npos);
  EXPECT_NE(OpenError(dir.File("none.cue")).find("none.cue: cannot open"), std::string::npos);
}

TEST(CueImageTest, TruncatedBin) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  dir.Write("t.bin", std::vector<std::uint8_t>(10 * 2352 - 100, 5));
  dir.Write("t.cue", "FILE t.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  const std::string error = OpenError(dir.File("t.cue"));
  EXPECT_NE(error.find(dir.File("t.cue") + ":2: t.bin is truncated"), std::string::npos) << error;

  // A file that shrinks after the image was opened gives a read error, not a crash.
  dir.Write("s.bin", Tone(10, 5));
  dir.Write("s.cue", "FILE s.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  std::string why;
  auto disc = OpenImage(dir.File("s.cue"), &why);
  ASSERT_NE(disc, nullptr) << why;
  fs::resize_file(dir.File("s.bin"), 2352 * 4);
  RawSector s;
  EXPECT_TRUE(disc->ReadSector(3, &s, &why)) << why;
  EXPECT_FALSE(disc->ReadSector(8, &s, &why));
  EXPECT_NE(why.find("s.bin"), std::string::npos) << why;
}

}  // namespace
}  // namespace tamarack::emu
