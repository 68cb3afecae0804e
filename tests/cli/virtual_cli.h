// Runs tamarack-cli in-process, capturing what it prints; VirtualCli on the virtual drives
// with a simulated clock.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "device/clock.h"
#include "emu/virtual_drive_provider.h"
#include "golden.h"

namespace tamarack::cli::testing {

// Runs the command line on `drives`, printing into `out` and `err` (emptied first).
// Long jobs run on `clock` (the real one when null).
inline int RunCapturing(const DriveDirectory& drives, const std::vector<std::string>& args,
                        std::ostringstream& out, std::ostringstream& err, Clock* clock = nullptr) {
  out.str("");
  err.str("");
  CliContext c;
  c.drives = &drives;
  c.out = &out;
  c.err = &err;
  c.clock = clock;
  return RunCli(args, c);
}

// The four ways a path delivers data-in replies (the virtual drive's resid= option): every
// decoder test on the virtual drive runs on each.
inline const std::vector<std::string>& ResidModes() {
  static const std::vector<std::string> kModes = {"exact", "none", "zero", "pad"};
  return kModes;
}

// `id` with its replies delivered as `resid` says.
inline std::string WithResid(const std::string& id, const std::string& resid) {
  return id + (id.find('?') == std::string::npos ? "?" : "&") + "resid=" + resid;
}

struct VirtualCli {
  explicit VirtualCli(std::vector<std::string> listed = emu::DefaultVirtualDriveIds()) {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock, std::move(listed)));
  }
  int Run(const std::vector<std::string>& args) {
    return RunCapturing(drives, args, out, err, &clock);
  }
  // Runs `args`, expecting success and the output in tests/data/cli/NAME (see golden.h).
  void ExpectGoldenOutput(const std::string& name, const std::vector<std::string>& args) {
    ASSERT_EQ(Run(args), 0) << err.str();
    if (tamarack::testing::UpdateGoldenText(name, out.str(), "cli")) return;
    EXPECT_EQ(out.str(), tamarack::testing::ReadGoldenFile(name, "cli")) << name;
  }
  SimulatedClock clock;
  DriveDirectory drives;
  std::ostringstream out, err;
};

// A test run once per resid mode; Id() gives a drive id on the mode under test.
class ResidModeTest : public ::testing::TestWithParam<std::string> {
 protected:
  std::string Id(const std::string& id) const { return WithResid(id, GetParam()); }
};

inline std::string ResidModeName(const ::testing::TestParamInfo<std::string>& mode) {
  return mode.param;
}

// Instantiates a ResidModeTest suite for every mode, each named by its mode.
#define TAMARACK_ON_EVERY_RESID_MODE(suite)                                             \
  INSTANTIATE_TEST_SUITE_P(Paths, suite,                                                \
                           ::testing::ValuesIn(::tamarack::cli::testing::ResidModes()), \
                           &::tamarack::cli::testing::ResidModeName)

}  // namespace tamarack::cli::testing
