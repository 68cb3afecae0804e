// tamarack-cli toc and config against the virtual drives.
#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

class CliTocOnEveryPath : public testing::ResidModeTest {};
TAMARACK_ON_EVERY_RESID_MODE(CliTocOnEveryPath);
class CliConfigOnEveryPath : public testing::ResidModeTest {};
TAMARACK_ON_EVERY_RESID_MODE(CliConfigOnEveryPath);

// The decoded lists as the terminal shows them: the track list of the 23-track disc, the
// CD-TEXT packs, the Toc tab's full view with every row explained and its track view.
TEST_P(CliTocOnEveryPath, EveryViewOfTheVirtualDiscs) {
  Cli cli;
  cli.ExpectGoldenOutput("toc_type30.txt", {"toc", "--drive", Id("emu:type30?speed=max")});
  cli.ExpectGoldenOutput("toc_audio_cd_text.txt",
                         {"toc", "--drive", Id("emu:audio"), "--format", "5"});
  cli.ExpectGoldenOutput("toc_multisession_full.txt",
                         {"toc", "--drive", Id("emu:multisession"), "--full", "--format", "2"});
  cli.ExpectGoldenOutput("toc_audio_track_view.txt", {"toc", "--drive", Id("emu:audio"), "--full"});
}

TEST_P(CliTocOnEveryPath, MsfAndTrackGoIntoTheCdb) {
  Cli cli;
  ASSERT_EQ(cli.Run({"toc", "--drive", Id("emu:audio"), "--msf", "--track", "3", "--json"}),
            kExitGood);
  const std::string json = cli.out.str();
  EXPECT_NE(json.find("\"cdb\": \"43 02 00 00 00 00 03 a0 00 00 00 00\""), std::string::npos);
  // From track 3 on: tracks 3, 4, 5 and the lead-out.
  EXPECT_NE(json.find("\"Track No.\": \"03h\""), std::string::npos);
  EXPECT_EQ(json.find("\"Track No.\": \"02h\""), std::string::npos);
  EXPECT_NE(json.find("\"Comment\": \"Lead Out\""), std::string::npos);
}

TEST_P(CliTocOnEveryPath, FullViewAsJsonCarriesTheExplanations) {
  Cli cli;
  ASSERT_EQ(
      cli.Run({"toc", "--drive", Id("emu:multisession"), "--full", "--format", "2", "--json"}),
      kExitGood);
  EXPECT_NE(cli.out.str().find("\"view\": \"full\""), std::string::npos);
  EXPECT_NE(cli.out.str().find("\"explanations\": ["), std::string::npos);
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

TEST_P(CliConfigOnEveryPath, FeaturesOfTheVirtualDrive) {
  testing::VirtualCli cli;
  cli.ExpectGoldenOutput("config_audio.txt", {"config", "--drive", Id("emu:audio")});
}

TEST_P(CliConfigOnEveryPath, RequestedTypeAndStartingFeature) {
  Cli cli;
  ASSERT_EQ(
      cli.Run({"config", "--drive", Id("emu:audio"), "--rt", "2", "--start", "0x001E", "--json"}),
      kExitGood);
  const std::string json = cli.out.str();
  EXPECT_NE(json.find("\"cdb\": \"46 02 00 1e 00 00 00 a0 00 00 00 00\""), std::string::npos);
  EXPECT_NE(json.find("\"Key\": \"Feature Code 001eh\", \"Data\": \"CD-Read\""), std::string::npos);
  EXPECT_EQ(json.find("Feature Code 0001h"), std::string::npos);
  ASSERT_EQ(cli.Run({"config", "--drive", Id("emu:audio"), "--start", "103h"}), kExitGood);
  EXPECT_EQ(cli.out.str().find("Feature Code 0000h"), std::string::npos);
  EXPECT_NE(cli.out.str().find("Feature Code 0103h"), std::string::npos);
}

// A current drive: every descriptor it sent, each where it lies, the unknown ones by their
// heading, none read out of the middle of another.
TEST_P(CliConfigOnEveryPath, AModernDriveListsExactlyTheDescriptorsItSent) {
  Cli cli;
  cli.ExpectGoldenOutput("config_modern.txt",
                         {"config", "--drive", Id("emu:type13?model=modern&speed=max")});
  cli.ExpectGoldenOutput("properties_modern.txt",
                         {"properties", "--drive", Id("emu:type13?model=modern&speed=max")});
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
