#include <gtest/gtest.h>

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

// The exit status of each outcome of exit_codes.txt: good; no device; refused on a time-out, a
// transport error or by the transport; a check condition with fixed sense, its key and ASC (in
// hex): the key itself, but an invalid command operation code (5/20h); one without sense.
TEST(ExitCodes, FollowTheSgUtilsConvention) {
  tamarack::testing::ExpectEachInput("exit_codes.txt", "cli", [](const std::string& line) {
    std::istringstream in(line);
    std::string kind;
    unsigned key = 0, asc = 0;
    in >> kind >> std::hex >> key >> asc;
    CommandOutcome o;
    o.status = kind == "good"                 ? CommandStatus::kGood
               : kind == "no-device"          ? CommandStatus::kNoDevice
               : kind.starts_with("refused-") ? CommandStatus::kRefused
                                              : CommandStatus::kCheckCondition;
    o.result.status = kind == "refused-timeout"     ? TransportStatus::kTimedOut
                      : kind == "refused-transport" ? TransportStatus::kTransportError
                                                    : TransportStatus::kRefused;
    o.sense.format = kind == "check" ? SenseFormat::kFixed : SenseFormat::kNone;
    o.sense.key = static_cast<std::uint8_t>(key);
    o.sense.asc = static_cast<std::uint8_t>(asc);
    return "exit " + std::to_string(ExitCodeFor(o));
  });
}

// Typed bytes, numbers and codes: one parser each for every caller (util/strings.h). Each line of
// typed_text.txt: the parser (bytes; digits with the base and the largest value; a hex code as
// opcodes, page and feature codes are typed, with its digits and the largest value), "|", the
// text; then what the parser takes of it: no wrap past 2^64, a hex digit in a decimal number or
// one above the limit refused, every written form of a code and nothing more.
TEST(TypedText, BytesNumbersAndCodesTakeOnlyWhatTheySay) {
  tamarack::testing::ExpectEachInput("typed_text.txt", "cli", [](const std::string& line) {
    std::istringstream parser(line.substr(0, line.find('|')));
    const std::string text = line.substr(line.find('|') + 1);
    std::string kind;
    int base_or_digits = 0;
    std::uint64_t max = 0;
    parser >> kind >> base_or_digits >> max;
    if (kind == "bytes") {
      const auto bytes = ParseTypedHexBytes(text);
      return bytes ? "[" + HexBytes(*bytes, "") + "]" : "refused";
    }
    const auto value = kind == "digits"
                           ? ParseDigits(text, base_or_digits, max)
                           : ParseHexCode(text, static_cast<std::size_t>(base_or_digits), max);
    return value ? std::to_string(*value) : "refused";
  });
}

}  // namespace
}  // namespace tamarack::cli
