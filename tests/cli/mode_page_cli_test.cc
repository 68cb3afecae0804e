#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/mode_page_text.h"
#include "cli/virtual_cli.h"
#include "device/clock.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack::cli {
namespace {

// The CLI on one virtual drive that keeps its mode pages between runs.
struct Cli : testing::VirtualCli {
  Cli() : VirtualCli({"emu:type13"}) {}
};

class ModePagesOnEveryPath : public testing::ResidModeTest {};
TAMARACK_ON_EVERY_RESID_MODE(ModePagesOnEveryPath);

// A current drive: a block descriptor before the pages (DBD 0), saveable pages with PS set,
// and a Mode Select that refuses the reserved PS bit and mode data length.
TEST_P(ModePagesOnEveryPath, AModernDrivesPagesAndItsModeSelect) {
  Cli cli;
  cli.ExpectGoldenOutput("modesense_modern_all_pages.txt",
                         {"modesense", "--drive", Id("emu:type13?model=modern"), "--page", "3f"});
  ASSERT_EQ(cli.Run({"modeselect", "--drive", Id("emu:type13?model=modern"), "--page", "1", "--set",
                     "Read Retry Count=5", "--save"}),
            kExitGood)
      << cli.out.str();
  EXPECT_NE(cli.out.str().find("parameter list:\n0000000000000000010a000500000000\n"),
            std::string::npos)
      << cli.out.str();
  ASSERT_EQ(cli.Run({"modesense", "--drive", Id("emu:type13?model=modern"), "--page", "1", "--pc",
                     "saved"}),
            kExitGood);
  EXPECT_NE(cli.out.str().find("  Read Retry Count: 5\n"), std::string::npos) << cli.out.str();
  // The drive itself refuses a page sent with PS, as the list was built before.
  ASSERT_EQ(cli.Run({"send", "--drive", Id("emu:type13?model=modern"), "--cdb",
                     "55 10 00 00 00 00 00 00 14 00", "--out-hex",
                     "00 00 00 00 00 00 00 00 81 0a 00 05 00 00 00 00 00 00 00 00"}),
            kExitIllegalRequest)
      << cli.out.str();
}

TEST_P(ModePagesOnEveryPath, ShowsEveryFieldOfTheReturnedPages) {
  Cli cli;
  cli.ExpectGoldenOutput("modesense_all_pages.txt",
                         {"modesense", "--drive", Id("emu:type13"), "--page", "3f"});

  ASSERT_EQ(cli.Run({"modesense", "--drive", Id("emu:type13"), "--page", "0x0e", "--pc",
                     "changeable", "--json"}),
            kExitGood);
  const std::string json = cli.out.str();
  EXPECT_EQ(json.rfind("{\"page_control\":\"changeable\",\"medium_type\":1,", 0), 0u) << json;
  EXPECT_NE(json.find("{\"label\":\"Port 0\",\"value\":\"(0fh)\"}"), std::string::npos) << json;
  EXPECT_NE(json.find("{\"label\":\"Port 0#2\",\"value\":\"255\"}"), std::string::npos);
}

TEST(ModeSenseCli, BadArgumentsAndRejectedPages) {
  Cli cli;
  EXPECT_EQ(cli.Run({"modesense", "--drive", "emu:type13", "--page", "40"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"modesense", "--drive", "emu:type13", "--page", "zz"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"modesense", "--drive", "emu:type13", "--page", "1", "--pc", "now"}),
            kExitBadArguments);
  EXPECT_EQ(cli.Run({"modesense", "--drive", "emu:nothing-here", "--page", "1"}), kExitCannotOpen);
  // A page the drive does not have.
  EXPECT_EQ(cli.Run({"modesense", "--drive", "emu:type13", "--page", "08"}), kExitIllegalRequest);
  EXPECT_EQ(cli.out.str(), "Error Notified( INVALID FIELD IN CDB).\n");
}

TEST_P(ModePagesOnEveryPath, ChangesAFieldAndTheDriveKeepsIt) {
  Cli cli;
  ASSERT_EQ(cli.Run({"modeselect", "--drive", Id("emu:type13"), "--page", "01", "--set",
                     "read retry count=0x20", "--set", "DTE=on", "--dry-run"}),
            kExitGood)
      << cli.err.str();
  EXPECT_NE(cli.out.str().find("cdb: 55 10 00 00 00 00 00 00 14 00 00 00 \n"
                               "parameter list:\n"
                               "0000000000000000010a022000000000\n"
                               "00000000\n"),
            std::string::npos)
      << cli.out.str();
  EXPECT_NE(cli.out.str().find("dry run: nothing sent"), std::string::npos);
  ASSERT_EQ(cli.Run({"modesense", "--drive", Id("emu:type13"), "--page", "1"}), kExitGood);
  EXPECT_NE(cli.out.str().find("  Read Retry Count: 16\n"), std::string::npos);

  ASSERT_EQ(cli.Run({"modeselect", "--drive", Id("emu:type13"), "--page", "1", "--set",
                     "Read Retry Count=32", "--save"}),
            kExitGood)
      << cli.out.str();
  EXPECT_NE(cli.out.str().find("cdb: 55 11 "), std::string::npos);
  EXPECT_NE(cli.out.str().find("status: good\n-------Done!-------\n"), std::string::npos);
  ASSERT_EQ(cli.Run({"modesense", "--drive", Id("emu:type13"), "--page", "1", "--pc", "saved"}),
            kExitGood);
  EXPECT_NE(cli.out.str().find("  Read Retry Count: 32\n"), std::string::npos);
}

TEST(ModeSelectCli, AnUnchangeableFieldIsRejectedWithTheDrivesSense) {
  Cli cli;
  EXPECT_EQ(
      cli.Run({"modeselect", "--drive", "emu:type13", "--page", "2a", "--set", "DVD-RAM Read=on"}),
      kExitIllegalRequest);
  EXPECT_NE(cli.out.str().find("status: Error Notified( INVALID FIELD IN PARAMETER LIST).\n"),
            std::string::npos)
      << cli.out.str();
}

TEST(ModeSelectCli, NamesAndValuesAreChecked) {
  Cli cli;
  EXPECT_EQ(cli.Run({"modeselect", "--drive", "emu:type13", "--page", "3f"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"modeselect", "--drive", "emu:type13", "--page", "01", "--set", "DTE"}),
            kExitBadArguments);
  EXPECT_EQ(cli.Run({"modeselect", "--drive", "emu:type13", "--page", "01", "--set", "X=1"}),
            kExitBadArguments);
  EXPECT_NE(cli.err.str().find("page 01h has no field \"X\"; its fields are:\n  AWRE\n"),
            std::string::npos)
      << cli.err.str();
  EXPECT_EQ(cli.Run({"modeselect", "--drive", "emu:type13", "--page", "01", "--set",
                     "Read Retry Count=256"}),
            kExitBadArguments);
  EXPECT_EQ(cli.Run({"modeselect", "--drive", "emu:type13", "--page", "01", "--set", "TB=maybe"}),
            kExitBadArguments);
  // A choice by the start of its text, by its value, and one that is no choice.
  EXPECT_EQ(cli.Run({"modeselect", "--drive", "emu:type13", "--page", "05", "--set",
                     "Write Type Field=02h", "--set", "Data Block Type=10", "--dry-run"}),
            kExitGood)
      << cli.err.str();
  EXPECT_NE(cli.out.str().find("  Write Type Field: 02h Session-at-once\n"), std::string::npos);
  EXPECT_NE(cli.out.str().find("  Data Block Type: 10 2048(Mode 2 (CD-ROM XA, form 1))\n"),
            std::string::npos);
  EXPECT_EQ(cli.Run({"modeselect", "--drive", "emu:type13", "--page", "05", "--set",
                     "Data Block Type=5", "--dry-run"}),
            kExitBadArguments);
}

TEST(ModePageText, PageCodesAndPageControls) {
  EXPECT_EQ(ParsePageCode("2a"), 0x2Au);
  EXPECT_EQ(ParsePageCode("2Ah"), 0x2Au);
  EXPECT_EQ(ParsePageCode("0x3F"), 0x3Fu);
  EXPECT_EQ(ParsePageCode("1"), 0x01u);
  EXPECT_FALSE(ParsePageCode("40").has_value());
  EXPECT_FALSE(ParsePageCode("").has_value());
  EXPECT_FALSE(ParsePageCode("123").has_value());
  EXPECT_EQ(ParsePageControl("Saved"), 3u);
  EXPECT_FALSE(ParsePageControl("all").has_value());
}

}  // namespace
}  // namespace tamarack::cli
