// Runs tamarack-cli in-process against the virtual drives on a simulated clock, capturing what
// it prints.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "device/clock.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack::cli::testing {

struct VirtualCli {
  explicit VirtualCli(std::vector<std::string> listed = emu::DefaultVirtualDriveIds()) {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock, std::move(listed)));
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    CliContext c;
    c.drives = &drives;
    c.out = &out;
    c.err = &err;
    return RunCli(args, c);
  }
  SimulatedClock clock;
  DriveDirectory drives;
  std::ostringstream out, err;
};

}  // namespace tamarack::cli::testing
