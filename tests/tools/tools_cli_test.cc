// tamarack-cli tracktest, subq-check and the conversions against the virtual drives: what they
// print and their exit statuses.
#include <gtest/gtest.h>

#include "cli/virtual_cli.h"

namespace tamarack::cli {
namespace {

// What the fault matrices do not hold: not the test disc, an unknown test, no disc; the
// conversions' lines and errors.
TEST(CliTools, TranscriptOfTheTestsAndConversions) {
  testing::VirtualCli cli;
  cli.ExpectGoldenRuns("tools.txt", {{"tracktest", "type13", "--drive", "emu:audio?speed=max"},
                                     {"tracktest", "type30", "--drive", "emu:type13?speed=max"},
                                     {"tracktest", "type31", "--drive", "emu:type30"},
                                     {"subq-check", "--drive", "emu:audio?nomedium"},
                                     {"lba2msf", "0"},
                                     {"lba2msf", "1c2", "--hex"},
                                     {"msf2lba", "16212c"},
                                     {"msf2lba", "000174", "--bcd"},
                                     {"subq-crc", "0114", "0101", "3057", "0041", "3416"}});
}

}  // namespace
}  // namespace tamarack::cli
