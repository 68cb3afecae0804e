// tamarack-cli capture and check against virtual drives: the files, the result texts and the
// exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "cli/virtual_cli.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Image(std::size_t blocks) {
  std::vector<std::uint8_t> out(blocks * 2048);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7 + i / 2048);
  return out;
}

// The CLI with the rates, timed by the wall clock, left out of what it prints, and the
// questions' line breaks as the golden file keeps them.
struct SteadyCli : testing::VirtualCli {
  int Run(const std::vector<std::string>& args) {
    const int status = VirtualCli::Run(args);
    out.str(std::regex_replace(out.str(), std::regex(" in [0-9.]+ s, [0-9.]+ MB/s"), ""));
    err.str(std::regex_replace(err.str(), std::regex("\r\n"), "\n"));
    return status;
  }
};

// Run in a temporary folder, named relative to it, in tests/data/cli/reference.txt: a capture
// with its check; a difference gives 14 whether it is passed over (--yes) or ends the check (no
// one to ask); a read error with no one to ask ends the job with the medium error's status and
// leaves only the partial file, with --yes it is passed over; then a range or a number that is
// wrong, a missing file and no disc.
TEST(ReferenceCliTest, CaptureCheckAndTheirExitStatuses) {
  tamarack::testing::TempDir dir;
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  dir.Write("disc.iso", Image(500));
  std::vector<std::uint8_t> changed = Image(500);
  changed[300 * 2048] ^= 1;
  dir.Write("b.dat", changed);
  const std::string drive = "emu:disc.iso?speed=max", bad = "emu:disc.iso?speed=max&bad=50";
  SteadyCli cli;
  testing::ExpectGoldenRuns(
      cli, "reference.txt",
      {{"capture", "--drive", drive, "--out", "a.dat", "--check", "--max-speed"},
       {"check", "--drive", drive, "--file", "b.dat", "--yes"},
       {"check", "--drive", drive, "--file", "b.dat"},
       {"capture", "--drive", bad, "--out", "c.dat"},
       {"capture", "--drive", bad, "--out", "d.dat", "--yes"},
       {"capture", "--drive", bad, "--out", "x.dat", "--start", "10", "--end", "5"},
       {"capture", "--drive", bad, "--out", "x.dat", "--start", "1O"},
       {"check", "--drive", bad, "--file", "none.dat"},
       {"check", "--drive", "emu:type13?nomedium", "--file", "a.dat"}});
  EXPECT_EQ(dir.Read("a.dat"), Image(500));
  EXPECT_FALSE(fs::exists("c.dat"));
  EXPECT_TRUE(fs::exists("c.dat.partial"));
  EXPECT_EQ(dir.Read("d.dat").size(), 500u * 2048u);
  fs::current_path(before);
}

}  // namespace
}  // namespace tamarack::cli
