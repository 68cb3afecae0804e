// tamarack-cli toc and config against the virtual drives.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"
#include "device/clock.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack::cli {
namespace {

struct Cli : testing::VirtualCli {
  std::size_t Count(const std::string& what) const {
    const std::string text = out.str();
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
};

TEST(CliToc, FormatZeroListsTheTracksAndTheLeadOut) {
  Cli cli;
  ASSERT_EQ(cli.Run({"toc", "--drive", "emu:type30?speed=max"}), kExitGood) << cli.err.str();
  EXPECT_EQ(
      cli.out.str().rfind("Data Length=194(00c2h) First Track No.(Hex)=1 Last Track No.(Hex)=23\n"
                          "----------------Dump---------------------\n",
                          0),
      0u);
  EXPECT_EQ(cli.Count(" Trcak\n"), 23u);
  EXPECT_EQ(cli.Count("| Lead Out\n"), 1u);
  EXPECT_NE(cli.out.str().find("ADR | Control | Track No. | Track Start Address | Comment\n"),
            std::string::npos);
}

TEST(CliToc, MsfAndTrackGoIntoTheCdb) {
  Cli cli;
  ASSERT_EQ(cli.Run({"toc", "--drive", "emu:audio", "--msf", "--track", "3", "--json"}), kExitGood);
  const std::string json = cli.out.str();
  EXPECT_NE(json.find("\"cdb\": \"43 02 00 00 00 00 03 a0 00 00 00 00\""), std::string::npos);
  // From track 3 on: tracks 3, 4, 5 and the lead-out.
  EXPECT_NE(json.find("\"Track No.\": \"03h\""), std::string::npos);
  EXPECT_EQ(json.find("\"Track No.\": \"02h\""), std::string::npos);
  EXPECT_NE(json.find("\"Comment\": \"Lead Out\""), std::string::npos);
}

TEST(CliToc, CdTextOfTheAudioDisc) {
  Cli cli;
  ASSERT_EQ(cli.Run({"toc", "--drive", "emu:audio", "--format", "5"}), kExitGood);
  EXPECT_NE(cli.out.str().find("| Title of Album name |"), std::string::npos);
  EXPECT_NE(cli.out.str().find("| Size information of the Block |"), std::string::npos);
}

TEST(CliToc, FullViewExplainsEveryRowOfTheMultisessionDisc) {
  Cli cli;
  ASSERT_EQ(cli.Run({"toc", "--drive", "emu:multisession", "--full", "--format", "2"}), kExitGood)
      << cli.err.str();
  const std::string text = cli.out.str();
  EXPECT_EQ(text.rfind("TOC Data Length=134(0086h)\nFirst Session No.=1  Last Session No.=2\n", 0),
            0u);
  EXPECT_NE(text.find("[7] 04:51:00(mm:ss:ff) Start time of next possible program area\n"
                      "    79:59:74(mm:ss:ff) Maximum start time of outer-most Lead-out area\n"),
            std::string::npos);
  EXPECT_NE(text.find("[12] 4 Trcak\n    Data:recorded uninterrupted, digital copy prohibited)\n"),
            std::string::npos);
  ASSERT_EQ(cli.Run({"toc", "--drive", "emu:multisession", "--full", "--format", "2", "--json"}),
            kExitGood);
  EXPECT_NE(cli.out.str().find("\"view\": \"full\""), std::string::npos);
  EXPECT_NE(cli.out.str().find("\"explanations\": ["), std::string::npos);
}

TEST(CliToc, FullTrackView) {
  Cli cli;
  ASSERT_EQ(cli.Run({"toc", "--drive", "emu:audio", "--full"}), kExitGood);
  EXPECT_NE(cli.out.str().find("1(01h) | 01h | 02h | 00:02:00 | 00000000(000000h) | 1 Trcak(Audio: "
                               "digital copy permitted)\n"),
            std::string::npos);
}

TEST(CliToc, BadArgumentsAndFailures) {
  Cli cli;
  EXPECT_EQ(cli.Run({"toc", "--drive", "emu:audio", "--format", "6"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"toc", "--drive", "emu:audio", "--track", "256"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"toc", "--drive", "emu:audio", "--full", "--format", "1"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"toc", "--drive", "emu:audio", "--full", "--msf"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"toc", "--drive", "emu:nosuchdisc"}), kExitCannotOpen);
  // A pressed disc has no ATIP: illegal request.
  EXPECT_EQ(cli.Run({"toc", "--drive", "emu:audio", "--format", "4"}), kExitIllegalRequest);
  // No disc: the Toc tab shows nothing and says why.
  EXPECT_EQ(cli.Run({"toc", "--drive", "emu:audio?nomedium", "--full"}), kExitNotReady);
  EXPECT_NE(cli.err.str().find("MEDIUM NOT PRESENT"), std::string::npos);
  EXPECT_EQ(cli.out.str(), "");
}

TEST(CliConfig, FeaturesOfTheVirtualDrive) {
  Cli cli;
  ASSERT_EQ(cli.Run({"config", "--drive", "emu:audio"}), kExitGood) << cli.err.str();
  const std::string text = cli.out.str();
  EXPECT_EQ(text.rfind("Offset | Key | Data\n0(0000h) | Header | Data Length ", 0), 0u);
  EXPECT_NE(text.find("  6 |   Current Profile 0008h | CD-ROM Read only Compact Disc\n"),
            std::string::npos);
  EXPECT_NE(text.find("|   Profile Number 0008h | CD-ROM Read only Compact Disc  CurrentP \n"),
            std::string::npos);
  EXPECT_NE(text.find("  4 |   Physical Interface Standard | ATAPI\n"), std::string::npos);
  EXPECT_NE(text.find("| Feature Code 0107h | Real Time Streaming\n"), std::string::npos);
}

TEST(CliConfig, RequestedTypeAndStartingFeature) {
  Cli cli;
  ASSERT_EQ(cli.Run({"config", "--drive", "emu:audio", "--rt", "2", "--start", "0x001E", "--json"}),
            kExitGood);
  const std::string json = cli.out.str();
  EXPECT_NE(json.find("\"cdb\": \"46 02 00 1e 00 00 00 a0 00 00 00 00\""), std::string::npos);
  EXPECT_NE(json.find("\"Key\": \"Feature Code 001eh\", \"Data\": \"CD-Read\""), std::string::npos);
  EXPECT_EQ(json.find("Feature Code 0001h"), std::string::npos);
  ASSERT_EQ(cli.Run({"config", "--drive", "emu:audio", "--start", "103h"}), kExitGood);
  EXPECT_EQ(cli.out.str().find("Feature Code 0000h"), std::string::npos);
  EXPECT_NE(cli.out.str().find("Feature Code 0103h"), std::string::npos);
}

TEST(CliConfig, BadArguments) {
  Cli cli;
  EXPECT_EQ(cli.Run({"config", "--drive", "emu:audio", "--rt", "3"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"config", "--drive", "emu:audio", "--start", "10000"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"config", "--drive", "emu:audio", "--start", "g1"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"config", "--drive", "emu:audio", "--start", ""}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"config"}), kExitBadArguments);
}

}  // namespace
}  // namespace tamarack::cli
