// Read CD and Read CD MSF selecting no field: long ranges cost no block building.
#include <gtest/gtest.h>

#include "emu/drive_harness.h"
#include "emu/read_cd_fields.h"
#include "emu/virtual_drive.h"

namespace tamarack::emu::testing {
namespace {

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

}  // namespace
}  // namespace tamarack::emu::testing
