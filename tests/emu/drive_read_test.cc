// Reading commands of the virtual drive: capacity, Read(10), Read(12), Read CD, Read CD MSF,
// Read Sub-Channel, Seek, and audio play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "emu/drive_harness.h"
#include "emu/read_cd_fields.h"
#include "emu/virtual_drive.h"

namespace tamarack::emu::testing {
namespace {

Reply Read10(DriveHarness& h, std::uint32_t lba, std::uint16_t count, std::size_t size) {
  return h.In(Read10Command(lba, count), size);
}

Reply ReadCd(DriveHarness& h, std::uint32_t lba, std::uint32_t count, std::uint8_t type,
             std::uint8_t main, std::uint8_t sub = 0, std::size_t size = 0) {
  if (size == 0) size = std::size_t{count} * kMaxReadCdBlock + 64;
  return h.In(ReadCdCommand(lba, count, main, sub, type), size);
}

TEST(VirtualDriveCapacity, LastBlockAndBlockLength) {
  for (const auto& [id, last] :
       {std::pair<const char*, std::uint32_t>{"emu:type13?speed=max", 332999},
        {"emu:audio?speed=max", 30599},
        {"emu:multisession?speed=max", 3 * 3375 + 300 + 6750 + 4500 + 150 + 6000 - 1}}) {
    DriveHarness h(id);
    const Reply r = h.In({0x25}, 8);
    ASSERT_TRUE(r.good()) << id;
    EXPECT_EQ(Be32(r.data, 0), last) << id;
    EXPECT_EQ(Be32(r.data, 4), 2048u);
  }
  DriveHarness h;
  EXPECT_SENSE(h.In({0x25, 0, 0, 0, 0, 1}, 8), 0x5, 0x24, 0x00);  // address without PMI
  EXPECT_TRUE(h.In({0x25, 0, 0, 0, 0, 1, 0, 0, 1}, 8).good());
}

TEST(VirtualDriveRead, Read10ReturnsMode1UserData) {
  DriveHarness h;
  const auto disc = MakeType13Disc();
  const Reply r = Read10(h, 16, 2, 2 * 2048 + 100);
  ASSERT_TRUE(r.good()) << r.status_line;
  ASSERT_EQ(r.transferred, 4096u);
  for (int b = 0; b < 2; ++b) {
    const RawSector s = ReadRaw(*disc, 16 + b);
    EXPECT_EQ(std::memcmp(r.data.data() + b * 2048, s.main.data() + 16, 2048), 0) << b;
  }
  EXPECT_EQ(r.data[4096], 0x5A);
  // The address text of the test-sector layout: LBA 16 + 150 = 00:02:16.
  EXPECT_EQ(std::string(r.data.begin() + 13, r.data.begin() + 22), "00m02s16f");
}

TEST(VirtualDriveRead, Read12AndTheBlockRange) {
  DriveHarness h;
  Reply r = h.In({0xA8, 0, 0, 0x05, 0x14, 0x5E, 0, 0, 0, 3}, 3 * 2048);  // LBA 332894
  ASSERT_TRUE(r.good()) << r.status_line;
  EXPECT_EQ(r.transferred, 3u * 2048);
  EXPECT_SENSE(Read10(h, 333000, 1, 2048), 0x5, 0x21, 0x00);
  EXPECT_EQ(Read10(h, 332999, 2, 4096).status_line,
            "Error Notified( LOGICAL BLOCK ADDRESS OUT OF RANGE).");
  r = Read10(h, 332999, 1, 2048);
  EXPECT_TRUE(r.good());
  r = Read10(h, 500000, 0, 2048);  // nothing to transfer is no error
  EXPECT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 0u);
  EXPECT_SENSE(h.In({0x28, 0x01, 0, 0, 0, 0, 0, 0, 1}, 2048), 0x5, 0x24, 0x00);  // RelAdr
  // A buffer smaller than the transfer holds what fits.
  r = Read10(h, 0, 4, 3000);
  EXPECT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 3000u);
}

TEST(VirtualDriveRead, Read10RefusesAudioAndForm2) {
  DriveHarness audio("emu:audio?speed=max");
  const Reply r = Read10(audio, 100, 1, 2048);
  EXPECT_SENSE(r, 0x5, 0x64, 0x00);
  EXPECT_EQ(r.status_line, "Error Notified( ILLEGAL MODE FOR THIS TRACK).");
  DriveHarness t30("emu:type30?speed=max");
  const auto disc = MakeType30Disc();
  const DiscLayout& l = disc->Layout();
  // Track 2 is XA form 1: user data from byte 24.
  const Reply form1 = Read10(t30, static_cast<std::uint32_t>(l.tracks[1].start), 1, 2048);
  ASSERT_TRUE(form1.good()) << form1.status_line;
  const RawSector s = ReadRaw(*disc, l.tracks[1].start);
  EXPECT_EQ(std::memcmp(form1.data.data(), s.main.data() + 24, 2048), 0);
  EXPECT_SENSE(Read10(t30, static_cast<std::uint32_t>(l.tracks[11].start), 1, 2048), 0x5, 0x64,
               0x00);  // track 12: form 2
  EXPECT_SENSE(Read10(t30, static_cast<std::uint32_t>(l.tracks[3].start), 1, 2048), 0x5, 0x64,
               0x00);  // track 4: audio
}

// The byte counts of every selection are ReadCdFieldsTest's; here the drive finds each disc's
// blocks and their sector types.
TEST(VirtualDriveReadCd, EveryDiscClassThroughTheDrive) {
  DriveHarness t13;
  auto disc = MakeType13Disc();
  Reply r = ReadCd(t13, 1000, 2, kSectorTypeAny, 0xF8);
  ASSERT_TRUE(r.good()) << r.status_line;
  ASSERT_EQ(r.transferred, 2u * 2352);
  EXPECT_EQ(std::memcmp(r.data.data(), ReadRaw(*disc, 1000).main.data(), 2352), 0);
  EXPECT_EQ(std::memcmp(r.data.data() + 2352, ReadRaw(*disc, 1001).main.data(), 2352), 0);
  // With C2 pointers and formatted Q: 2352 + 294 + 16.
  EXPECT_EQ(ReadCd(t13, 1000, 1, kSectorTypeAny, 0xFA, 0x02).transferred, 2352u + 294 + 16);

  DriveHarness audio("emu:audio?speed=max");
  r = ReadCd(audio, 200, 3, kSectorTypeCdda, 0x10);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 3u * 2352);
  EXPECT_SENSE(ReadCd(audio, 200, 1, kSectorTypeMode1, 0x10), 0x5, 0x64, 0x00);

  DriveHarness t30("emu:type30?speed=max");
  disc = MakeType30Disc();
  const DiscLayout& l = disc->Layout();
  const auto start = [&](int track) {
    return static_cast<std::uint32_t>(l.tracks[static_cast<std::size_t>(track - 1)].start);
  };
  EXPECT_EQ(ReadCd(t30, start(12), 1, kSectorTypeAny, 0x10).transferred, 2328u);  // form 2
  EXPECT_EQ(ReadCd(t30, start(2), 1, kSectorTypeAny, 0x40).transferred, 8u);      // form 1
  EXPECT_EQ(ReadCd(t30, start(4), 1, kSectorTypeCdda, 0xF8).transferred, 2352u);  // audio

  DriveHarness ms("emu:multisession?speed=max");
  const auto md = MakeMultisessionDisc();
  const std::uint32_t data_start = static_cast<std::uint32_t>(md->Layout().tracks[3].start);
  r = ReadCd(ms, data_start, 1, kSectorTypeMode2Form1, 0x10);
  ASSERT_TRUE(r.good()) << r.status_line;
  EXPECT_EQ(r.transferred, 2048u);
  // Blocks between the sessions belong to no track.
  EXPECT_SENSE(ReadCd(ms, data_start - 200, 1, kSectorTypeAny, 0x10), 0x5, 0x21, 0x00);
}

TEST(VirtualDriveReadCd, FieldsLengthZeroAndIllegalSelections) {
  DriveHarness h;
  Reply r = ReadCd(h, 0, 0, kSectorTypeAny, 0xF8);
  EXPECT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 0u);
  EXPECT_SENSE(ReadCd(h, 0, 1, kSectorTypeAny, 0xF8, 0x03), 0x5, 0x24, 0x00);  // reserved sub
  EXPECT_SENSE(ReadCd(h, 0, 1, 6, 0xF8), 0x5, 0x24, 0x00);                     // reserved type
  EXPECT_SENSE(ReadCd(h, 333000, 1, kSectorTypeAny, 0xF8), 0x5, 0x21, 0x00);
  // A small buffer takes what fits.
  r = ReadCd(h, 0, 10, kSectorTypeAny, 0xF8, 0, 5000);
  EXPECT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 5000u);
}

// A selection that returns nothing costs what its reply costs: the drive does not build the
// blocks of the range (a whole disc of them took seconds) yet still checks the range and the
// first block's type.
TEST(VirtualDriveReadCd, NoFieldSelectedBuildsNoBlocks) {
  auto built = std::make_shared<int>(0);
  DiscLayout layout;
  TrackInfo t;
  t.start = 0;
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
    ScsiRequest request;
    // Read CD MSF from 00:02:00 and Read CD of 299,999 blocks from LBA 0.
    request.cdb =
        end_msf_minutes
            ? Cdb{0xB9, static_cast<std::uint8_t>(type << 2), 0, 0, 2, 0, end_msf_minutes, 0, 0,
                  main}
            : Cdb{0xBE, static_cast<std::uint8_t>(type << 2), 0, 0, 0, 0, 0x04, 0x93, 0xDF, main};
    request.buffer = buffer;
    request.direction = DataDirection::kIn;
    return drive.Execute(request);
  };
  for (std::uint8_t end : {std::uint8_t{0}, std::uint8_t{60}}) {
    *built = 0;
    ScsiResult r = read_cd(kSectorTypeAny, 0x00, end);
    EXPECT_EQ(r.scsi_status, 0) << int{end};
    EXPECT_EQ(r.transferred, 0u) << int{end};
    EXPECT_LE(*built, 2) << int{end};
  }
  // The first block still has to be of the expected type, and the range on the disc.
  ScsiResult r = read_cd(kSectorTypeCdda, 0x00, 0);
  EXPECT_EQ(r.scsi_status, 2);
  EXPECT_EQ(r.sense[12], 0x64);
  r = read_cd(kSectorTypeAny, 0x00, 70);
  EXPECT_EQ(r.sense[12], 0x21);
  // With a field selected the buffer bounds the work.
  *built = 0;
  r = read_cd(kSectorTypeAny, 0xF8, 0);
  EXPECT_EQ(r.transferred, 40960u);
  EXPECT_LE(*built, 20);
}

TEST(VirtualDriveReadCd, MsfAddressing) {
  DriveHarness h;
  const auto disc = MakeType13Disc();
  // 00:02:05 up to (not including) 00:02:07: LBA 5 and 6.
  Reply r = h.In({0xB9, 0, 0, 0, 2, 5, 0, 2, 7, 0xF8, 0}, 3 * 2352);
  ASSERT_TRUE(r.good()) << r.status_line;
  ASSERT_EQ(r.transferred, 2u * 2352);
  EXPECT_EQ(std::memcmp(r.data.data(), ReadRaw(*disc, 5).main.data(), 2352), 0);
  r = h.In({0xB9, 0, 0, 0, 2, 5, 0, 2, 5, 0xF8, 0}, 2352);
  EXPECT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 0u);
  EXPECT_SENSE(h.In({0xB9, 0, 0, 0, 2, 7, 0, 2, 5, 0xF8, 0}, 2352), 0x5, 0x24, 0x00);
}

TEST(VirtualDriveSubChannel, CurrentPositionFollowsReadsAndSeeks) {
  DriveHarness h;
  ASSERT_TRUE(Read10(h, 100, 1, 2048).good());
  Reply r = h.In({0x42, 0, 0x40, 1, 0, 0, 0, 0, 16}, 16);
  ASSERT_TRUE(r.good());
  // No audio status; format 1, ADR 1 data, track 1 index 1; absolute and relative 100.
  EXPECT_EQ(r.bytes(), (Bytes{0, 0x15, 0, 12, 1, 0x14, 1, 1, 0, 0, 0, 100, 0, 0, 0, 100}));
  r = h.In({0x42, 0x02, 0x40, 1, 0, 0, 0, 0, 16}, 16);
  EXPECT_EQ(Be32(r.data, 8), 0x00000319u);                    // 250 frames: 00:03:25
  EXPECT_EQ(Be32(r.data, 12), 0x00000119u);                   // 100 frames: 00:01:25
  ASSERT_TRUE(h.NoData({0x2B, 0, 0, 0, 0x13, 0x88}).good());  // seek 5000
  r = h.In({0x42, 0, 0x40, 1, 0, 0, 0, 0, 16}, 16);
  EXPECT_EQ(Be32(r.data, 8), 5000u);
  EXPECT_SENSE(h.NoData({0x2B, 0, 0, 0x05, 0x14, 0xC8}), 0x5, 0x21, 0x00);  // 333000
  // SUBQ clear: the header alone.
  r = h.In({0x42, 0, 0, 1, 0, 0, 0, 0, 16}, 16);
  EXPECT_EQ(r.transferred, 4u);
  EXPECT_EQ(Be16(r.data, 2), 0);
  EXPECT_SENSE(h.In({0x42, 0, 0x40, 4, 0, 0, 0, 0, 16}, 16), 0x5, 0x24, 0x00);
}

TEST(VirtualDriveSubChannel, McnAndIsrc) {
  DriveHarness h("emu:audio?speed=max");
  Reply r = h.In({0x42, 0, 0x40, 2, 0, 0, 0, 0, 24}, 24);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.at(2, 3), (Bytes{0, 20, 0x02}));
  EXPECT_EQ(std::string(r.data.begin() + 8, r.data.begin() + 22),
            "\x80"
            "4912345678904");
  r = h.In({0x42, 0, 0x40, 3, 0, 0, 2, 0, 24}, 24);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.at(4, 3), (Bytes{0x03, 0x32, 2}));  // ADR 3, copy permitted, track 2
  EXPECT_EQ(std::string(r.data.begin() + 8, r.data.begin() + 21),
            "\x80"
            "JPTMR2400002");
  EXPECT_SENSE(h.In({0x42, 0, 0x40, 3, 0, 0, 9, 0, 24}, 24), 0x5, 0x24, 0x00);
  DriveHarness data;
  r = data.In({0x42, 0, 0x40, 2, 0, 0, 0, 0, 24}, 24);
  EXPECT_EQ(r.data[8], 0x00);  // no MCN
}

TEST(VirtualDriveAudio, PlayPauseResumeComplete) {
  DriveHarness h("emu:audio?speed=max");
  // Track 2 from 7275, 10 seconds.
  ASSERT_TRUE(h.NoData({0x45, 0, 0, 0, 0x1C, 0x6B, 0, 0x02, 0xEE}).good());
  auto status = [&] { return h.In({0x42, 0, 0x40, 1, 0, 0, 0, 0, 16}, 16); };
  Reply r = status();
  EXPECT_EQ(r.data[1], 0x11);
  EXPECT_EQ(Be32(r.data, 8), 7275u);
  EXPECT_EQ(r.data[6], 2);
  h.clock.Advance(std::chrono::seconds(2));
  r = status();
  EXPECT_EQ(Be32(r.data, 8), 7275u + 150);
  r = h.In({0xBD, 0, 0, 0, 0, 0, 0, 0, 0, 12}, 12);
  EXPECT_EQ(r.data[1] >> 5, 1);                                  // playing
  ASSERT_TRUE(h.NoData({0x4B, 0, 0, 0, 0, 0, 0, 0, 0}).good());  // pause
  h.clock.Advance(std::chrono::seconds(5));
  r = status();
  EXPECT_EQ(r.data[1], 0x12);
  EXPECT_EQ(Be32(r.data, 8), 7275u + 150);
  ASSERT_TRUE(h.NoData({0x4B, 0, 0, 0, 0, 0, 0, 0, 1}).good());  // resume
  h.clock.Advance(std::chrono::seconds(9));
  r = status();
  EXPECT_EQ(r.data[1], 0x13);  // completed, reported once
  EXPECT_EQ(status().data[1], 0x15);
  EXPECT_SENSE(h.NoData({0x4B, 0, 0, 0, 0, 0, 0, 0, 0}), 0x5, 0x2C, 0x00);
}

TEST(VirtualDriveAudio, PlayMsfStopAndErrors) {
  DriveHarness h("emu:audio?speed=max");
  // 00:02:00 to 00:04:00.
  ASSERT_TRUE(h.NoData({0x47, 0, 0, 0, 2, 0, 0, 4, 0}).good());
  ASSERT_TRUE(h.NoData({0x4E}).good());
  Reply r = h.In({0x42, 0, 0x40, 1, 0, 0, 0, 0, 16}, 16);
  EXPECT_EQ(r.data[1], 0x15);
  EXPECT_SENSE(h.NoData({0x47, 0, 0, 0, 4, 0, 0, 2, 0}), 0x5, 0x24, 0x00);
  EXPECT_TRUE(h.NoData({0x47, 0, 0, 0, 2, 0, 0, 2, 0}).good());  // empty range
  EXPECT_SENSE(h.NoData({0x45, 0, 0, 0, 0x77, 0x88, 0, 0, 1}), 0x5, 0x21, 0x00);
  DriveHarness data;
  EXPECT_SENSE(data.NoData({0x45, 0, 0, 0, 0, 10, 0, 0, 10}), 0x5, 0x64, 0x00);
  EXPECT_SENSE(data.NoData({0xBA, 0, 0, 0, 0, 10, 0, 0, 0, 0}), 0x5, 0x64, 0x00);
}

TEST(VirtualDriveAudio, ScanMovesFastAndShowsInMechanismStatus) {
  DriveHarness h("emu:audio?speed=max");
  EXPECT_SENSE(h.NoData({0xBA, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}), 0x5, 0x24, 0x00);  // no track 0
  ASSERT_TRUE(h.NoData({0xBA, 0, 0, 0, 0, 2, 0, 0, 0, 0x80}).good());             // track 2
  Reply r = h.In({0xBD, 0, 0, 0, 0, 0, 0, 0, 0, 12}, 12);
  EXPECT_EQ(r.data[1] >> 5, 2);  // scanning
  h.clock.Advance(std::chrono::seconds(1));
  r = h.In({0x42, 0, 0x40, 1, 0, 0, 0, 0, 16}, 16);
  EXPECT_EQ(Be32(r.data, 8), 7275u + 600);
  EXPECT_TRUE(h.NoData({0x4E}).good());
}

}  // namespace
}  // namespace tamarack::emu::testing
