// Virtual drive ids and the provider that opens them.
#include "emu/virtual_drive_id.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "emu/drive_harness.h"
#include "environment.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

// Every member of a parsed id, on one line.
std::string ConfigText(const VirtualDriveConfig& c) {
  const auto ranges = [](const char* name, const std::vector<BlockRange>& rs) {
    std::string out = std::string(" ") + name;
    for (const BlockRange& r : rs) out += StrFormat(" %d-%d", r.first, r.last);
    return out;
  };
  const auto opcodes = [](const char* name, const std::set<std::uint8_t>& ops) {
    std::string out = std::string(" ") + name;
    for (std::uint8_t op : ops) out += StrFormat(" %02x", op);
    return out;
  };
  const FaultPlan& f = c.faults;
  std::string t = StrFormat("disc \"%s\" speed %d/%d", c.disc.c_str(),
                            static_cast<int>(c.speed.mode), c.speed.factor) +
                  ranges("bad", f.bad) + " flaky";
  for (const FlakyRange& r : f.flaky) {
    t += StrFormat(" %d-%d:%g", r.blocks.first, r.blocks.last, r.probability);
  }
  t += ranges("corrupt", f.corrupt) + " c2";
  for (const C2Range& r : f.c2) t += StrFormat(" %d-%d:%u", r.blocks.first, r.blocks.last, r.bits);
  return t + ranges("short", f.short_reads) + ranges("qcrc", f.bad_q_crc) +
         ranges("formless", f.formless) + opcodes("refuse", f.refused_opcodes) +
         (f.refusal == RefusalKind::kOsError ? " by the system"
          : f.refusal == RefusalKind::kDrive ? " by the drive"
                                             : " by the host") +
         opcodes("slow", f.slow_opcodes) +
         StrFormat(" seed %llu tray open %d no medium %d power on %d resid %d model %d",
                   static_cast<unsigned long long>(f.seed), c.tray_open, c.no_medium,
                   c.power_on_attention, static_cast<int>(c.resid), static_cast<int>(c.model));
}

// Each id of drive_ids.txt with what it parses to or its message: plain names and paths with
// the defaults (CAV 48, exact resid, classic); every option; repeated list options adding up;
// each refused id saying what is wrong.
TEST(VirtualDriveId, WhatEachIdSays) {
  tamarack::testing::ExpectEachInput("drive_ids.txt", "emu", [](const std::string& id) {
    VirtualDriveConfig c;
    std::string error;
    return ParseVirtualDriveId(id, &c, &error) ? ConfigText(c) : error;
  });
}

// The window's Qt sets LC_NUMERIC from the desktop; ids keep the C form of numbers there.
TEST(VirtualDriveId, NumbersDoNotDependOnTheLocale) {
#ifdef _WIN32
  const char* const german = "German_Germany.1252";  // Windows' locales are built in
#else
  tamarack::testing::TempDir dir("tamarack-locale-");
  ASSERT_TRUE(dir.ok());
  // A comma-decimal locale built for this test, as few machines have one installed.
  if (!dir.Run("localedef -i de_DE -f UTF-8 " + dir.File("de_DE.UTF-8"))) {
    GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 here";
  }
  tamarack::testing::ScopedEnvironment locale_path("LOCPATH", dir.path());
  const char* const german = "de_DE.UTF-8";
#endif
  const bool switched = std::setlocale(LC_NUMERIC, german) != nullptr;
  const bool comma = std::localeconv()->decimal_point == std::string(",");
  VirtualDriveConfig c, comma_config;
  std::string error;
  const bool parsed = ParseVirtualDriveId("emu:type13?flaky=5-6:0.25", &c, &error);
  const bool refused = !ParseVirtualDriveId("emu:type13?flaky=5-6:0,25", &comma_config, &error);
  std::setlocale(LC_NUMERIC, "C");
  ASSERT_TRUE(switched && comma);  // the locale was really in force
  EXPECT_TRUE(parsed);
  ASSERT_EQ(c.faults.flaky.size(), 1u);
  EXPECT_EQ(c.faults.flaky[0].probability, 0.25);
  EXPECT_TRUE(refused);
}

TEST(VirtualDriveProvider, HandlesEmuIdsAndListsIdsFromText) {
  SimulatedClock clock;
  VirtualDriveProvider p(clock);
  EXPECT_TRUE(p.Handles("emu:anything"));
  EXPECT_FALSE(p.Handles("/dev/sr0"));
  EXPECT_EQ(VirtualDriveIdsFromText(" emu:type13 ;emu:audio?speed=max;;  "),
            (std::vector<std::string>{"emu:type13", "emu:audio?speed=max"}));
  EXPECT_TRUE(VirtualDriveIdsFromText("").empty());
}

}  // namespace
}  // namespace tamarack::emu::testing
