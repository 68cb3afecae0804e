// tamarack-cli tracktest, subq-check and the conversions against the virtual drives: what they
// print and their exit statuses.
#include <gtest/gtest.h>

#include "cli/virtual_cli.h"

namespace tamarack::cli {
namespace {

// The verdicts' exit statuses (a failed read gives its sense category; not the test disc),
// the Sub-Q check's counts and ends, the conversions' lines and errors.
TEST(CliTools, TranscriptOfTheTestsAndConversions) {
  testing::VirtualCli cli;
  cli.ExpectGoldenRuns("tools.txt",
                       {{"tracktest", "type30-1", "--drive", "emu:type30?speed=max&resid=zero"},
                        {"tracktest", "type30", "--drive", "emu:type30?speed=max&formless=0"},
                        {"tracktest", "type13", "--drive", "emu:type13?speed=max&bad=90"},
                        {"tracktest", "type13", "--drive", "emu:audio?speed=max"},
                        {"tracktest", "type31", "--drive", "emu:type30"},
                        {"subq-check", "--drive", "emu:audio?speed=max&resid=none&qcrc=10-11"},
                        {"subq-check", "--drive", "emu:audio?speed=max"},
                        {"subq-check", "--drive", "emu:audio?nomedium"},
                        {"lba2msf", "0"},
                        {"lba2msf", "1c2", "--hex"},
                        {"msf2lba", "16212c"},
                        {"msf2lba", "000174", "--bcd"},
                        {"subq-crc", "0114", "0101", "3057", "0041", "3416"}});
}

}  // namespace
}  // namespace tamarack::cli
