#include <gtest/gtest.h>

#include "cli/mode_page_text.h"
#include "cli/virtual_cli.h"

namespace tamarack::cli {
namespace {

// The CLI on one virtual drive that keeps its mode pages between runs.
struct Cli : testing::VirtualCli {
  Cli() : VirtualCli({"emu:type13"}) {}
};

class ModePagesOnEveryPath : public testing::ResidModeTest {};
TAMARACK_ON_EVERY_RESID_MODE(ModePagesOnEveryPath);

// Every field of the returned pages; a field changed (dry run, then sent and saved) is what
// the drive keeps. A current drive: a block descriptor before the pages (DBD 0) passed over, so
// its pages print as the older drive's do (the same golden); saveable pages with PS set, and a
// Mode Select that refuses the reserved PS bit and mode data length; the drive itself refuses a
// page sent with PS, as the list was built before.
TEST_P(ModePagesOnEveryPath, ShowsAndChangesEveryFieldOfThePages) {
  Cli cli;
  const std::string type13 = Id("emu:type13"), modern = Id("emu:type13?model=modern");
  for (const std::string& drive : {type13, modern}) {
    cli.ExpectGoldenOutput("modesense_all_pages.txt",
                           {"modesense", "--drive", drive, "--page", "3f"});
  }
  cli.ExpectGoldenRuns(
      "modeselect_type13.txt",
      {{"modesense", "--drive", type13, "--page", "0x0e", "--pc", "changeable", "--json"},
       {"modeselect", "--drive", type13, "--page", "01", "--set", "read retry count=0x20", "--set",
        "DTE=on", "--dry-run"},
       {"modesense", "--drive", type13, "--page", "1"},
       {"modeselect", "--drive", type13, "--page", "1", "--set", "Read Retry Count=32", "--save"},
       {"modesense", "--drive", type13, "--page", "1", "--pc", "saved"}});
  cli.ExpectGoldenRuns(
      "modeselect_modern.txt",
      {{"modeselect", "--drive", modern, "--page", "1", "--set", "Read Retry Count=5", "--save"},
       {"modesense", "--drive", modern, "--page", "1", "--pc", "saved"},
       {"send", "--drive", modern, "--cdb", "55 10 00 00 00 00 00 00 14 00", "--out-hex",
        "00 00 00 00 00 00 00 00 81 0a 00 05 00 00 00 00 00 00 00 00"}});
}

// Bad arguments, a page the drive does not have, an unchangeable field rejected with the
// drive's sense, names and values checked; a choice by the start of its text, by its value,
// and one that is no choice.
TEST(ModePagesCli, BadArgumentsAndRejectedPages) {
  Cli cli;
  const std::string t = "emu:type13";
  cli.ExpectGoldenRuns(
      "modepages_bad_arguments.txt",
      {{"modesense", "--drive", t, "--page", "40"},
       {"modesense", "--drive", t, "--page", "zz"},
       {"modesense", "--drive", t, "--page", "1", "--pc", "now"},
       {"modesense", "--drive", "emu:nothing-here", "--page", "1"},
       {"modesense", "--drive", t, "--page", "08"},
       {"modeselect", "--drive", t, "--page", "2a", "--set", "DVD-RAM Read=on"},
       {"modeselect", "--drive", t, "--page", "3f"},
       {"modeselect", "--drive", t, "--page", "01", "--set", "DTE"},
       {"modeselect", "--drive", t, "--page", "01", "--set", "X=1"},
       {"modeselect", "--drive", t, "--page", "01", "--set", "Read Retry Count=256"},
       {"modeselect", "--drive", t, "--page", "01", "--set", "TB=maybe"},
       {"modeselect", "--drive", t, "--page", "05", "--set", "Write Type Field=02h", "--set",
        "Data Block Type=10", "--dry-run"},
       {"modeselect", "--drive", t, "--page", "05", "--set", "Data Block Type=5", "--dry-run"}});
}

// Page codes are read by ParseHexCode (its cases in typed_text.txt; "--page 40" above); the page
// control is named in any case.
TEST(ModePageText, PageControlsInAnyCase) {
  EXPECT_EQ(ParsePageControl("Saved"), 3u);
  EXPECT_FALSE(ParsePageControl("all").has_value());
}

}  // namespace
}  // namespace tamarack::cli
