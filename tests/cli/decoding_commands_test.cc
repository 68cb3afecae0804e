// The decoding subcommands (inquiry, properties, capacity, event, mechanism, subchannel, toc,
// config) and --json, against the virtual drive: transcripts in tests/data/cli.
#include <gtest/gtest.h>

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
// The decoded lists as the terminal shows them: the track list of the 23-track disc, the Toc
// tab's track view; the MSF bit and the track in the CDB, the full view's explanations as JSON,
// and the multisession disc's full view: these goldens are the check of those rows on every
// path. (The CD-TEXT packs are the decoder's: tests/decode, audio_cd_text.txt.) The features: a
// padded tail prints as a zeroed one (both paths share config_start_zero.txt); a current drive
// lists every descriptor it sent, each where it lies, the unknown ones by their heading, none
// read out of the middle of another.
TEST_P(DecodingOnEveryPath, EveryDecodingSubcommand) {
  Cli cli;
  const std::string type13 = Id("emu:type13"), audio = Id("emu:audio");
  const std::string modern = Id("emu:type13?model=modern&speed=max");
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
  cli.ExpectGoldenOutput("toc_type30.txt", {"toc", "--drive", Id("emu:type30?speed=max")});
  cli.ExpectGoldenOutput("toc_audio_track_view.txt", {"toc", "--drive", audio, "--full"});
  cli.ExpectGoldenRuns(
      "toc_json_" + GetParam() + ".txt",
      {{"toc", "--drive", audio, "--msf", "--track", "3", "--json"},
       {"toc", "--drive", Id("emu:multisession"), "--full", "--format", "2", "--json"}});
  cli.ExpectGoldenOutput("config_audio.txt", {"config", "--drive", audio});
  cli.ExpectGoldenRuns(
      "config_start_" + (GetParam() == "pad" ? std::string("zero") : GetParam()) + ".txt",
      {{"config", "--drive", audio, "--rt", "2", "--start", "0x001E", "--json"},
       {"config", "--drive", audio, "--start", "103h"}});
  cli.ExpectGoldenOutput("config_modern.txt", {"config", "--drive", modern});
  cli.ExpectGoldenOutput("properties_modern.txt", {"properties", "--drive", modern});
}

// A check condition gives the sense and its exit status; a command without data goes out
// without a data direction (on a path that reports no residual, a data-in buffer would come
// back whole). A pressed disc has no ATIP: illegal request. No disc: the Toc tab shows nothing
// and says why. Bad arguments of toc and config.
TEST(DecodingCommands, FailuresAndBadArguments) {
  Cli cli;
  cli.ExpectGoldenRuns("decoding_failures.txt",
                       {{"capacity", "--drive", "emu:type13?nomedium", "--json"},
                        {"capacity", "--drive", "emu:type13?nomedium"},
                        {"mechanism", "--drive", "emu:type13?refuse=bd", "--json"},
                        {"inquiry", "--drive", "nowhere"},
                        {"send", "--drive", "emu:audio?resid=none", "--cdb", "00", "--in", "64"},
                        {"send", "--drive", "emu:audio?resid=none", "--cdb", "25", "--in", "64"}});
  cli.ExpectGoldenRuns("toc_failures.txt",
                       {{"toc", "--drive", "emu:audio", "--format", "6"},
                        {"toc", "--drive", "emu:audio", "--track", "256"},
                        {"toc", "--drive", "emu:audio", "--full", "--format", "1"},
                        {"toc", "--drive", "emu:audio", "--full", "--msf"},
                        {"toc", "--drive", "emu:nosuchdisc"},
                        {"toc", "--drive", "emu:audio", "--format", "4"},
                        {"toc", "--drive", "emu:audio?nomedium", "--full"}});
  cli.ExpectGoldenRuns("config_bad_arguments.txt",
                       {{"config", "--drive", "emu:audio", "--rt", "3"},
                        {"config", "--drive", "emu:audio", "--start", "10000"},
                        {"config", "--drive", "emu:audio", "--start", "g1"},
                        {"config", "--drive", "emu:audio", "--start", ""},
                        {"config"}});
}

}  // namespace
}  // namespace tamarack::cli
