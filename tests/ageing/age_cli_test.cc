// tamarack-cli age in-process against the virtual drives on a simulated clock.
#include <gtest/gtest.h>

#include <filesystem>

#include "ageing/ageing_file.h"
#include "ageing_bench.h"
#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

TEST(CliAge, FlagsOverrideTheSettingsFileAndADataErrorExits14) {
  Cli cli;
  tamarack::testing::AgeingBench files("emu:type13?speed=max");
  AgeingSettings file;
  file.start_lba = 100;
  file.end_lba = 200;
  file.step = 50;
  file.transfer_length = 7;
  file.command_index = 0;
  file.log_html = false;
  file.mode.set_loop(static_cast<int>(LoopMode::kOnce));
  files.dir.Write("run.age", FormatAgeingLines(file));
  const std::string log = files.dir.File("log.txt");
  const int code = cli.Run({"age", "--drive", "emu:type13?speed=max&corrupt=150", "--settings",
                            files.dir.File("run.age"), "--length", "2", "--check", "type13",
                            "--log", log, "--failed-only", "--detail", "detailed", "--seed", "3"});
  EXPECT_EQ(code, kExitMiscompare) << cli.err.str();
  EXPECT_NE(cli.out.str().find("commands 3, failed 0, data OK 2, data NG 1\n"), std::string::npos)
      << cli.out.str();
  const std::string text = files.Log();
  EXPECT_NE(text.find("Transfer Length=2(2h)"), std::string::npos) << "the flag wins";
  EXPECT_NE(text.find("Start Lba=100(64h)"), std::string::npos) << "the file's value stays";
  EXPECT_NE(text.find("NG (+0)\n"), std::string::npos);

  // The file's log is the window's: without --log the terminal's run logs nothing.
  file.log_path = files.dir.File("window.htm");
  files.dir.Write("run.age", FormatAgeingLines(file));
  EXPECT_EQ(
      cli.Run({"age", "--drive", "emu:type13?speed=max", "--settings", files.dir.File("run.age")}),
      kExitGood)
      << cli.err.str();
  EXPECT_FALSE(std::filesystem::exists(file.log_path));
  EXPECT_EQ(cli.out.str().find("log:"), std::string::npos) << cli.out.str();
}

TEST(CliAge, ExitStatusOfTheLastFailureAndRefusals) {
  Cli cli;
  cli.ExpectGoldenRuns(
      "age.txt",
      {{"age", "--drive", "emu:type13?speed=max", "--start", "0", "--end", "40", "--loop", "2",
        "--method", "twopoint"},
       {"age", "--drive", "emu:type13", "--method", "zigzag"},
       {"age", "--drive", "emu:type13", "--length", "101", "--end", "9"},
       // A log that cannot be opened stops the run, asked or not.
       {"age", "--drive", "emu:type13?speed=max", "--end", "9", "--log", "/no/such/dir/log.txt",
        "--yes"},
       // A single pass from past the disc's last block (332999) would read nothing.
       {"age", "--drive", "emu:type13?speed=max", "--start", "333000", "--end", "333010", "--loop",
        "once"},
       // A range that gives no read at all is no pass.
       {"age", "--drive", "emu:type13?speed=max", "--start", "0", "--end", "0", "--loop", "once"},
       // A single pass whose step never moves it on would read LBA 0 forever.
       {"age", "--drive", "emu:type13?speed=max", "--end", "20", "--step", "0", "--loop", "once"},
       {"age", "--drive", "emu:type13?speed=max", "--end", "20", "--step", "-5", "--loop",
        "once"}});
}

}  // namespace
}  // namespace tamarack::cli
