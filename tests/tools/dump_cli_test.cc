// tamarack-cli dump against the virtual drives.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"
#include "device/clock.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

constexpr const char* kType13 = "emu:type13?speed=max";

TEST(CliDump, ReadsUserDataByLbaAsADump) {
  Cli cli;
  ASSERT_EQ(cli.Run({"dump", "--drive", kType13, "--lba", "0x10", "--length", "2"}), kExitGood)
      << cli.err.str();
  const std::string o = cli.out.str();
  EXPECT_EQ(o.rfind("cdb: be 00 00 00 00 10 00 00 02 10 00 00 \n", 0), 0u) << o;
  EXPECT_NE(o.find("status: good\n"), std::string::npos);
  EXPECT_NE(o.find("bytes: 4096\n"), std::string::npos);
  EXPECT_NE(o.find(" Offset       00010203 04050607"), std::string::npos);
  EXPECT_NE(o.find("004080 0ff0h "), std::string::npos);
  EXPECT_EQ(o.find("\r"), std::string::npos);
}

TEST(CliDump, LengthAboveTenIsCutWithTheMessage) {
  Cli cli;
  ASSERT_EQ(cli.Run({"dump", "--drive", kType13, "--lba", "0", "--length", "11", "--raw"}),
            kExitGood);
  EXPECT_NE(cli.err.str().find("転送長が最大数(最大数は10)を超えたので最大数にしました"),
            std::string::npos);
  EXPECT_EQ(cli.out.str().size(), 10u * 2048u);
}

TEST(CliDump, FieldsMsfAndVolumeDescriptor) {
  Cli cli;
  ASSERT_EQ(cli.Run({"dump", "--drive", kType13, "--msf", "00:02:00-00:02:01", "--fields",
                     "sync,header,user,edc,sub=q", "--raw"}),
            kExitGood)
      << cli.err.str();
  EXPECT_EQ(cli.out.str().size(), 2352u + 16u);
  ASSERT_EQ(cli.Run({"dump", "--drive", kType13, "--msf", "00:02:00-00:02:01", "--fields",
                     "header,subheader"}),
            kExitGood);
  EXPECT_NE(cli.out.str().find("cdb: b9 00 00 00 02 00 00 02 01 60 00 00"), std::string::npos)
      << cli.out.str();
  ASSERT_EQ(cli.Run({"dump", "--drive", kType13, "--vds"}), kExitGood);
  EXPECT_NE(cli.out.str().find("volume descriptor: LBA 16 (10h)"), std::string::npos);
  // An illegal combination: the drive's sense, "No Data" and the exit status of the key.
  EXPECT_EQ(cli.Run({"dump", "--drive", kType13, "--lba", "0", "--fields", "sync,user"}),
            kExitIllegalRequest);
  EXPECT_NE(cli.out.str().find("No Data"), std::string::npos);
}

TEST(CliDump, BadArguments) {
  Cli cli;
  EXPECT_EQ(cli.Run({"dump", "--drive", kType13}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"dump", "--drive", kType13, "--lba", "1", "--vds"}), kExitBadArguments);
  // The tab's own parameter checks, with its message.
  EXPECT_EQ(cli.Run({"dump", "--drive", kType13, "--lba", "12q"}), kExitBadArguments);
  EXPECT_NE(cli.err.str().find("LBAが不正です"), std::string::npos);
  EXPECT_EQ(cli.Run({"dump", "--drive", kType13, "--msf", "0:2:5-0:2:9"}), kExitBadArguments);
  EXPECT_EQ(cli.Run({"dump", "--drive", kType13, "--lba", "1", "--fields", "c2,c2block"}),
            kExitBadArguments);
  EXPECT_EQ(cli.Run({"dump", "--drive", kType13, "--lba", "1", "--fields", "usr"}),
            kExitBadArguments);
  EXPECT_EQ(cli.Run({"dump", "--drive", "emu:nosuchdisc", "--lba", "1"}), kExitCannotOpen);
}

}  // namespace
}  // namespace tamarack::cli
