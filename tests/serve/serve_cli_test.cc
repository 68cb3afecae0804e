// tamarack-cli serve where the kernel's target configuration is not there, or the id is wrong.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../cli/virtual_cli.h"
#include "cli/exit_codes.h"

namespace tamarack::cli {
namespace {

TEST(ServeCli, WithoutConfigfsSaysSoAndEndsWithAFileError) {
  testing::VirtualCli cli;
  ::setenv("TAMARACK_CONFIGFS_ROOT", "/nonexistent/tamarack-config", 1);
  EXPECT_EQ(cli.Run({"serve", "--drive", "emu:type13"}), kExitCannotOpen);
  ::unsetenv("TAMARACK_CONFIGFS_ROOT");
  EXPECT_EQ(cli.out.str(), "");
  EXPECT_NE(cli.err.str().find("tamarack-cli serve: cannot serve drives to the kernel:\n"),
            std::string::npos);
  EXPECT_NE(cli.err.str().find("configfs is not mounted at /nonexistent/tamarack-config: mount "
                               "it as root with \"mount -t configfs configfs "
                               "/nonexistent/tamarack-config\""),
            std::string::npos)
      << cli.err.str();
  // A mistyped id is named before the machine's prerequisites.
  testing::VirtualCli typo;
  EXPECT_EQ(typo.Run({"serve", "--drive", "emu:type31"}), kExitCannotOpen);
  EXPECT_EQ(typo.err.str().find("tamarack-cli serve: No built-in disc \"type31\""), 0u)
      << typo.err.str();
}

// The iSCSI options are checked before any drive is opened or anything is made: nothing listens
// unless a portal is named, nobody logs in unless named.
TEST(ServeCli, IscsiOptionsRefusedWithTheirReason) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"--iscsi", "--allow", "iqn.1991-05.test:pc"},
       "--iscsi needs --portal ADDRESS:PORT: the address to listen on is never chosen for you"},
      {{"--iscsi", "--portal", "127.0.0.1:3260"},
       "--iscsi needs --allow INITIATOR-IQN: only the initiators named may log in"},
      {{"--portal", "127.0.0.1:3260", "--allow", "iqn.1991-05.test:pc"},
       "--portal, --iqn, --allow and --chap-file go with --iscsi"},
      {{"--iscsi", "--portal", "localhost:3260", "--allow", "iqn.1991-05.test:pc"},
       "the portal \"localhost:3260\" is not ADDRESS:PORT (for example 192.168.1.20:3260 or "
       "[fd00::20]:3260): \"localhost\" is not an IP address"},
      {{"--iscsi", "--portal", "127.0.0.1:3260", "--allow", "iqn.1991-05.test:pc", "--allow", "PC"},
       "the initiator name \"PC\" is not an iSCSI name: it starts with \"iqn.\" (as in "
       "iqn.1991-05.com.microsoft:bench-pc), \"eui.\" or \"naa.\""},
      {{"--iscsi", "--portal", "127.0.0.1:3260", "--allow", "iqn.1991-05.test:pc", "--iqn",
        "iqn.x/y"},
       "the target name \"iqn.x/y\" is not an iSCSI name: after its prefix it holds only "
       "lower-case letters, digits, '.', '-' and ':'"},
  };
  for (const auto& c : cases) {
    testing::VirtualCli cli;
    std::vector<std::string> args = {"serve", "--drive", "emu:type31"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(cli.Run(args), kExitBadArguments) << c.error;
    EXPECT_EQ(cli.err.str(), std::string("tamarack-cli serve: ") + c.error + "\n");
    EXPECT_EQ(cli.out.str(), "");
  }
}

}  // namespace
}  // namespace tamarack::cli
