// tamarack-cli measure on virtual drives with a simulated clock.
#include <gtest/gtest.h>

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

TEST(CliMeasure, PrintsTheSummaryAndRotationAndWritesTheRecordAndItsPlot) {
  tamarack::testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  Cli cli;
  ASSERT_EQ(cli.Run({"measure", "--drive", "emu:type13?speed=clv8", "--end", "0x2edf", "--save",
                     dir.File("a.msr"), "--plot", dir.File("a.svg")}),
            kExitGood)
      << cli.err.str();
  // 12000 blocks at 600 a second: 20 seconds, and a few blocks late by the drive's rounding
  // of each command's time to microseconds, in a 21st.
  EXPECT_EQ(cli.out.str(),
            "model: KESTREL  CDV-4800 Virtual\n"
            "cdb: be 00 00 00 00 00 00 00 0a 10 00 00\n"
            "Blk=10,BlkSize=2048,StartLba=0,LastLba=11999(23M)\n"
            "x7.6 speed(24576000 Bytes/21 Sec)\n"
            "平均\n"
            "Rotation: CLV x8.0\n"
            "saved: " +
                dir.File("a.msr") + "\nplot: " + dir.File("a.svg") + "\n");
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
#ifdef TAMARACK_HAVE_PNG_PLOT
  ASSERT_EQ(cli.Run({"measure", "--drive", "emu:type13?speed=clv8", "--end", "2999", "--plot",
                     dir.File("a.png")}),
            kExitGood);
  EXPECT_EQ(ReadFile(dir.File("a.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
#endif
}

TEST(CliMsr, PrintsTheSummaryOfASavedFileAndDrawsItsGraph) {
  tamarack::testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  dir.Write("two.msr", "2048 0 Model=KESTREL CDV\n75\n150\n");
  Cli cli;
  ASSERT_EQ(cli.Run({"msr", dir.File("two.msr"), "--plot", dir.File("two.svg")}), kExitGood)
      << cli.err.str();
  EXPECT_EQ(cli.out.str(), "model: KESTREL CDV\nx1.5 speed(460800 Bytes/2 Sec)\nplot: " +
                               dir.File("two.svg") + "\n");
  EXPECT_EQ(ReadFile(dir.File("two.svg")).rfind("<?xml", 0), 0u);

  // A file that is not there, not a measurement, or without samples; a plot of another kind.
  dir.Write("zero.msr", "0 0 Model=x\n75\n");
  dir.Write("empty.msr", "2048 0 Model=x\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  } const kCases[] = {
      {{"msr", dir.File("missing.msr")}, kExitBadArguments, "No such file"},
      {{"msr", dir.File("zero.msr")}, kExitBadArguments, "block size"},
      {{"msr", dir.File("empty.msr")}, kExitOther, "holds no samples"},
      {{"msr", dir.File("two.msr"), "--plot", dir.File("two.gif")}, kExitBadArguments, "FILE.svg"},
  };
  for (const Case& c : kCases) {
    Cli bad;
    EXPECT_EQ(bad.Run(c.args), c.status) << c.args[1];
    EXPECT_NE(bad.err.str().find(c.says), std::string::npos) << bad.err.str();
  }
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
