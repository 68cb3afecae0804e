// tamarack-cli serve where the kernel's target configuration is not there, or the id is wrong.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "../cli/virtual_cli.h"
#include "cli/exit_codes.h"
#include "golden.h"
#include "util/strings.h"

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
// unless a portal is named, nobody logs in unless named. Each line of serve_iscsi_options.txt
// (after "serve --drive emu:type31") with the exit status and what goes to stderr.
TEST(ServeCli, IscsiOptionsRefusedWithTheirReason) {
  tamarack::testing::ExpectEachInput(
      "serve_iscsi_options.txt", "serve", [](const std::string& line) {
        testing::VirtualCli cli;
        std::vector<std::string> args = {"serve", "--drive", "emu:type31"};
        std::istringstream words(line);
        for (std::string w; words >> w;) args.push_back(w);
        const int status = cli.Run(args);
        EXPECT_EQ(cli.out.str(), "") << line;
        std::string err = cli.err.str();
        for (std::size_t at; (at = err.find('\n')) != std::string::npos;) err.replace(at, 1, "\\n");
        return StrFormat("exit %d%s: ", status,
                         status == kExitBadArguments ? " (bad arguments)" : "") +
               err;
      });
}

}  // namespace
}  // namespace tamarack::cli
