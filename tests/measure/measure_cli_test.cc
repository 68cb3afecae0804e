// tamarack-cli measure on virtual drives with a simulated clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"
#include "persist/measurement_file.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Run in a temporary folder with names relative to it, in tests/data/cli/measure_files.txt: a
// measure of 12000 blocks at 600 a second prints the model, the command, the range, the
// summary of 20 seconds and a few blocks late by the drive's rounding of each command's time
// to microseconds, in a 21st, the rotation, and the files; msr prints a saved file's summary and
// draws its graph; a file that is not there, not a measurement, or without samples, and a plot
// of another kind are refused.
TEST(CliMeasure, WritesTheRecordAndItsPlotAndMsrReadsThem) {
  tamarack::testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  dir.Write("two.msr", "2048 0 Model=KESTREL CDV\n75\n150\n");
  dir.Write("zero.msr", "0 0 Model=x\n75\n");
  dir.Write("empty.msr", "2048 0 Model=x\n");
  Cli cli;
  cli.ExpectGoldenRuns("measure_files.txt",
                       {{"measure", "--drive", "emu:type13?speed=clv8", "--end", "0x2edf", "--save",
                         "a.msr", "--plot", "a.svg"},
                        {"msr", "two.msr", "--plot", "two.svg"},
                        {"msr", "missing.msr"},
                        {"msr", "zero.msr"},
                        {"msr", "empty.msr"},
                        {"msr", "two.msr", "--plot", "two.gif"}});
  SpeedRecord saved;
  std::string error;
  ASSERT_TRUE(ParseMeasurementFile(ReadFile(dir.File("a.msr")), &saved, &error)) << error;
  EXPECT_EQ(saved.block_size, 2048);
  EXPECT_EQ(saved.model, "KESTREL  CDV-4800 Virtual");
  EXPECT_EQ(saved.samples.size(), 21u);
  EXPECT_EQ(saved.SampleSum(), 12000);
  EXPECT_NEAR(saved.samples[8], 600, 1);
  const std::string svg = ReadFile(dir.File("a.svg"));
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("stroke=\"#7b68ee\""), std::string::npos);  // the speed line
  EXPECT_NE(svg.find(">100M</text>"), std::string::npos);
  EXPECT_EQ(ReadFile(dir.File("two.svg")).rfind("<?xml", 0), 0u);
#ifdef TAMARACK_HAVE_PNG_PLOT
  ASSERT_EQ(
      cli.Run({"measure", "--drive", "emu:type13?speed=clv8", "--end", "2999", "--plot", "a.png"}),
      kExitGood);
  EXPECT_EQ(ReadFile(dir.File("a.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
#endif
  std::filesystem::current_path(before);
}

// An unreadable block ends the run with the drive's status (the command from 5000 reads five
// blocks before the bad one); bad arguments are refused before the drive is read.
TEST(CliMeasure, ReadErrorsAndBadArguments) {
  Cli cli;
  const std::string clv24 = "emu:type13?speed=clv24";
  cli.ExpectGoldenRuns("measure_failures.txt",
                       {{"measure", "--drive", clv24 + "&bad=5005", "--blocks", "20"},
                        {"measure", "--drive", clv24, "--start", "100", "--end", "99"},
                        {"measure", "--drive", clv24, "--end", "-4"},
                        {"measure", "--drive", clv24, "--start", "0x80000000"},
                        {"measure", "--drive", clv24, "--plot", "graph.gif"},
                        {"measure", "--drive", clv24, "--blocks", "0"},
                        {"measure", "--drive", "emu:nothing"}});
}

}  // namespace
}  // namespace tamarack::cli
