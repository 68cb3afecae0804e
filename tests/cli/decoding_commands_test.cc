// The decoding subcommands (inquiry, properties, capacity, event, mechanism, subchannel) and
// --json, against the virtual drive.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "cli/virtual_cli.h"
#include "device/clock.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

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

TEST_P(DecodingOnEveryPath, InquiryAsTheListShowsItAndAsJson) {
  Cli cli;
  ASSERT_EQ(cli.Run({"inquiry", "--drive", Id("emu:type13")}), kExitGood) << cli.err.str();
  EXPECT_EQ(cli.out.str().rfind("Key | Value | Comment\n", 0), 0u);
  EXPECT_TRUE(Has(cli.out.str(), "Peripheral device type | 05h | CD-ROM device\n"));
  ASSERT_EQ(cli.Run({"inquiry", "--drive", Id("emu:type13"), "--json"}), kExitGood);
  const std::string j = cli.out.str();
  EXPECT_EQ(j.rfind("{\"cdb\": \"12 00 00 00 ff 00 00 00 00 00 00 00\", \"outcome\": \"good\", "
                    "\"transferred\": ",
                    0),
            0u)
      << j;
  EXPECT_TRUE(Has(j, "\"duration_us\": "));
  EXPECT_TRUE(Has(j, "\"reply\": \"05 80 "));
  EXPECT_TRUE(Has(j, "\"columns\": [\"Key\", \"Value\", \"Comment\"]"));
  EXPECT_TRUE(Has(j,
                  "{\"Key\": \"Peripheral device type\", \"Value\": \"05h\", \"Comment\": "
                  "\"CD-ROM device\", \"icon\": 1}"));
}

TEST(DecodingCommands, ACheckConditionGivesSenseAndItsExitStatus) {
  Cli cli;
  EXPECT_EQ(cli.Run({"capacity", "--drive", "emu:type13?nomedium", "--json"}), kExitNotReady);
  const std::string j = cli.out.str();
  EXPECT_TRUE(Has(j, "\"outcome\": \"check condition\""));
  EXPECT_TRUE(Has(j, "\"sense\": {\"key\": 2, \"asc\": 58, "));
  EXPECT_TRUE(Has(j, "\"message\": \" MEDIUM NOT PRESENT"));
  EXPECT_TRUE(Has(j, "\"decoded\": null"));
  EXPECT_EQ(cli.Run({"capacity", "--drive", "emu:type13?nomedium"}), kExitNotReady);
  EXPECT_EQ(cli.out.str().rfind("Error Notified( MEDIUM NOT PRESENT", 0), 0u) << cli.out.str();
  EXPECT_EQ(cli.Run({"mechanism", "--drive", "emu:type13?refuse=bd", "--json"}),
            kExitTransportError);
  EXPECT_TRUE(Has(cli.out.str(), "\"outcome\": \"refused\""));
  EXPECT_EQ(cli.Run({"inquiry", "--drive", "nowhere"}), kExitCannotOpen);
}

TEST_P(DecodingOnEveryPath, CapacityMechanismEventAndSubchannel) {
  Cli cli;
  ASSERT_EQ(cli.Run({"capacity", "--drive", Id("emu:audio")}), kExitGood);
  EXPECT_TRUE(Has(cli.out.str(),
                  "(00000800h) Block Length in Bytes\n\n"
                  "----------------Dump---------------------\n000000 0000h "));
  ASSERT_EQ(cli.Run({"mechanism", "--drive", Id("emu:audio")}), kExitGood);
  EXPECT_EQ(
      cli.out.str().rfind("----------------Mechanism Status----------------\nFault: Off\n", 0), 0u);
  ASSERT_EQ(cli.Run({"event", "--drive", Id("emu:audio"), "--class", "media"}), kExitGood);
  EXPECT_TRUE(Has(cli.out.str(), "Notification Class Request field: Media\n"));
  EXPECT_TRUE(Has(cli.out.str(), "Media Present: On\n"));
  ASSERT_EQ(cli.Run({"event", "--drive", Id("emu:audio"), "--length", "0"}), kExitGood);
  EXPECT_EQ(cli.out.str(), "No Data\n");
  EXPECT_EQ(cli.Run({"event", "--drive", Id("emu:audio"), "--class", "media,nonsense"}),
            kExitBadArguments);
  ASSERT_EQ(cli.Run({"subchannel", "--drive", Id("emu:audio"), "--format", "1"}), kExitGood);
  EXPECT_TRUE(Has(cli.out.str(), "Sub-channel Data Format Code (01h)\n"));
  ASSERT_EQ(cli.Run({"subchannel", "--drive", Id("emu:audio"), "--format", "2", "--json"}),
            kExitGood);
  EXPECT_TRUE(Has(cli.out.str(), "\"cdb\": \"42 00 40 02 00 00 00 a0 00 00 00 00\""));
  EXPECT_TRUE(Has(cli.out.str(), "Sub-channel Data Format Code (02h)\\n"));
  EXPECT_EQ(cli.Run({"subchannel", "--drive", Id("emu:audio"), "--format", "4"}),
            kExitBadArguments);
}

TEST_P(DecodingOnEveryPath, PropertiesWithAndWithoutModeSense) {
  Cli cli;
  cli.ExpectGoldenOutput("properties_type13.txt", {"properties", "--drive", Id("emu:type13")});
  ASSERT_EQ(cli.Run({"properties", "--drive", Id("emu:type13?refuse=5a")}), kExitGood);
  EXPECT_TRUE(Has(cli.out.str(), "\nCapabilities\nNot Supported\n"));
  ASSERT_EQ(cli.Run({"properties", "--drive", Id("emu:type13"), "--json"}), kExitGood);
  const std::string j = cli.out.str();
  EXPECT_EQ(j.rfind("{\"inquiry\": {\"cdb\": \"12 00 00 00 ff", 0), 0u);
  EXPECT_TRUE(Has(j, "\"configuration\": {\"cdb\": \"46 00 00 00 00 00 00 00 ff"));
  EXPECT_TRUE(Has(j, "\"capabilities\": {\"cdb\": \"5a 00 2a 00 00 00 00 00 ff"));
  EXPECT_TRUE(Has(j, "{\"Items\": \"CD-R Read\", \"icon\": 13}"));
}

TEST_P(DecodingOnEveryPath, SendJson) {
  Cli cli;
  ASSERT_EQ(cli.Run({"send", "--drive", Id("emu:audio"), "--cdb", "25", "--in", "8", "--json"}),
            kExitGood);
  const std::string j = cli.out.str();
  EXPECT_EQ(j.rfind("{\"cdb\": \"25 00 00 00 00 00 00 00 00 00 00 00\", \"outcome\": \"good\"", 0),
            0u)
      << j;
  EXPECT_TRUE(Has(j, "\"reply\": \"00 00 77 87 00 00 08 00\""));
  EXPECT_TRUE(Has(j, "Logical Block Address\\n"));
  EXPECT_EQ(cli.Run({"send", "--drive", Id("emu:audio"), "--cdb", "25", "--json", "--raw"}),
            kExitBadArguments);
}

TEST(DecodingCommands, SendOfACommandWithoutDataHasNoDataDirection) {
  // On a path that reports no residual, a data-in buffer would come back whole.
  Cli cli;
  ASSERT_EQ(cli.Run({"send", "--drive", "emu:audio?resid=none", "--cdb", "00", "--in", "64"}),
            kExitGood);
  EXPECT_TRUE(Has(cli.out.str(), "transferred: 0\n")) << cli.out.str();
  EXPECT_FALSE(Has(cli.out.str(), "000000 0000h")) << cli.out.str();
  ASSERT_EQ(cli.Run({"send", "--drive", "emu:audio?resid=none", "--cdb", "25", "--in", "64"}),
            kExitGood);
  EXPECT_TRUE(Has(cli.out.str(), "transferred: 64\n")) << cli.out.str();
}

}  // namespace
}  // namespace tamarack::cli
