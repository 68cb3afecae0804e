#include "emu/image_disc.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "emu/built_in_discs.h"
#include "emu/drive_harness.h"
#include "emu/sector_encoder.h"
#include "emu/sub_q.h"
#include "emu/subchannel.h"
#include "emu/test_sector.h"
#include "golden.h"
#include "temp_dir.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack::emu {
namespace {

namespace fs = std::filesystem;

using ::testing::HasSubstr;
using testing::RawBlocks;
using testing::Read10Command;
using testing::ReadRaw;
using testing::RefusalOf;

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

using IsoImageTest = testing::ImageTest;
using CueImageTest = testing::ImageTest;

TEST_F(IsoImageTest, BlocksAreCompletedByTheEncoder) {
  dir.Write("disc.iso", UserBlocks(0, 40));
  const auto disc = testing::Opened(dir.File("disc.iso"));
  ASSERT_TRUE(disc);
  const DiscLayout& l = disc->Layout();
  ASSERT_EQ(l.tracks.size(), 1u);
  EXPECT_EQ(l.LeadoutStart(), 40);
  EXPECT_EQ(l.tracks[0].mode, TrackMode::kMode1);
  // The same sectors as the built-in type13 disc, since the user data agree.
  auto t13 = MakeType13Disc();
  for (std::int32_t lba : {0, 16, 39}) {
    const RawSector a = ReadRaw(*disc, lba);
    EXPECT_EQ(a.main, ReadRaw(*t13, lba).main) << lba;
    EXPECT_EQ(a.sub, ReadRaw(*t13, lba).sub) << lba;
  }
  // Pregap and lead-out are generated.
  EXPECT_TRUE(CheckSector(ReadRaw(*disc, -150).main).Ok());
  EXPECT_EQ(QFromRaw(ReadRaw(*disc, 45).sub)[1], kLeadoutTrack);
  RawSector s;
  std::string error;
  EXPECT_FALSE(disc->ReadSector(40 + 6750, &s, &error));
}

// An .iso read through the drive: the blocks go straight into the caller's buffer, a run at a
// time where the drive has no block faults, block by block where it has; either way the buffer
// holds the image's bytes and keeps its fill past them, and a file that shrank is a read error
// at the first block it lost.
TEST_F(IsoImageTest, ReadsThroughTheDriveGiveTheImagesBytes) {
  const std::vector<std::uint8_t> image = UserBlocks(0, 40);
  dir.Write("disc.iso", image);
  const std::string iso = "emu:" + dir.File("disc.iso") + "?speed=max";
  const struct {
    std::string id;
    Cdb cdb;
    std::size_t size;      // the caller's buffer
    std::ptrdiff_t bytes;  // of the reply, from block 3 on
  } reads[] = {
      {iso, Read10Command(3, 16), 16 * 2048, 16 * 2048},
      {iso, {0xBE, 0, 0, 0, 0, 3, 0, 0, 16, 0x10}, 20 * 2048, 16 * 2048},
      {iso + "&corrupt=39", Read10Command(3, 16), 16 * 2048, 16 * 2048},
      {iso + "&corrupt=39", {0xBE, 0, 0, 0, 0, 3, 0, 0, 16, 0x10}, 20 * 2048, 16 * 2048},
  };
  for (const auto& r : reads) {
    testing::DriveHarness h(r.id);
    const testing::Reply reply = h.In(r.cdb, r.size);
    ASSERT_TRUE(reply.good()) << r.id << " " << reply.status_line;
    EXPECT_EQ(reply.transferred, static_cast<std::uint32_t>(r.bytes)) << r.id;
    EXPECT_TRUE(
        std::equal(reply.data.begin(), reply.data.begin() + r.bytes, image.begin() + 3 * 2048))
        << r.id << " " << r.size;
    const auto rest = r.size - static_cast<std::size_t>(r.bytes);
    EXPECT_EQ(testing::DriveHarness::Runs(reply.data, static_cast<std::size_t>(r.bytes)),
              rest > 0 ? StrFormat(" 5a*%zu", rest) : "")
        << r.id;
  }

  testing::DriveHarness h(iso);
  fs::resize_file(dir.File("disc.iso"), 2048 * 10);
  const testing::Reply lost = h.In(Read10Command(3, 16), 16 * 2048);
  EXPECT_EQ(lost.status_line,
            "Error Notified( UNRECOVERED READ ERROR). Information 10 (0000000ah)");
  EXPECT_EQ(ReadBe32(lost.result.sense, 3), 10u);
  EXPECT_TRUE(
      std::equal(lost.data.begin(), lost.data.begin() + 7 * 2048, image.begin() + 3 * 2048));
}

TEST_F(IsoImageTest, BadIsoFiles) {
  // A DVD-sized image (sparse) is refused, not cut short.
  const struct {
    const char* name;
    std::uintmax_t size;
    const char* error;
  } isos[] = {{"odd.iso", 5000, "odd.iso: 5000 bytes is not a whole number"},
              {"empty.iso", 0, "empty.iso"},
              {"big.iso", 2048ull * 443101, "big.iso: 443101 blocks are more than a CD holds"}};
  for (const auto& iso : isos) {
    dir.Write(iso.name, std::vector<std::uint8_t>{});
    fs::resize_file(dir.File(iso.name), iso.size);
    EXPECT_THAT(RefusalOf(dir.File(iso.name)), HasSubstr(iso.error));
  }
  EXPECT_THAT(RefusalOf(dir.File("missing.iso")), HasSubstr("missing.iso: cannot open"));
  EXPECT_THAT(RefusalOf(dir.File("disc.img")), HasSubstr("unknown image type"));
}

TEST_F(CueImageTest, SeveralTracksAndFiles) {
  fs::create_directory(dir.File("sub dir"));
  auto t13 = MakeType13Disc();
  // data.bin: 30 raw Mode 1 blocks (track 1). "sub dir/audio one.bin": 2 s of pregap and 20
  // blocks of track 2, 10 blocks of track 3 with an index 2.
  dir.Write("data.bin", RawBlocks(*t13, 0, 30));
  std::vector<std::uint8_t> audio = Tone(150, 0x00);
  audio.resize(170 * 2352, 0x22);
  audio.resize(180 * 2352, 0x33);
  dir.Write("sub dir/audio one.bin", audio);
  dir.Write("tail.bin", UserBlocks(1000, 5));
  dir.Write("disc.cue", tamarack::testing::ReadGoldenText("several_tracks.cue", "emu"));
  const auto disc = testing::Opened(dir.File("disc.cue"));
  ASSERT_TRUE(disc);
  // The layout the sheet gives, then blocks of it as read, in several_tracks.txt: track 2's
  // pregap of 2 s, flags and ISRC, track 3's index 2 and its postgap of 10 blocks, track 4's
  // PREGAP; raw blocks as the files hold them, generated postgap (silence) and PREGAP (Mode 1
  // zeros) blocks, completed 2048-byte blocks (LBA 1000's address text, as written, but the
  // header of its place), Q following the sheet.
  std::string t = testing::LayoutText(disc->Layout());
  for (std::int32_t lba : {7, 31, 185, 206, 209, 215, 300, 370, 375}) {
    const RawSector s = ReadRaw(*disc, lba);
    const SubQ q = QFromRaw(s.sub);
    std::string text(reinterpret_cast<const char*>(s.main.data()) + 29, 9);
    for (char& c : text) c = std::isprint(static_cast<unsigned char>(c)) ? c : '.';
    t += StrFormat("block %d: ", lba) + HexBytes(std::span(s.main).first(16)) + "| " + text +
         StrFormat(" | byte 100 %02x | ", s.main[100]) +
         (CheckSector(s.main).Ok() ? "sector ok" : "no sector") + " | q " + HexBytes(q) +
         (SubQCrcOk(q) ? "\n" : " (CRC bad)\n");
  }
  tamarack::testing::ExpectGoldenFile("several_tracks.txt", t, "emu");
  EXPECT_EQ(ReadRaw(*disc, 7).main, ReadRaw(*t13, 7).main);
}

TEST_F(CueImageTest, Mode2RawTrackIsXa) {
  auto ms = MakeMultisessionDisc();
  const TrackInfo& data = ms->Layout().tracks[3];
  dir.Write("xa.bin", RawBlocks(*ms, data.start, 12));
  dir.Write("xa.cue", "FILE \"xa.bin\" BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n");
  const auto disc = testing::Opened(dir.File("xa.cue"));
  ASSERT_TRUE(disc);
  EXPECT_EQ(disc->Layout().sessions[0].disc_type, 0x20);
  EXPECT_EQ(disc->Layout().tracks[0].mode, TrackMode::kMode2Form1);
  // The file's own bytes, header address included: no repair.
  EXPECT_EQ(ReadRaw(*disc, 3).main, ReadRaw(*ms, data.start + 3).main);
}

TEST_F(CueImageTest, MalformedSheets) {
  dir.Write("a.bin", Tone(300, 1));
  const auto cases = testing::CasesOf("malformed_sheets.txt");
  EXPECT_EQ(cases.size(), 23u);
  for (const auto& [reason, sheet] : cases) {
    dir.Write("bad.cue", sheet);
    EXPECT_THAT(RefusalOf(dir.File("bad.cue")), HasSubstr(dir.File("bad.cue") + ":" + reason));
  }
  dir.Write("bad.cue", "FILE missing.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  EXPECT_THAT(RefusalOf(dir.File("bad.cue")),
              HasSubstr(":1: " + dir.File("missing.bin") + ": cannot open"));
  EXPECT_THAT(RefusalOf(dir.File("none.cue")), HasSubstr("none.cue: cannot open"));
}

TEST_F(CueImageTest, TruncatedBin) {
  dir.Write("t.bin", std::vector<std::uint8_t>(10 * 2352 - 100, 5));
  dir.Write("t.cue", "FILE t.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  EXPECT_THAT(RefusalOf(dir.File("t.cue")),
              HasSubstr(dir.File("t.cue") + ":2: t.bin is truncated"));

  // A file that shrinks after the image was opened gives a read error, not a crash.
  dir.Write("s.bin", Tone(10, 5));
  dir.Write("s.cue", "FILE s.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  const auto disc = testing::Opened(dir.File("s.cue"));
  ASSERT_TRUE(disc);
  fs::resize_file(dir.File("s.bin"), 2352 * 4);
  RawSector s;
  std::string why;
  EXPECT_TRUE(disc->ReadSector(3, &s, &why)) << why;
  EXPECT_FALSE(disc->ReadSector(8, &s, &why));
  EXPECT_THAT(why, HasSubstr("s.bin"));
}

}  // namespace
}  // namespace tamarack::emu
