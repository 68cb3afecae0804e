// tamarack-cli dump, tracktest, subq-check and the conversions against the virtual drives: what
// they print and their exit statuses.
#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

constexpr const char* kType13 = "emu:type13?speed=max";

// User data by LBA as a dump; the fields by MSF, the volume descriptor; an illegal
// combination gives the drive's sense, "No Data" and the exit status of the key; bad
// arguments, among them the tab's own parameter checks with its message.
TEST(CliDump, TranscriptOfReadsAndBadArguments) {
  Cli cli;
  cli.ExpectGoldenRuns(
      "dump.txt",
      {{"dump", "--drive", kType13, "--lba", "0x10", "--length", "2"},
       {"dump", "--drive", kType13, "--msf", "00:02:00-00:02:01", "--fields", "header,subheader"},
       {"dump", "--drive", kType13, "--vds"},
       {"dump", "--drive", kType13, "--lba", "0", "--fields", "sync,user"},
       {"dump", "--drive", kType13},
       {"dump", "--drive", kType13, "--lba", "1", "--vds"},
       {"dump", "--drive", kType13, "--lba", "12q"},
       {"dump", "--drive", kType13, "--msf", "0:2:5-0:2:9"},
       {"dump", "--drive", kType13, "--lba", "1", "--fields", "c2,c2block"},
       {"dump", "--drive", kType13, "--lba", "1", "--fields", "usr"},
       {"dump", "--drive", "emu:nosuchdisc", "--lba", "1"}});
}

// The raw bytes: a length above ten cut with the message; sync, header, user data, EDC and Q.
TEST(CliDump, RawBytes) {
  Cli cli;
  ASSERT_EQ(cli.Run({"dump", "--drive", kType13, "--lba", "0", "--length", "11", "--raw"}),
            kExitGood);
  EXPECT_NE(cli.err.str().find("転送長が最大数(最大数は10)を超えたので最大数にしました"),
            std::string::npos);
  EXPECT_EQ(cli.out.str().size(), 10u * 2048u);
  ASSERT_EQ(cli.Run({"dump", "--drive", kType13, "--msf", "00:02:00-00:02:01", "--fields",
                     "sync,header,user,edc,sub=q", "--raw"}),
            kExitGood)
      << cli.err.str();
  EXPECT_EQ(cli.out.str().size(), 2352u + 16u);
}

// What the fault matrices do not hold: not the test disc, an unknown test, no disc; the
// conversions' lines and errors.
TEST(CliTools, TranscriptOfTheTestsAndConversions) {
  Cli cli;
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
