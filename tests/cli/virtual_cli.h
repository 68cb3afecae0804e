// Runs tamarack-cli in-process, capturing what it prints; VirtualCli on the virtual drives
// with a simulated clock.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "device/clock.h"
#include "emu/resid_modes.h"
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

using ::tamarack::testing::ResidModeTest;

}  // namespace tamarack::cli::testing
