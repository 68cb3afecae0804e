// The virtual drive through a session: its scripts and replies in tests/data/emu, its fault
// plan, Read CD of no field, its timing model and Mode Sense(6); a recorded trace opened as a
// drive.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "device/command_monitor.h"  // MonitorStatusText
#include "emu/drive_harness.h"
#include "emu/fault_plan.h"
#include "emu/mode_pages.h"
#include "emu/read_cd_fields.h"
#include "emu/replay_drive.h"
#include "emu/speed_model.h"
#include "emu/virtual_drive.h"
#include "emu/virtual_drive_provider.h"
#include "golden.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

// The virtual drive against tests/data/emu: every script there (a .txt opening a drive: what it
// shows, its steps and what the drive did, replayed by ExpectScript) and every reply (a .hex
// naming its drive, "# drive ID", and command, "# cdb HEX", then the reply's bytes with
// comments saying what each part is).

// The names of the files of tests/data/emu ending in `ext` with a line starting with `mark`.
// Test discovery runs the program without TAMARACK_TEST_DATA: the folder of the build's sources
// stands in. (A suite of no files fails as GoogleTest's uninstantiated suite.)
std::vector<std::string> DataFiles(const std::string& ext, const std::string& mark) {
  const char* data = std::getenv("TAMARACK_TEST_DATA");
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& e : std::filesystem::directory_iterator(
           std::string(data ? data : TAMARACK_SOURCE_TEST_DATA) + "/emu", error)) {
    std::ifstream in(e.path());
    const std::string text = "\n" + std::string(std::istreambuf_iterator<char>(in), {});
    if (e.path().extension() == ext && text.find("\n" + mark) != std::string::npos) {
      names.push_back(e.path().stem().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Name(const ::testing::TestParamInfo<std::string>& p) { return p.param; }

class DriveScript : public ::testing::TestWithParam<std::string> {};

TEST_P(DriveScript, RepliesAsRecorded) { ExpectScript(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Emu, DriveScript, ::testing::ValuesIn(DataFiles(".txt", "drive ")), Name);

class DriveReply : public ::testing::TestWithParam<std::string> {};

TEST_P(DriveReply, IsTheHexBesideIt) {
  const std::string file = GetParam() + ".hex";
  std::istringstream golden(tamarack::testing::ReadGoldenFile(file, "emu"));
  std::string id, cdb;
  for (std::string line; std::getline(golden, line);) {
    if (line.starts_with("# drive ")) id = line.substr(8);
    if (line.starts_with("# cdb ")) cdb = line.substr(6);
  }
  ASSERT_FALSE(id.empty() || cdb.empty()) << file << " names no drive or no CDB";
  DriveHarness h(id);
  const Reply r = h.In(CdbOf(cdb), 0x2000);
  ASSERT_TRUE(r.good()) << r.status_line;
  std::string hex = "# drive " + id + "\n# cdb " + cdb + "\n";
  for (std::size_t i = 0; i < r.transferred; ++i) {
    hex += StrFormat("%02x", r.data[i]) + (i % 16 == 15 || i + 1 == r.transferred ? "\n" : " ");
  }
  // A new reply is written bare, for its comments to be added by hand.
  if (tamarack::testing::UpdateGoldenText(file, hex, "emu")) return;
  EXPECT_EQ(r.bytes(), tamarack::testing::ReadGoldenHex(file, "emu"));
}

INSTANTIATE_TEST_SUITE_P(Replies, DriveReply, ::testing::ValuesIn(DataFiles(".hex", "# drive ")),
                         Name);

// The fault plan of a virtual drive, observed through SendScsiCommand and the status texts.

std::vector<bool> FlakyPattern(const std::string& id) {
  DriveHarness h(id);
  std::vector<bool> failed;
  std::vector<std::uint8_t> buffer(2048);
  for (std::uint32_t lba = 100; lba < 300; ++lba) {
    failed.push_back(!SendScsiCommand(h.session, Read10Command(lba, 1), buffer));
  }
  return failed;
}

TEST(VirtualDriveFaults, FlakyBlocksAreRepeatablePerSeed) {
  const auto a = FlakyPattern("emu:type13?speed=max&flaky=100-199:0.5&seed=7");
  const auto b = FlakyPattern("emu:type13?speed=max&flaky=100-199:0.5&seed=7");
  const auto c = FlakyPattern("emu:type13?speed=max&flaky=100-199:0.5&seed=8");
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  const auto failures = std::count(a.begin(), a.begin() + 100, true);
  EXPECT_GT(failures, 25);
  EXPECT_LT(failures, 75);
  EXPECT_EQ(std::count(a.begin() + 100, a.end(), true), 0);  // outside the range
  const auto always = FlakyPattern("emu:type13?speed=max&flaky=150:1");
  EXPECT_TRUE(always[50]);
  EXPECT_EQ(std::count(always.begin(), always.end(), true), 1);
}

TEST(VirtualDriveFaults, CorruptedBytesAndTheirC2Bits) {
  DriveHarness h("emu:type13?speed=max&corrupt=300");
  const auto disc = MakeType13Disc();
  const RawSector clean = ReadRaw(*disc, 300);
  Reply r = h.In({0x28, 0, 0, 0, 0x01, 0x2C, 0, 0, 1}, 2048);
  ASSERT_TRUE(r.good());  // the data comes back, wrong, with good status
  for (std::size_t i = 0; i < 2048; ++i) {
    const bool flipped = i + 16 == kCorruptedByteOffset;
    EXPECT_EQ(r.data[i], flipped ? (clean.main[16 + i] ^ 0xFF) : clean.main[16 + i]) << i;
  }
  // Read CD with C2 error pointers (byte 9 = FAh): the bit of that byte is set, no other.
  r = h.In({0xBE, 0, 0, 0, 0x01, 0x2C, 0, 0, 1, 0xFA}, 2352 + 294);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.data[kCorruptedByteOffset], clean.main[kCorruptedByteOffset] ^ 0xFF);
  for (std::size_t i = 0; i < 294; ++i) {
    EXPECT_EQ(r.data[2352 + i], i == kCorruptedByteOffset / 8 ? 0x80 : 0x00) << i;
  }
  r = h.In({0xBE, 0, 0, 0, 0x01, 0x2D, 0, 0, 1, 0xFA}, 2352 + 294);
  for (std::size_t i = 0; i < 294; ++i) EXPECT_EQ(r.data[2352 + i], 0x00);
}

// A command outlasting its time-out is in fault_timeout.txt.

// Read CD and Read CD MSF selecting no field: long ranges cost no block building.

TEST(VirtualDriveReadCd, NoFieldSelectedBuildsNoBlocks) {
  auto built = std::make_shared<int>(0);
  DiscLayout layout;
  TrackInfo t;
  t.end = 300000;
  layout.tracks.push_back(t);
  layout.sessions.push_back(SessionInfo{1, 1, 1, 300000, 0x00});
  auto disc = std::make_unique<SyntheticDisc>(
      "counted", std::move(layout),
      [built](const TrackInfo&, std::int32_t, std::span<std::uint8_t>) { ++*built; });
  SimulatedClock clock;
  VirtualDrive drive("emu:counted", std::move(disc), clock, SpeedSetting{SpeedMode::kUnlimited, 0});
  drive.unit().unit_attention.reset();  // as an open does
  auto read_cd = [&](std::uint8_t type, std::uint8_t main, std::uint8_t end_msf_minutes) {
    std::vector<std::uint8_t> buffer(40960, 0x5A);
    const auto ty = static_cast<std::uint8_t>(type << 2);
    // Read CD MSF from 00:02:00 and Read CD of 299,999 blocks from LBA 0.
    return drive.Execute({end_msf_minutes ? Cdb{0xB9, ty, 0, 0, 2, 0, end_msf_minutes, 0, 0, main}
                                          : Cdb{0xBE, ty, 0, 0, 0, 0, 0x04, 0x93, 0xDF, main},
                          buffer, DataDirection::kIn});
  };
  for (std::uint8_t end : {std::uint8_t{0}, std::uint8_t{60}}) {
    *built = 0;
    ScsiResult r = read_cd(kSectorTypeAny, 0x00, end);
    EXPECT_EQ(r.scsi_status, 0) << int{end};
    EXPECT_EQ(r.transferred, 0u) << int{end};
    EXPECT_LE(*built, 2) << int{end};
  }
  // The first block still has to be of the expected type, and the range on the disc.
  EXPECT_EQ(MonitorStatusText(read_cd(kSectorTypeCdda, 0x00, 0)), "CHECK CONDITION 5/64/00");
  EXPECT_EQ(MonitorStatusText(read_cd(kSectorTypeAny, 0x00, 70)), "CHECK CONDITION 5/21/00");
  // With a field selected the blocks past the buffer are an overrun; where no block can fail,
  // one block stands for the rest of its track, so the work stays bounded.
  *built = 0;
  const ScsiResult r = read_cd(kSectorTypeAny, 0xF8, 0);
  EXPECT_EQ(r.status, TransportStatus::kTransportError);
  EXPECT_EQ(r.reason, "Transport failure: host adapter error (DID_ERROR)");
  EXPECT_LE(*built, 21);
}

// The timing model of the virtual drive; through the drive on a simulated clock it is in
// speed_model.txt.

TEST(SpeedModel, SeeksGrowWithDistanceSpeedsRoundDown) {
  const SpeedModel m(SpeedSetting{SpeedMode::kCav, 48});
  EXPECT_EQ(m.SeekTime(500, 500).count(), 0);
  EXPECT_LT(m.SeekTime(0, 1000), m.SeekTime(0, 100000));
  EXPECT_LT(m.SeekTime(0, 100000), m.SeekTime(0, 330000));
  EXPECT_EQ(m.SeekTime(0, 330000), m.SeekTime(330000, 0));
  EXPECT_GT(m.SpinUpTime(), std::chrono::milliseconds(500));
  SpeedModel slowest(SpeedSetting{SpeedMode::kCav, 48});
  slowest.SetReadSpeedKbps(0);
  EXPECT_EQ(slowest.Factor(), 1);
  EXPECT_EQ(KbpsToFactor(176), 1);
  EXPECT_EQ(KbpsToFactor(5648), 32);
}

// Mode Sense(6) as the kernel's sr driver asks it.

// The pages of Mode Sense(6) (`six`) or (10) of `page` with page control `pc`, DBD as given.
std::vector<std::uint8_t> Pages(DriveHarness& h, bool six, std::uint8_t page, int pc, bool dbd) {
  const std::uint8_t dbd_byte = dbd ? 0x08 : 0, pc_page = static_cast<std::uint8_t>(pc << 6 | page);
  const Reply r = six ? h.In({0x1A, dbd_byte, pc_page, 0, 0xFF}, 255)
                      : h.In({0x5A, dbd_byte, pc_page, 0, 0, 0, 0, 0x01, 0}, 256);
  EXPECT_TRUE(r.good()) << r.status_line;
  const auto b = r.bytes();
  EXPECT_TRUE(!six || r.transferred == std::size_t{r.data[0]} + 1);
  return std::vector<std::uint8_t>(b.begin() + (six ? 4 + b[3] : 8 + ReadBe16(b, 6)), b.end());
}

TEST(VirtualDriveModeSense6, GivesTheSamePagesAsModeSense10) {
  for (const char* id : {"emu:type30", "emu:audio?model=modern"}) {
    DriveHarness h(id);
    const Reply six = h.In({0x1A, 0, 0x3F, 0, 0xFF}, 255);
    const Reply ten = h.In({0x5A, 0, 0x3F, 0, 0, 0, 0, 0x01, 0}, 256);
    EXPECT_EQ(six.data[1], ten.data[2]);  // medium type
    EXPECT_EQ(six.data[3], ReadBe16(ten.data, 6)) << id;
    std::vector<std::uint8_t> pages = ModePages().Codes();
    pages.push_back(kAllPages);
    for (std::uint8_t page : pages) {
      for (int pc = 0; pc < 4; ++pc) {
        for (bool dbd : {false, true}) {
          EXPECT_EQ(Pages(h, true, page, pc, dbd), Pages(h, false, page, pc, dbd))
              << id << " page " << int{page} << " pc " << pc << " dbd " << dbd;
        }
      }
    }
  }
}

// A replayed trace's replies are in replay_order.txt; each command the trace lacks is noticed
// once (the notice's text is in the CLI's emu_cli_replay_missing).
TEST(ReplayDrive, EachCommandTheTraceLacksIsNoticed) {
  std::vector<TraceEntry> entries(1);
  entries[0].cdb = Cdb{0xd8, 0x01};
  entries[0].result.status = TransportStatus::kCompleted;
  std::vector<std::string> notices;
  ReplayDrive drive("emu:t.jsonl", std::make_shared<ReplayLog>(std::move(entries)),
                    [&](const std::string& m) { notices.push_back(m); });
  for (const Cdb& cdb : {Cdb{0xd8, 0x01}, Cdb{0xd8, 0x02}, Cdb{0x43}, Cdb{0xd9}}) {
    drive.Execute({cdb, {}, DataDirection::kIn});
  }
  EXPECT_EQ(notices.size(), 3u);
}

constexpr Cdb kInquiry{0x12, 0, 0, 0, 0xff};

TEST(ReplayDrive, TheProviderOpensATraceByPathOnce) {
  tamarack::testing::TempDir dir("tamarack-replay-");
  ASSERT_TRUE(dir.ok());
  dir.Write("t.jsonl",
            "{\"cdb\": \"12 00 00 00 ff\", \"outcome\": \"completed\", \"transferred\": 2, "
            "\"reply\": \"05 80\"}\n");
  dir.Write("bad.jsonl", "not json\n");
  SimulatedClock clock;
  VirtualDriveProvider provider(clock, {});
  const std::string id = "emu:" + dir.File("t.jsonl");
  OpenResult first = provider.Open(id);
  ASSERT_TRUE(first.transport) << first.error;
  // A second open shares the replay even when the file has gone.
  std::filesystem::remove(dir.File("t.jsonl"));
  OpenResult second = provider.Open(id);
  ASSERT_TRUE(second.transport) << second.error;
  std::vector<std::uint8_t> buffer(16);
  EXPECT_EQ(second.transport->Execute({kInquiry, buffer, DataDirection::kIn}).transferred, 2u);
  EXPECT_EQ(buffer[1], 0x80);

  EXPECT_FALSE(provider.Open(id + "?speed=max").transport);
  OpenResult bad = provider.Open("emu:" + dir.File("bad.jsonl"));
  EXPECT_FALSE(bad.transport);
  EXPECT_EQ(bad.error,
            dir.File("bad.jsonl") + " line 1: a line must be one JSON object (at column 1)");
}

}  // namespace
}  // namespace tamarack::emu::testing
