#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/hex_text.h"
#include "cli/virtual_cli.h"
#include "device/scripted_transport.h"
#include "util/strings.h"

namespace tamarack::cli {
namespace {

using tamarack::testing::CheckCondition;
using tamarack::testing::Good;
using tamarack::testing::ScriptedReply;

// Runs the CLI on a directory with one scripted drive "d0". Each run takes the next of
// `scripts` as the drive's replies, if any are left, and its output ends with what the drive
// got: each request's direction and buffer size.
struct ScriptedCli : tamarack::testing::ScriptedDrives {
  int Run(const std::vector<std::string>& args) {
    if (!scripts.empty()) {
      script = scripts.front();
      scripts.erase(scripts.begin());
    }
    const std::size_t before = sent.size();
    const int status = testing::RunCapturing(drives, args, out, err);
    for (std::size_t i = before; i < sent.size(); ++i) {
      out << "sent: " << (sent[i].direction == DataDirection::kOut ? "out " : "in ")
          << sent[i].buffer.size() << "\n";
    }
    return status;
  }
  std::vector<std::vector<ScriptedReply>> scripts;
  std::ostringstream out, err;
};

// The sense table's passes and rows, the catalogue's orders as the option picks them (the
// orders themselves are the console tests'), no drives, bad arguments.
TEST(Cli, TranscriptOfTheCommandsWithoutADrive) {
  ScriptedCli cli;
  cli.provider->unopenable = {"d9"};
  testing::ExpectGoldenRuns(
      cli, "cli_without_drive.txt",
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

// Each drive identified or why not; Send's status, count and console dump (after the decoded
// rows, grouped as asked), the decoder's text, the exit status of a sense key, data out.
TEST(Cli, TranscriptOfTheScriptedDrives) {
  ScriptedCli cli;
  cli.provider->ids = {"d0", "d1"};
  cli.provider->unopenable = {"d1"};
  std::vector<std::uint8_t> inquiry(36, ' ');
  inquiry[0] = 5;
  std::copy_n("VENDOR  PRODUCT NAME    1.02", 28, inquiry.begin() + 8);
  const std::vector<std::uint8_t> abcde = {0x41, 0x42, 0x43, 0x44, 0x45};
  cli.scripts = {{Good(inquiry)}, {Good({0x00, 0x01, 0x41, 0x42})}, {Good(abcde)}, {Good(abcde)},
                 {Good()},        {CheckCondition(2, 0x3A, 0x00)},  {Good()}};
  testing::ExpectGoldenRuns(cli, "cli_scripted_drives.txt",
                            {{"drives"},
                             {"send", "--drive", "d0", "--cdb", "12 00 00 00 24", "--in", "36"},
                             {"send", "--drive", "d0", "--cdb", "ee", "--in", "16", "--group", "1"},
                             {"send", "--drive", "d0", "--cdb", "ee", "--in", "16", "--group", "3"},
                             {"send", "--drive", "d0", "--cdb", "00"},
                             {"send", "--drive", "d0", "--cdb", "00"},
                             {"send", "--drive", "d0", "--cdb", "55 10 00 00 00 00 00 00 08",
                              "--out-hex", "00 06 00 00 00 00 00 00"}});
}

TEST(CliSend, RawWritesOnlyTheReplyBytes) {
  ScriptedCli cli;
  cli.scripts = {{Good({0xDE, 0xAD})}};
  EXPECT_EQ(cli.Run({"send", "--drive", "d0", "--cdb", "28", "--in", "2048", "--raw"}), 0);
  EXPECT_EQ(cli.out.str(), std::string("\xDE\xAD", 2) + "sent: in 2048\n");
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

// Typed numbers and bytes: one parser each for every caller (util/strings.h).
TEST(TypedText, HexBytesAndDigitsTakeOnlyWhatTheySay) {
  EXPECT_EQ(ParseTypedHexBytes("12 00 ff"), (std::vector<std::uint8_t>{0x12, 0x00, 0xFF}));
  EXPECT_EQ(ParseTypedHexBytes("1200FF"), (std::vector<std::uint8_t>{0x12, 0x00, 0xFF}));
  EXPECT_EQ(ParseTypedHexBytes("12,0a"), (std::vector<std::uint8_t>{0x12, 0x0A}));
  EXPECT_FALSE(ParseTypedHexBytes("1 2"));
  EXPECT_FALSE(ParseTypedHexBytes("123"));
  EXPECT_FALSE(ParseTypedHexBytes("0x12"));
  EXPECT_EQ(ParseTypedHexBytes(""), std::vector<std::uint8_t>{});

  EXPECT_EQ(ParseDigits("18446744073709551615", 10, UINT64_MAX), UINT64_MAX);
  EXPECT_FALSE(ParseDigits("18446744073709551616", 10, UINT64_MAX)) << "wraps past 2^64";
  EXPECT_EQ(ParseDigits("fF", 16, 0xFF), 0xFFu);
  EXPECT_FALSE(ParseDigits("100", 16, 0xFF));
  EXPECT_FALSE(ParseDigits("a", 10, 99)) << "a hex digit in a decimal number";
  EXPECT_FALSE(ParseDigits("5", 10, 4)) << "one digit above the limit";
  EXPECT_FALSE(ParseDigits("", 10, 99));
  EXPECT_FALSE(ParseDigits("+1", 10, 99));
}

// Codes typed in hexadecimal (opcodes, page and feature codes) take every written form of
// the code and nothing more.
TEST(TypedText, HexCodesTakeTheirWrittenForms) {
  struct Case {
    const char* text;
    std::size_t max_digits;
    std::uint64_t max;
    std::optional<std::uint64_t> value;
  };
  const Case cases[] = {
      {"2a", 2, 0xFF, 0x2A},   {"2Ah", 2, 0xFF, 0x2A},     {"0x2A", 2, 0xFF, 0x2A},
      {"0X2a", 2, 0xFF, 0x2A}, {"2AH", 2, 0xFF, 0x2A},     {"0", 2, 0xFF, 0},
      {"0x", 2, 0xFF, {}},     {"h", 2, 0xFF, {}},         {"", 2, 0xFF, {}},
      {"0x2ah", 2, 0xFF, {}},  {"02a", 2, 0xFF, {}},       {"40", 2, 0x3F, {}},
      {"3f", 2, 0x3F, 0x3F},   {"001eh", 4, 0xFFFF, 0x1E}, {"0x0001e", 4, 0xFFFF, {}},
      {"-1", 2, 0xFF, {}},     {"2 a", 2, 0xFF, {}},       {"0h", 2, 0xFF, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexCode(c.text, c.max_digits, c.max), c.value) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace tamarack::cli
