// The decoding subcommands (inquiry, properties, capacity, event, mechanism, subchannel) and
// --json, against the virtual drive: transcripts in tests/data/cli.
#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "cli/virtual_cli.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

class DecodingOnEveryPath : public testing::ResidModeTest {};
TAMARACK_ON_EVERY_RESID_MODE(DecodingOnEveryPath);

TEST(JsonText, EscapesControlCharactersAndStrayBytes) {
  EXPECT_EQ(JsonString("a\"b\\c\r\n\t"), "\"a\\\"b\\\\c\\r\\n\\t\"");
  EXPECT_EQ(JsonString(std::string("\x01\x7f", 2)), "\"\\u0001\\u007f\"");
  EXPECT_EQ(JsonString("μs"), "\"μs\"");                    // well-formed UTF-8 passes
  EXPECT_EQ(JsonString("\xB1\xFF"), "\"\\u00b1\\u00ff\"");  // stray bytes do not
  EXPECT_EQ(JsonString("\xE3\x81"), "\"\\u00e3\\u0081\"");  // a cut sequence neither
  EXPECT_EQ(JsonObject({{"a", "1"}, {"b", "[]"}}), "{\"a\": 1, \"b\": []}");
}

// The decoded texts are the same on every path; the JSON tells each path's transferred count.
TEST_P(DecodingOnEveryPath, EveryDecodingSubcommand) {
  Cli cli;
  const std::string type13 = Id("emu:type13"), audio = Id("emu:audio");
  cli.ExpectGoldenOutput("properties_type13.txt", {"properties", "--drive", type13});
  cli.ExpectGoldenRuns("decoding_commands.txt",
                       {{"inquiry", "--drive", type13},
                        {"capacity", "--drive", audio},
                        {"mechanism", "--drive", audio},
                        {"event", "--drive", audio, "--class", "media"},
                        {"event", "--drive", audio, "--length", "0"},
                        {"event", "--drive", audio, "--class", "media,nonsense"},
                        {"subchannel", "--drive", audio, "--format", "1"},
                        {"subchannel", "--drive", audio, "--format", "4"},
                        {"properties", "--drive", Id("emu:type13?refuse=5a")},
                        {"send", "--drive", audio, "--cdb", "25", "--json", "--raw"}});
  cli.ExpectGoldenRuns("decoding_json_" + GetParam() + ".txt",
                       {{"inquiry", "--drive", type13, "--json"},
                        {"subchannel", "--drive", audio, "--format", "2", "--json"},
                        {"properties", "--drive", type13, "--json"},
                        {"send", "--drive", audio, "--cdb", "25", "--in", "8", "--json"}});
}

// A check condition gives the sense and its exit status; a command without data goes out
// without a data direction (on a path that reports no residual, a data-in buffer would come
// back whole).
TEST(DecodingCommands, FailuresAndCommandsWithoutData) {
  Cli cli;
  cli.ExpectGoldenRuns("decoding_failures.txt",
                       {{"capacity", "--drive", "emu:type13?nomedium", "--json"},
                        {"capacity", "--drive", "emu:type13?nomedium"},
                        {"mechanism", "--drive", "emu:type13?refuse=bd", "--json"},
                        {"inquiry", "--drive", "nowhere"},
                        {"send", "--drive", "emu:audio?resid=none", "--cdb", "00", "--in", "64"},
                        {"send", "--drive", "emu:audio?resid=none", "--cdb", "25", "--in", "64"}});
}

}  // namespace
}  // namespace tamarack::cli
