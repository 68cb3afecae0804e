#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/hex_text.h"
#include "cli/virtual_cli.h"
#include "device/scripted_transport.h"

namespace tamarack::cli {
namespace {

using tamarack::testing::CheckCondition;
using tamarack::testing::Good;

// Runs the CLI on a directory with one scripted drive "d0".
struct Cli : tamarack::testing::ScriptedDrives {
  int Run(const std::vector<std::string>& args) {
    return testing::RunCapturing(drives, args, out, err);
  }
  void ExpectGoldenRuns(const std::string& name,
                        const std::vector<std::vector<std::string>>& runs) {
    testing::ExpectGoldenRuns(*this, name, runs);
  }
  std::ostringstream out, err;
};

// The sense table's passes and rows, the catalogue's orders as the option picks them (the
// orders themselves are the console tests'), no drives, bad arguments.
TEST(Cli, TranscriptOfTheCommandsWithoutADrive) {
  Cli cli;
  cli.provider->unopenable = {"d9"};
  cli.ExpectGoldenRuns(
      "cli_without_drive.txt",
      {{"sense", "2", "3a", "02"},
       {"sense", "5", "3A", "0"},
       {"sense", "4", "3a", "07"},
       {"sense", "9", "ee", "ee"},
       {"sense", "2", "zz", "02"},
       {"sense", "2"},
       {"nonsense"},
       {"sense", "--list"},
       {"drives"},
       {"commands"},
       {"commands", "--order", "name"},
       {"commands", "--order", "user"},
       {"commands", "--order", "size"},
       {"send", "--drive", "d0", "--cdb", "1"},
       {"send", "--drive", "d0", "--cdb", "00 00 00 00 00 00 00 00 00 00 00 00 00"},
       {"send", "--drive", "d0", "--cdb", "00", "--in", "1", "--out-hex", "00"},
       {"send", "--drive", "d9", "--cdb", "00"}});
}

TEST(CliDrives, IdentifiesEachDriveOrSaysWhyNot) {
  Cli cli;
  cli.provider->ids = {"d0", "d1"};
  cli.provider->unopenable = {"d1"};
  std::vector<std::uint8_t> inquiry(36, ' ');
  inquiry[0] = 5;
  std::copy_n("VENDOR  PRODUCT NAME    1.02", 28, inquiry.begin() + 8);
  cli.script = {Good(inquiry)};
  EXPECT_EQ(cli.Run({"drives"}), 0);
  EXPECT_EQ(cli.out.str(),
            "d0  VENDOR   PRODUCT NAME     (1.02)\n"
            "d1  cannot be opened: cannot open d1\n");
}

TEST(CliSend, PrintsStatusCountAndDump) {
  Cli cli;
  cli.script = {Good({0x00, 0x01, 0x41, 0x42})};
  EXPECT_EQ(cli.Run({"send", "--drive", "d0", "--cdb", "12 00 00 00 24", "--in", "36"}), 0);
  const std::string text = cli.out.str();
  EXPECT_NE(text.find("cdb: 12 00 00 00 24 00 00 00 00 00 00 00 \n"), std::string::npos) << text;
  EXPECT_NE(text.find("status: good\n"), std::string::npos);
  EXPECT_NE(text.find("transferred: 4\n"), std::string::npos);
  // The console dump of the reply, after the decoded Inquiry rows.
  EXPECT_NE(text.find(" Offset       00010203 04050607 08090a0b 0c0d0e0f\n"
                      "000000 0000h 00014142"),
            std::string::npos)
      << text;
  ASSERT_EQ(cli.sent.size(), 1u);
  EXPECT_EQ(cli.sent[0].buffer.size(), 36u);
}

TEST(CliSend, GroupsTheDumpAndDecodesCatalogueCommands) {
  Cli cli;
  cli.script = {Good({0x41, 0x42, 0x43, 0x44, 0x45})};
  EXPECT_EQ(cli.Run({"send", "--drive", "d0", "--cdb", "ee", "--in", "16", "--group", "1"}), 0);
  EXPECT_NE(cli.out.str().find("000000 0000h 41 42 43 44 45" + std::string(33, ' ') + " :ABCDE\n"),
            std::string::npos)
      << cli.out.str();
  EXPECT_EQ(cli.Run({"send", "--drive", "d0", "--cdb", "ee", "--in", "16", "--group", "3"}),
            kExitBadArguments);

  // Test Unit Ready: the decoder's text.
  cli.script = {Good()};
  EXPECT_EQ(cli.Run({"send", "--drive", "d0", "--cdb", "00"}), 0);
  EXPECT_NE(cli.out.str().find("Command Successed!\n"), std::string::npos) << cli.out.str();
}

TEST(CliSend, RawWritesOnlyTheReplyBytes) {
  Cli cli;
  cli.script = {Good({0xDE, 0xAD})};
  EXPECT_EQ(cli.Run({"send", "--drive", "d0", "--cdb", "28", "--in", "2048", "--raw"}), 0);
  EXPECT_EQ(cli.out.str(), std::string("\xDE\xAD", 2));
}

TEST(CliSend, ExitStatusFollowsTheSenseKey) {
  Cli cli;
  cli.script = {CheckCondition(2, 0x3A, 0x00)};
  EXPECT_EQ(cli.Run({"send", "--drive", "d0", "--cdb", "00"}), kExitNotReady);
  EXPECT_NE(cli.out.str().find("status: Error Notified( MEDIUM NOT PRESENT).\n"),
            std::string::npos);
  EXPECT_NE(cli.out.str().find("sense: 70 00 02 "), std::string::npos);
}

TEST(CliSend, OutDataGoesToTheDrive) {
  Cli cli;
  EXPECT_EQ(cli.Run({"send", "--drive", "d0", "--cdb", "55 10 00 00 00 00 00 00 08", "--out-hex",
                     "00 06 00 00 00 00 00 00"}),
            0);
  ASSERT_EQ(cli.sent.size(), 1u);
  EXPECT_EQ(cli.sent[0].direction, DataDirection::kOut);
  EXPECT_EQ(cli.sent[0].buffer.size(), 8u);
}

TEST(ExitCodes, FollowTheSgUtilsConvention) {
  CommandOutcome o;
  o.status = CommandStatus::kGood;
  EXPECT_EQ(ExitCodeFor(o), 0);
  o.status = CommandStatus::kRefused;
  o.result.status = TransportStatus::kTimedOut;
  EXPECT_EQ(ExitCodeFor(o), 33);
  o.result.status = TransportStatus::kTransportError;
  EXPECT_EQ(ExitCodeFor(o), 35);
  o.result.status = TransportStatus::kRefused;
  EXPECT_EQ(ExitCodeFor(o), 99);
  o.status = CommandStatus::kCheckCondition;
  o.sense.format = SenseFormat::kFixed;
  for (int key : {2, 3, 4, 5, 6, 7, 0xB}) {
    o.sense.key = static_cast<std::uint8_t>(key);
    EXPECT_EQ(ExitCodeFor(o), key) << "the sense key itself";
  }
  o.sense.key = 5;
  o.sense.asc = 0x20;
  EXPECT_EQ(ExitCodeFor(o), kExitInvalidOpcode);
  o.sense.format = SenseFormat::kNone;
  EXPECT_EQ(ExitCodeFor(o), 99);
}

TEST(ParseHexBytes, AcceptsPairsAndSeparatorsOnly) {
  EXPECT_EQ(ParseHexBytes("12 00 ff"), (std::vector<std::uint8_t>{0x12, 0x00, 0xFF}));
  EXPECT_EQ(ParseHexBytes("1200FF"), (std::vector<std::uint8_t>{0x12, 0x00, 0xFF}));
  EXPECT_EQ(ParseHexBytes("12,0a"), (std::vector<std::uint8_t>{0x12, 0x0A}));
  EXPECT_FALSE(ParseHexBytes("1 2"));
  EXPECT_FALSE(ParseHexBytes("123"));
  EXPECT_FALSE(ParseHexBytes("0x12"));
  EXPECT_EQ(ParseHexBytes(""), std::vector<std::uint8_t>{});
}

}  // namespace
}  // namespace tamarack::cli
