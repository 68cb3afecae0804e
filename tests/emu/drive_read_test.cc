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

// The last block and the block length of each disc (an address needs PMI); Read(12) and
// the end of the block range (nothing to transfer is no error; RelAdr is refused; a buffer
// smaller than the transfer holds what fits); Read CD of no blocks, reserved sub-channel and
// sector type, past the end, into a small buffer.
TEST(VirtualDriveRead, CapacityAndTheBlockRange) {
  DriveHarness().ExpectTranscript(
      "read_capacity_and_range",
      {"25 / in 8", "25 00 00 00 00 01 / in 8", "25 00 00 00 00 01 00 00 01 / in 8",
       "a8 00 00 05 14 5e 00 00 00 03 / in 6144 # LBA 332894",
       "28 00 00 05 14 c8 00 00 01 / in 2048", "28 00 00 05 14 c7 00 00 02 / in 4096",
       "28 00 00 05 14 c7 00 00 01 / in 2048", "28 00 00 07 a1 20 00 00 00 / in 2048",
       "28 01 00 00 00 00 00 00 01 / in 2048", "28 00 00 00 00 00 00 00 04 / in 3000",
       "be 00 00 00 00 00 00 00 00 f8 / in 64", "be 00 00 00 00 00 00 00 01 f8 03 / in 2808",
       "be 18 00 00 00 00 00 00 01 f8 / in 2808", "be 00 00 05 14 c8 00 00 01 f8 / in 2808",
       "be 00 00 00 00 00 00 00 0a f8 / in 5000"});
  DriveHarness("emu:audio?speed=max").ExpectTranscript("read_capacity_audio", {"25 / in 8"});
  DriveHarness("emu:multisession?speed=max")
      .ExpectTranscript("read_capacity_multisession", {"25 / in 8"});
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

// The current position follows reads and seeks (no audio status; ADR 1 data, track 1 index
// 1; by LBA and by MSF), SUBQ clear gives the header alone; MCN and ISRC of the audio disc,
// no MCN on the data disc.
TEST(VirtualDriveSubChannel, PositionMcnAndIsrc) {
  DriveHarness().ExpectTranscript(
      "sub_channel_position",
      {"28 00 00 00 00 64 00 00 01 / in 2048", "42 00 40 01 00 00 00 00 10 / in 16",
       "42 02 40 01 00 00 00 00 10 / in 16", "2b 00 00 00 13 88 # seek 5000",
       "42 00 40 01 00 00 00 00 10 / in 16", "2b 00 00 05 14 c8 # 333000",
       "42 00 00 01 00 00 00 00 10 / in 16 # SUBQ clear", "42 00 40 04 00 00 00 00 10 / in 16",
       "42 00 40 02 00 00 00 00 18 / in 24 # no MCN"});
  DriveHarness("emu:audio?speed=max")
      .ExpectTranscript("sub_channel_mcn_isrc",
                        {"42 00 40 02 00 00 00 00 18 / in 24", "42 00 40 03 00 00 02 00 18 / in 24",
                         "42 00 40 03 00 00 09 00 18 / in 24"});
}

// Play from 7275 for 10 seconds: playing, paused, resumed, completed (reported once), no
// pause after it; Play MSF, Stop and their errors (an empty range is none); Scan moves fast
// and shows in the mechanism status; audio commands on a data disc.
TEST(VirtualDriveAudio, PlayPauseScanAndErrors) {
  const char* position = "42 00 40 01 00 00 00 00 10 / in 16";
  const char* mechanism = "bd 00 00 00 00 00 00 00 00 0c / in 12";
  DriveHarness("emu:audio?speed=max")
      .ExpectTranscript("audio_play", {"45 00 00 00 1c 6b 00 02 ee", position, "wait 2", position,
                                       mechanism, "4b 00 00 00 00 00 00 00 00 # pause", "wait 5",
                                       position, "4b 00 00 00 00 00 00 00 01 # resume", "wait 9",
                                       position, position, "4b 00 00 00 00 00 00 00 00"});
  DriveHarness("emu:audio?speed=max")
      .ExpectTranscript(
          "audio_play_msf_scan",
          {"47 00 00 00 02 00 00 04 00", "4e", position, "47 00 00 00 04 00 00 02 00",
           "47 00 00 00 02 00 00 02 00 # empty range", "45 00 00 00 77 88 00 00 01",
           "ba 00 00 00 00 00 00 00 00 80 # no track 0", "ba 00 00 00 00 02 00 00 00 80 # track 2",
           mechanism, "wait 1", position, "4e"});
  DriveHarness().ExpectTranscript("audio_on_data",
                                  {"45 00 00 00 00 0a 00 00 0a", "ba 00 00 00 00 0a 00 00 00 00"});
}

}  // namespace
}  // namespace tamarack::emu::testing
