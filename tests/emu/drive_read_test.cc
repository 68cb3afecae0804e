// Reading commands of the virtual drive: capacity, Read(10), Read(12), Read CD, Read CD MSF,
// Read Sub-Channel, Seek, and audio play.
#include <gtest/gtest.h>

#include "emu/drive_harness.h"
#include "emu/read_cd_fields.h"
#include "emu/virtual_drive.h"

namespace tamarack::emu::testing {
namespace {

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
}

// Each disc's blocks and their sector types through Read(10), Read CD and Read CD MSF (the
// byte counts of every selection are ReadCdFieldsTest's): type13's Mode 1 user data (LBA 16
// carries the address text 00m02s16f), raw blocks, C2 pointers and formatted Q (2352 + 294 +
// 16), an MSF range up to its end (empty: no error; reversed: refused). Read(10) refuses audio
// and form 2 blocks but reads form 1 from byte 24; Read CD expecting another sector type is
// refused; blocks between the sessions belong to no track. The capacities of the other discs.
TEST(VirtualDriveRead, EveryDiscClassThroughTheDrive) {
  DriveHarness().ExpectTranscript(
      "reads_type13",
      {"28 00 00 00 00 10 00 00 02 / in 4196", "be 00 00 00 03 e8 00 00 02 f8 / in 4800",
       "be 00 00 00 03 e8 00 00 01 fa 02 / in 2800", "b9 00 00 00 02 05 00 02 07 f8 00 / in 7056",
       "b9 00 00 00 02 05 00 02 05 f8 00 / in 2352", "b9 00 00 00 02 07 00 02 05 f8 00 / in 2352"});
  DriveHarness("emu:audio?speed=max")
      .ExpectTranscript("reads_audio",
                        {"25 / in 8", "28 00 00 00 00 64 00 00 01 / in 2048",
                         "be 04 00 00 00 c8 00 00 03 10 / in 7500 # CD-DA",
                         "be 08 00 00 00 c8 00 00 01 10 / in 2400 # Mode 1 expected"});
  DriveHarness("emu:type30?speed=max")
      .ExpectTranscript("reads_type30", {"28 00 00 00 11 94 00 00 01 / in 2048 # track 2: form 1",
                                         "28 00 00 00 7f 26 00 00 01 / in 2048 # track 12: form 2",
                                         "28 00 00 00 34 bc 00 00 01 / in 2048 # track 4: audio",
                                         "be 00 00 00 7f 26 00 00 01 10 / in 2400",
                                         "be 00 00 00 11 94 00 00 01 40 / in 2400",
                                         "be 04 00 00 34 bc 00 00 01 f8 / in 2400"});
  DriveHarness("emu:multisession?speed=max")
      .ExpectTranscript("reads_multisession",
                        {"25 / in 8", "be 10 00 00 55 41 00 00 01 10 / in 2400 # track 4: form 1",
                         "be 00 00 00 54 79 00 00 01 10 / in 2400 # 200 blocks before"});
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
