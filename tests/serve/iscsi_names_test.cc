// What the user types for serving over iSCSI: the portal, the names, the CHAP secret and its
// file, each refused with its reason when the kernel or an initiator could not use it.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "golden.h"
#include "serve/chap_secret.h"
#include "serve/iscsi_target.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack::serve {
namespace {

// Each address of iscsi_portals.txt as its configfs name, or the reason it is refused.
TEST(IscsiPortal, NamedAsConfigfsNamesIt) {
  tamarack::testing::ExpectEachInput("iscsi_portals.txt", "serve", [](const std::string& typed) {
    std::string error;
    const std::string name = PortalName(typed, &error);
    return "\"" + name + "\"" + (error.empty() ? "" : " refused: " + error);
  });
}

// Each name of iscsi_names.txt taken, or refused with its reason.
TEST(IscsiNames, OnlyNamesTheKernelTakes) {
  tamarack::testing::ExpectEachInput("iscsi_names.txt", "serve", [](const std::string& name) {
    const std::string error = CheckIscsiName(name, "the initiator name");
    return error.empty() ? "taken" : error;
  });
  EXPECT_EQ(DefaultTargetIqn("Bench_PC.lab"), "iqn.2026-12.invalid.tamarack:bench-pc.lab");
  EXPECT_EQ(DefaultTargetIqn(""), "iqn.2026-12.invalid.tamarack:serve");
  EXPECT_EQ(CheckIscsiName(DefaultTargetIqn(std::string(300, 'H')), "x"), "");
}

// Each file text of chap_secret_texts.txt ("\n" and "\r" standing for the line ends) as the
// secret it holds, or the reason it holds none.
TEST(ChapSecret, TextOfTheFile) {
  tamarack::testing::ExpectEachInput("chap_secret_texts.txt", "serve", [](const std::string& line) {
    std::string text, error;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const bool escape = line[i] == '\\' && i + 1 < line.size();
      text += escape ? (line[++i] == 'n' ? '\n' : '\r') : line[i];
    }
    const std::string secret = ChapSecretOfFileText(text, &error);
    return "\"" + secret + "\"" + (error.empty() ? "" : " refused: " + error);
  });
}

TEST(ChapSecret, MadeFairlyFromRandomBytes) {
  // Bytes from 248 on are skipped: 248 = 4 * 62 keeps every character equally likely.
  std::vector<std::uint8_t> bytes = {0, 25, 26, 51, 52, 61, 62, 247, 248, 255};
  EXPECT_EQ(ChapSecretOfRandomBytes(bytes), "AZaz09A9");
  bytes.assign(40, 1);
  EXPECT_EQ(ChapSecretOfRandomBytes(bytes), std::string(kMadeChapSecret, 'B'));
  // N U L L: the fourth letter is skipped, the next fair byte takes its place; an L later on
  // is kept.
  bytes = {13, 20, 11, 11, 11, 0, 11};
  EXPECT_EQ(ChapSecretOfRandomBytes(bytes), "NULAL");
}

TEST(ChapSecret, FileOnlyItsOwnerCanRead) {
  for (unsigned mode : {0100600u, 0100400u}) EXPECT_EQ(CheckSecretFileMode(mode, "/s"), "") << mode;
  for (unsigned mode : {0100640u, 0100604u, 0100620u, 0100602u}) {
    const std::string error = CheckSecretFileMode(mode, "/s");
    EXPECT_NE(
        error.find(StrFormat("by others than its owner (mode 0%o), so it cannot hold the CHAP "
                             "secret: make it private with \"chmod 600 /s\"",
                             mode & 0777)),
        std::string::npos)
        << error;
  }

  tamarack::testing::TempDir dir("tamarack-chap-");
  const std::string path = dir.path() + "/new/folder/secret";
  ChapSecret made, read;
  ASSERT_EQ(LoadOrMakeChapSecret(path, &made), "");
  EXPECT_TRUE(made.made);
  EXPECT_EQ(CheckChapSecret(made.secret), "");
  EXPECT_EQ(made.secret.size(), kMadeChapSecret);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  ASSERT_EQ(::stat((dir.path() + "/new/folder").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  // Read back as it was made, never made again.
  ASSERT_EQ(LoadOrMakeChapSecret(path, &read), "");
  EXPECT_FALSE(read.made);
  EXPECT_EQ(read.secret, made.secret);
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  EXPECT_NE(LoadOrMakeChapSecret(path, &read).find("(mode 0644)"), std::string::npos);
  EXPECT_NE(LoadOrMakeChapSecret(dir.path(), &read).find("is not a file"), std::string::npos);
}

}  // namespace
}  // namespace tamarack::serve
