// tamarack-cli serve where the kernel's target configuration is not there, or the id is wrong.
#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
}  // namespace tamarack::cli
