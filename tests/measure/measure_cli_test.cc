// tamarack-cli measure on virtual drives with a simulated clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

// Run in a temporary folder with names relative to it, in tests/data/cli/measure_files.txt: a
// measure of 12000 blocks at 600 a second prints the model, the command, the range, the
// summary of 20 seconds and a few blocks late by the drive's rounding of each command's time
// to microseconds, in a 21st, the rotation, and the files; msr reads the saved file back to the
// same summary and graph; files that cannot be written (a folder in the way) are named with the
// reason (exit 15); a range read within a second measures nothing and writes nothing; a file
// that is not there, with a negative sample or without samples, and a plot of another kind
// are refused. Then a range past the disc's end is cut to its last block; one that starts past
// it, and bad arguments, are refused before any block is read.
TEST(CliMeasure, WritesTheRecordAndItsPlotMsrReadsThemAndBadArgumentsAreRefused) {
  tamarack::testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  dir.Write("two.msr", "2048 0 Model=KESTREL CDV\n75\n150\n");
  dir.Write("empty.msr", "2048 0 Model=x\n");
  dir.Write("negative.msr", "2048 0 Model=x\n75\n-3\n");
  std::filesystem::create_directory(dir.File("taken.msr"));
  std::filesystem::create_directory(dir.File("taken.svg"));
  Cli cli;
  const std::string clv24 = "emu:type13?speed=clv24";
  cli.ExpectGoldenRuns("measure_files.txt",
                       {{"measure", "--drive", "emu:type13?speed=clv8", "--end", "0x2edf", "--save",
                         "a.msr", "--plot", "a.svg"},
                        {"measure", "--drive", "emu:type13?speed=clv8", "--end", "1999", "--save",
                         "taken.msr", "--plot", "taken.svg"},
                        {"measure", "--drive", "emu:type13?speed=clv24", "--end", "599", "--save",
                         "c.msr", "--plot", "c.svg"},
                        {"msr", "a.msr", "--plot", "b.svg"},
                        {"msr", "two.msr", "--plot", "two.svg"},
                        {"msr", "missing.msr"},
                        {"msr", "negative.msr"},
                        {"msr", "empty.msr"},
                        {"msr", "two.msr", "--plot", "two.gif"},
                        {"measure", "--drive", clv24, "--start", "330000", "--end", "400000"},
                        {"measure", "--drive", clv24, "--start", "400000"},
                        {"measure", "--drive", clv24, "--start", "100", "--end", "99"},
                        {"measure", "--drive", clv24, "--end", "-4"},
                        {"measure", "--drive", clv24, "--start", "0x80000000"},
                        {"measure", "--drive", clv24, "--plot", "graph.gif"},
                        {"measure", "--drive", clv24, "--blocks", "0"},
                        {"measure", "--drive", clv24, "--blocks", "65536"},
                        {"measure", "--drive", clv24, "--blocks", "-5"},
                        {"measure", "--drive", "emu:nothing"}});
  EXPECT_FALSE(std::filesystem::exists(dir.File("c.msr")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("c.svg")));
  const std::vector<std::uint8_t> svg = dir.Read("a.svg");
  EXPECT_NE(std::string(svg.begin(), svg.end()).find("stroke=\"#7b68ee\""), std::string::npos);
  EXPECT_TRUE(dir.Read("b.svg") == svg) << "the saved record draws the same graph";
#ifdef TAMARACK_HAVE_PNG_PLOT
  ASSERT_EQ(
      cli.Run({"measure", "--drive", "emu:type13?speed=clv8", "--end", "2999", "--plot", "a.png"}),
      kExitGood);
  const std::vector<std::uint8_t> png = dir.Read("a.png");
  EXPECT_EQ(std::string(png.begin(), png.end()).substr(0, 8), "\x89PNG\r\n\x1a\n");
#endif
  std::filesystem::current_path(before);
}

}  // namespace
}  // namespace tamarack::cli
