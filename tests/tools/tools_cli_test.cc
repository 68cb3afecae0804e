// tamarack-cli tracktest, subq-check and the conversions against the virtual drives: what they
// print and their exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliTrackTest, ExitStatusByVerdict) {
  Cli cli;
  ASSERT_EQ(cli.Run({"tracktest", "type30-1", "--drive", "emu:type30?speed=max&resid=zero"}),
            kExitGood)
      << cli.err.str();
  EXPECT_EQ(cli.out.str().rfind("Toc Reading OK!\nTrack  1 Ok User Data Length=2048 Time=", 0), 0u);
  EXPECT_EQ(Lines(cli.out.str()), 91u + 1u);  // the list and "Finished"
  EXPECT_NE(cli.out.str().find("\nFinished\n"), std::string::npos);
  EXPECT_EQ(cli.Run({"tracktest", "type30", "--drive", "emu:type30?speed=max&formless=0"}),
            kExitMiscompare);
  EXPECT_NE(cli.out.str().find("***Track  1 Ng User Data Length=2336"), std::string::npos);
  // A failed read gives its sense category.
  EXPECT_EQ(cli.Run({"tracktest", "type13", "--drive", "emu:type13?speed=max&bad=90"}),
            kExitMediumError);
  EXPECT_NE(cli.out.str().find("Command Error\n"), std::string::npos);
  EXPECT_NE(cli.err.str().find("UNRECOVERED READ ERROR"), std::string::npos);
  // Not the test disc.
  EXPECT_EQ(cli.Run({"tracktest", "type13", "--drive", "emu:audio?speed=max"}), kExitMiscompare);
  EXPECT_NE(cli.err.str().find("Toc Information Ng"), std::string::npos);
  EXPECT_EQ(cli.Run({"tracktest", "type31", "--drive", "emu:type30"}), kExitBadArguments);
}

TEST(CliSubQCheck, CountsAndEnds) {
  Cli cli;
  ASSERT_EQ(cli.Run({"subq-check", "--drive", "emu:audio?speed=max&resid=none&qcrc=10-11"}),
            kExitMiscompare);
  const std::string o = cli.out.str();
  EXPECT_NE(o.find("CRC error count=2\n"), std::string::npos) << o;
  EXPECT_NE(o.find("Total Subq=30600 CRC error=2\nDigital copy ok="), std::string::npos) << o;
  EXPECT_NE(o.find("終了しました\n"), std::string::npos);
  EXPECT_EQ(cli.Run({"subq-check", "--drive", "emu:audio?speed=max"}), kExitGood);
  EXPECT_EQ(cli.Run({"subq-check", "--drive", "emu:audio?nomedium"}), kExitNotReady);
  EXPECT_NE(cli.err.str().find("No Discではありませんか?"), std::string::npos);
}

TEST(CliConversions, LinesAndErrors) {
  Cli cli;
  EXPECT_EQ(cli.Run({"lba2msf", "0"}), kExitGood);
  EXPECT_EQ(cli.out.str(), "0 (0000h) -> 00 02 00(00h 02h 00h)\n");
  EXPECT_EQ(cli.Run({"lba2msf", "1c2", "--hex"}), kExitGood);
  EXPECT_EQ(cli.out.str(), "450 (01c2h) -> 00 08 00(00h 08h 00h)\n");
  EXPECT_EQ(cli.Run({"msf2lba", "16212c"}), kExitGood);
  EXPECT_EQ(cli.out.str(), "16212c -> 101369 (18bf9h)\n");
  EXPECT_EQ(cli.Run({"msf2lba", "000174", "--bcd"}), kExitBadArguments);
  EXPECT_EQ(cli.out.str(), "Error!\n");
  EXPECT_EQ(cli.Run({"subq-crc", "0114", "0101", "3057", "0041", "3416"}), kExitGood);
  EXPECT_EQ(cli.out.str(), "01 14 01 01 30 57 00 41 34 16  -> 6c48\n");
}

}  // namespace
}  // namespace tamarack::cli
