// Runs tamarack-cli in-process, capturing what it prints; VirtualCli on the virtual drives
// with a simulated clock.
#pragma once

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/png_plot.h"
#include "device/clock.h"
#include "emu/resid_modes.h"
#include "emu/virtual_drive_provider.h"
#include "golden.h"
#include "temp_dir.h"

namespace tamarack::cli::testing {

// Runs the command line on `drives`, printing into `out` and `err` (emptied first).
// Long jobs run on `clock` (the real one when null). A test program built with
// TAMARACK_PNG_PLUGIN_DIR draws PNG plots with the plugin built there, as tamarack-cli does,
// unless `png_places` names the places to look for it.
inline int RunCapturing(const DriveDirectory& drives, const std::vector<std::string>& args,
                        std::ostringstream& out, std::ostringstream& err, Clock* clock = nullptr,
                        const std::vector<std::string>* png_places = nullptr) {
  out.str("");
  err.str("");
  CliContext c;
  c.drives = &drives;
  c.out = &out;
  c.err = &err;
  c.clock = clock;
#ifdef TAMARACK_PNG_PLUGIN_DIR
  c.png_plugin_places = PngPluginPlaces(TAMARACK_PNG_PLUGIN_DIR);
#endif
  if (png_places) c.png_plugin_places = *png_places;
  return RunCli(args, c);
}

// `t` with each run of 256 or more equal bytes in hex text ("5a 5a ... 5a") written
// "<N x 5a>": a reply printed over the untouched rest of a 40,960-byte buffer stays readable,
// and every byte is still compared.
inline std::string CollapseByteRuns(const std::string& t) {
  const auto byte_at = [&t](std::size_t at) {
    return at + 2 <= t.size() && std::isxdigit(static_cast<unsigned char>(t[at])) &&
           std::isxdigit(static_cast<unsigned char>(t[at + 1])) &&
           (at + 2 == t.size() || !std::isxdigit(static_cast<unsigned char>(t[at + 2])));
  };
  std::string out;
  for (std::size_t i = 0; i < t.size();) {
    std::size_t n = 0;
    if ((i == 0 || !std::isxdigit(static_cast<unsigned char>(t[i - 1]))) && byte_at(i)) {
      while (byte_at(i + 3 * n) && t.compare(i + 3 * n, 2, t, i, 2) == 0 &&
             (n == 0 || t[i + 3 * n - 1] == ' ')) {
        ++n;
      }
    }
    if (n >= 256) {
      out += "<" + std::to_string(n) + " x " + t.substr(i, 2) + ">";
      i += 3 * n - 1;
    } else {
      out += t[i++];
    }
  }
  return out;
}

// Runs each command line on `cli` in turn and compares the transcript with
// tests/data/cli/NAME: for each run "$ ARGS" (a drive id's resid= left out: one file serves
// every path), what it printed, what it printed on stderr after "stderr:" (but the progress
// lines, paced by the wall clock), its exit status; long runs of one byte collapsed.
template <typename Cli>
void ExpectGoldenRuns(Cli& cli, const std::string& name,
                      const std::vector<std::vector<std::string>>& runs) {
  std::string t;
  for (const auto& args : runs) {
    const int status = cli.Run(args);
    t += "$";
    for (std::string a : args) {
      for (const char* sep : {"&resid=", "?resid="}) {
        const std::size_t at = a.find(sep);
        if (at == std::string::npos) continue;
        const std::size_t end = a.find('&', at + 1);
        a.erase(sep[0] == '?' && end != std::string::npos ? at + 1 : at,
                end == std::string::npos ? std::string::npos : end - at);
      }
      t += " " + a;
    }
    t += "\n" + cli.out.str();
    std::istringstream err(cli.err.str());
    std::string errors;
    for (std::string line; std::getline(err, line);) {
      if (line.find(" elapsed") == std::string::npos) errors += line + "\n";
    }
    if (!errors.empty()) t += "stderr:\n" + errors;
    t += "exit " + std::to_string(status) + "\n";
  }
  tamarack::testing::ExpectGoldenFile(name, CollapseByteRuns(t), "cli");
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
    tamarack::testing::ExpectGoldenFile(name, out.str(), "cli");
  }
  void ExpectGoldenRuns(const std::string& name,
                        const std::vector<std::vector<std::string>>& runs) {
    testing::ExpectGoldenRuns(*this, name, runs);
  }
  SimulatedClock clock;
  DriveDirectory drives;
  std::ostringstream out, err;
};

// The CLI with the rates, timed by the wall clock, left out of what it prints, and the
// questions' line breaks as the golden files keep them.
struct SteadyCli : VirtualCli {
  int Run(const std::vector<std::string>& args) {
    const int status = VirtualCli::Run(args);
    const std::regex rate(" in [0-9.]+ s, [0-9.]+ MB/s");
    out.str(std::regex_replace(out.str(), rate, ""));
    err.str(std::regex_replace(std::regex_replace(err.str(), rate, ""), std::regex("\r\n"), "\n"));
    return status;
  }
};

// A fresh folder that is the working folder (names relative to it) until the test leaves it,
// an assertion's early return included.
struct WorkFolder : tamarack::testing::TempDir {
  WorkFolder() : before(std::filesystem::current_path()) { std::filesystem::current_path(path()); }
  ~WorkFolder() { std::filesystem::current_path(before); }
  std::filesystem::path before;
};

// A disc image of 2048-byte blocks whose every byte depends on its place and its block.
inline std::vector<std::uint8_t> NumberedImage(std::size_t blocks) {
  std::vector<std::uint8_t> out(blocks * 2048);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7 + i / 2048);
  return out;
}

// The lines of `text` (what a run printed, a file it wrote), without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

using ::tamarack::testing::ResidModeTest;

}  // namespace tamarack::cli::testing
