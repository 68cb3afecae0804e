#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"
#include "temp_dir.h"
#include "util/text_file.h"
#include "util/version.h"

namespace tamarack::cli {
namespace {

using tamarack::testing::TempDir;
using testing::VirtualCli;

TEST(CliTrace, RecordsEveryCommandOfTheRunOrRefusesAFileItCannotWrite) {
  TempDir dir("tamarack-cli-trace-");
  ASSERT_TRUE(dir.ok());
  VirtualCli cli;
  const std::string path = dir.File("t.jsonl");
  ASSERT_EQ(cli.Run({"--trace", path, "inquiry", "--drive", "emu:type13"}), kExitGood)
      << cli.err.str();
  auto lines = testing::Lines(ReadTextFile(path).value_or(""));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("\"drive\": \"emu:type13\", \"cdb\": \"12 00 00 00"), std::string::npos)
      << lines[0];
  // The run's trace is closed when it ends: the next run on the same drives records nothing.
  EXPECT_FALSE(cli.drives.Trace().Active());

  // Properties sends three commands; a second run starts the file afresh.
  ASSERT_EQ(cli.Run({"properties", "--drive", "emu:type13", "--trace", path}), kExitGood)
      << cli.err.str();
  lines = testing::Lines(ReadTextFile(path).value_or(""));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[1].find("\"cdb\": \"46 "), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("\"cdb\": \"5a "), std::string::npos) << lines[2];

  // A file that cannot be written stops the run before any command.
  const std::string bad = dir.File("no/such/folder.jsonl");
  EXPECT_EQ(cli.Run({"--trace", bad, "inquiry", "--drive", "emu:type13"}), kExitBadArguments);
  EXPECT_EQ(cli.err.str(),
            "tamarack-cli: cannot write the trace file " + bad + ": No such file or directory\n");
  EXPECT_EQ(cli.out.str(), "");
}

// A run builds only the subcommand it names (one run alone: tools.txt; an unknown name:
// cli_without_drive.txt); help builds them all; --version names the program and its version.
TEST(CliSubcommands, TheNamedOneIsFoundPastTheProgramsOptions) {
  EXPECT_EQ(NamedSubcommand({"--trace", "toc", "inquiry", "--drive", "toc"}), "inquiry");
  EXPECT_EQ(NamedSubcommand({"--version"}), "");
  EXPECT_EQ(NamedSubcommand({"--", "toc"}), "");
  EXPECT_EQ(NamedSubcommand({"subq-crc", "01"}), "subq-crc");

  VirtualCli cli;
  EXPECT_EQ(cli.Run({"--version"}), kExitGood);
  EXPECT_EQ(cli.out.str().rfind("tamarack-cli " + std::string(ProjectVersion()), 0), 0u);
  ASSERT_EQ(cli.Run({"--help"}), kExitGood);
  for (const char* name : {"age", "capture", "toc", "tracktest", "subq-crc"}) {
    EXPECT_NE(cli.out.str().find(std::string("\n  ") + name + " "), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace tamarack::cli
