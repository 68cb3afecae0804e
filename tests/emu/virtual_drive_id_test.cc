// Virtual drive ids and the provider that opens them.
#include "emu/virtual_drive_id.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <sstream>
#include <string>

#include "emu/drive_harness.h"
#include "temp_dir.h"

namespace tamarack::emu::testing {
namespace {

TEST(VirtualDriveId, PlainNamesAndPaths) {
  VirtualDriveConfig c;
  std::string error;
  ASSERT_TRUE(ParseVirtualDriveId("emu:type13", &c, &error)) << error;
  EXPECT_EQ(c.disc, "type13");
  EXPECT_EQ(c.speed, (SpeedSetting{SpeedMode::kCav, 48}));
  EXPECT_TRUE(c.faults.empty());
  EXPECT_FALSE(c.tray_open || c.no_medium || c.power_on_attention);
  EXPECT_EQ(c.resid, ResidMode::kExact);
  ASSERT_TRUE(ParseVirtualDriveId("emu:/home/u/My Disc.cue", &c, &error));
  EXPECT_EQ(c.disc, "/home/u/My Disc.cue");
}

TEST(VirtualDriveId, EveryOption) {
  VirtualDriveConfig c;
  std::string error;
  ASSERT_TRUE(ParseVirtualDriveId(
      "emu:type30?speed=clv8&bad=1000-1010,2000&flaky=5000-5100:0.25&corrupt=300&short=400-401"
      "&refuse=be,0x28:os&slow=43h&seed=99&tray=open&nomedium&poweron&resid=zero&qcrc=7-9"
      "&formless=20&model=modern",
      &c, &error))
      << error;
  EXPECT_EQ(c.disc, "type30");
  EXPECT_EQ(c.speed, (SpeedSetting{SpeedMode::kClv, 8}));
  EXPECT_EQ(c.faults.bad, (std::vector<BlockRange>{{1000, 1010}, {2000, 2000}}));
  ASSERT_EQ(c.faults.flaky.size(), 1u);
  EXPECT_EQ(c.faults.flaky[0], (FlakyRange{{5000, 5100}, 0.25}));
  EXPECT_EQ(c.faults.corrupt, (std::vector<BlockRange>{{300, 300}}));
  EXPECT_EQ(c.faults.short_reads, (std::vector<BlockRange>{{400, 401}}));
  EXPECT_EQ(c.faults.bad_q_crc, (std::vector<BlockRange>{{7, 9}}));
  EXPECT_EQ(c.faults.formless, (std::vector<BlockRange>{{20, 20}}));
  EXPECT_EQ(c.faults.refused_opcodes, (std::set<std::uint8_t>{0x28, 0xBE}));
  EXPECT_EQ(c.faults.refusal, RefusalKind::kOsError);
  EXPECT_EQ(c.faults.slow_opcodes, (std::set<std::uint8_t>{0x43}));
  EXPECT_EQ(c.faults.seed, 99u);
  EXPECT_TRUE(c.tray_open && c.no_medium && c.power_on_attention);
  EXPECT_EQ(c.resid, ResidMode::kZero);
  EXPECT_EQ(c.model, DriveModel::kModern);
  ASSERT_TRUE(ParseVirtualDriveId("emu:audio?speed=max&bad=1&bad=5-6", &c, &error));
  EXPECT_EQ(c.speed.mode, SpeedMode::kUnlimited);
  EXPECT_EQ(c.model, DriveModel::kClassic);
  EXPECT_EQ(c.faults.bad.size(), 2u);  // repeated list options add up
  EXPECT_TRUE(c.faults.IsBad(6));
  EXPECT_FALSE(c.faults.IsBad(7));
}

// The window's Qt sets LC_NUMERIC from the desktop; ids keep the C form of numbers there.
TEST(VirtualDriveId, NumbersDoNotDependOnTheLocale) {
  tamarack::testing::TempDir dir("tamarack-locale-");
  ASSERT_TRUE(dir.ok());
  // A comma-decimal locale built for this test, as few machines have one installed.
  if (!dir.Run("localedef -i de_DE -f UTF-8 " + dir.File("de_DE.UTF-8"))) {
    GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 here";
  }
  const char* old_path = std::getenv("LOCPATH");
  const std::string saved_path = old_path ? old_path : "";
  ::setenv("LOCPATH", dir.path().c_str(), 1);
  const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  VirtualDriveConfig c;
  std::string error;
  bool comma = false, parsed = false, refused = false;
  if (switched) {
    comma = std::localeconv()->decimal_point == std::string(",");
    parsed = ParseVirtualDriveId("emu:type13?flaky=5-6:0.25", &c, &error);
    VirtualDriveConfig comma_config;
    std::string comma_error;
    refused = !ParseVirtualDriveId("emu:type13?flaky=5-6:0,25", &comma_config, &comma_error);
  }
  std::setlocale(LC_NUMERIC, "C");
  if (old_path) {
    ::setenv("LOCPATH", saved_path.c_str(), 1);
  } else {
    ::unsetenv("LOCPATH");
  }
  ASSERT_TRUE(switched);
  ASSERT_TRUE(comma);  // the locale is really in force
  EXPECT_TRUE(parsed) << error;
  ASSERT_EQ(c.faults.flaky.size(), 1u);
  EXPECT_EQ(c.faults.flaky[0].probability, 0.25);
  EXPECT_TRUE(refused);
}

// Each refused id with its message: bad_drive_ids.txt.
TEST(VirtualDriveId, BadIdsSayWhatIsWrong) {
  std::string text;
  // The ids, separated by blanks.
  std::istringstream ids(
      "/dev/sr0 emu: emu:?speed=max emu:type13? emu:type13?speed=fast emu:type13?speed=cav0 "
      "emu:type13?speed=clv100 emu:type13?speed emu:type13?bad= emu:type13?bad=12x "
      "emu:type13?bad=-5 emu:type13?bad=10-5 emu:type13?flaky=5-6 emu:type13?flaky=5-6:0 "
      "emu:type13?flaky=5-6:1.5 emu:type13?flaky=5-6:abc emu:type13?refuse=read "
      "emu:type13?refuse=123 emu:type13?refuse=28:disk emu:type13?slow= emu:type13?seed=-1 "
      "emu:type13?tray=half emu:type13?nomedium=1 emu:type13?resid=some emu:type13?resid "
      "emu:type13?model=new emu:type13?colour=red");
  for (std::string id; ids >> id;) {
    VirtualDriveConfig c;
    std::string error;
    EXPECT_FALSE(ParseVirtualDriveId(id, &c, &error)) << id;
    text += std::string(id) + "\n  " + error + "\n";
  }
  tamarack::testing::ExpectGoldenFile("bad_drive_ids.txt", text, "emu");
}

TEST(VirtualDriveProvider, ListsHandlesAndOpens) {
  SimulatedClock clock;
  VirtualDriveProvider p(clock);
  EXPECT_TRUE(p.Handles("emu:anything"));
  EXPECT_FALSE(p.Handles("/dev/sr0"));
  OpenResult r = p.Open("emu:type13");
  ASSERT_NE(r.transport, nullptr) << r.error;
  EXPECT_EQ(r.transport->Id(), "emu:type13");
  ScsiAddress a{9, 9, 9, 9};
  EXPECT_TRUE(r.transport->GetAddress(&a));
  EXPECT_EQ(a, ScsiAddress{});
  r = p.Open("emu:type31");
  EXPECT_EQ(r.transport, nullptr);
  EXPECT_NE(r.error.find("No built-in disc \"type31\""), std::string::npos) << r.error;
  r = p.Open("emu:/no/such/image.iso");
  EXPECT_EQ(r.transport, nullptr);
  EXPECT_NE(r.error.find("/no/such/image.iso"), std::string::npos) << r.error;
  // No medium needs no disc at all.
  EXPECT_NE(p.Open("emu:nothing?nomedium").transport, nullptr);
}

TEST(VirtualDriveProvider, IdsFromText) {
  EXPECT_EQ(VirtualDriveIdsFromText(" emu:type13 ;emu:audio?speed=max;;  "),
            (std::vector<std::string>{"emu:type13", "emu:audio?speed=max"}));
  EXPECT_TRUE(VirtualDriveIdsFromText("").empty());
}

TEST(VirtualDriveProvider, OneDriveStatePerIdAcrossOpens) {
  DriveHarness h;
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x02}).good());  // eject on the first handle
  // A second handle on the same id (the window's disc poll) sees the open tray.
  DeviceSession poll(&h.drives, BuiltInSenseTable());
  ASSERT_TRUE(poll.Open("emu:type13?speed=max"));
  std::vector<std::uint8_t> none;
  EXPECT_FALSE(SendScsiCommand(poll, MakeCdb({0x00}), none, false, nullptr, false));
  EXPECT_EQ(poll.status_line.Get(), "Error Notified( MEDIUM NOT PRESENT - TRAY OPEN).");
  // Another id is another drive.
  ASSERT_TRUE(poll.Open("emu:type13"));
  EXPECT_TRUE(SendScsiCommand(poll, MakeCdb({0x00}), none, false, nullptr, false));
  // Loading sets a unit attention that a fresh open consumes, as opening /dev/srN does.
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x03}).good());
  ASSERT_TRUE(h.session.Open("emu:type13?speed=max"));
  EXPECT_TRUE(h.NoData({0x00}).good());
}

}  // namespace
}  // namespace tamarack::emu::testing
