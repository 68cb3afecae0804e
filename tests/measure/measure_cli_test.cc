// tamarack-cli measure on virtual drives with a simulated clock.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"
#include "temp_dir.h"
#include "persist/measurement_file.h"

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
  ASSERT_EQ(cli.Run({"measure", "--drive", "emu:type13?speed=clv24", "--end", "0x752f", "--save",
                     dir.File("a.msr"), "--plot", dir.File("a.svg")}),
            kExitGood)
      << cli.err.str();
  // 30000 blocks at 1800 a second: 16 whole seconds and the blocks of the last.
  EXPECT_EQ(cli.out.str(),
            "model: KESTREL  CDV-4800 Virtual\n"
            "cdb: be 00 00 00 00 00 00 00 0a 10 00 00\n"
            "Blk=10,BlkSize=2048,StartLba=0,LastLba=29999(58M)\n"
            "x23.5 speed(61440000 Bytes/17 Sec)\n"
            "平均\n"
            "Rotation: CLV x24.0\n"
            "saved: " +
                dir.File("a.msr") + "\nplot: " + dir.File("a.svg") + "\n");
  SpeedRecord saved;
  std::string error;
  ASSERT_TRUE(ParseMeasurementFile(ReadFile(dir.File("a.msr")), &saved, &error)) << error;
  EXPECT_EQ(saved.block_size, 2048);
  EXPECT_EQ(saved.model, "KESTREL  CDV-4800 Virtual");
  EXPECT_EQ(saved.samples.size(), 17u);
  EXPECT_EQ(saved.SampleSum(), 30000);
  EXPECT_NEAR(saved.samples[8], 1800, 1);
  const std::string svg = ReadFile(dir.File("a.svg"));
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("stroke=\"#7b68ee\""), std::string::npos);  // the speed line
  EXPECT_NE(svg.find(">100M</text>"), std::string::npos);
#ifdef TAMARACK_HAVE_PNG_PLOT
  ASSERT_EQ(cli.Run({"measure", "--drive", "emu:type13?speed=clv24", "--end", "9999", "--plot",
                     dir.File("a.png")}),
            kExitGood);
  EXPECT_EQ(ReadFile(dir.File("a.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
#endif
}

TEST(CliMeasure, AnUnreadableBlockEndsTheRunWithTheDrivesStatus) {
  // The command from 5000 reads five blocks before the bad one.
  Cli cli;
  EXPECT_EQ(cli.Run({"measure", "--drive", "emu:type13?speed=clv24&bad=5005", "--blocks", "20"}),
            kExitMediumError);
  EXPECT_NE(cli.err.str().find("Read ｴﾗｰが発生しました(LBA=5005)計測を中止します"),
            std::string::npos);
  EXPECT_NE(cli.out.str().find("Error Notified( UNRECOVERED READ ERROR)."), std::string::npos);
  EXPECT_NE(cli.out.str().find("\n平均\n"), std::string::npos);
}

TEST(CliMeasure, BadArgumentsAreRefusedBeforeTheDriveIsRead) {
  Cli cli;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--start", "100", "--end", "99"},
        std::vector<std::string>{"--end", "-4"}, std::vector<std::string>{"--start", "0x80000000"},
        std::vector<std::string>{"--plot", "graph.gif"},
        std::vector<std::string>{"--blocks", "0"}}) {
    std::vector<std::string> line = {"measure", "--drive", "emu:type13?speed=clv24"};
    line.insert(line.end(), args.begin(), args.end());
    EXPECT_EQ(cli.Run(line), kExitBadArguments) << args[0];
    EXPECT_EQ(cli.out.str(), "") << args[0];
    EXPECT_NE(cli.err.str(), "") << args[0];
  }
  EXPECT_EQ(cli.Run({"measure", "--drive", "emu:nothing"}), kExitCannotOpen);
}

}  // namespace
}  // namespace tamarack::cli
