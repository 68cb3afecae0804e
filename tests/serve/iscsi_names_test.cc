// What the user types for serving over iSCSI: the portal, the names, the CHAP secret and its
// file, each refused with its reason when the kernel or an initiator could not use it.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "serve/chap_secret.h"
#include "serve/iscsi_target.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack::serve {
namespace {

TEST(IscsiPortal, NamedAsConfigfsNamesIt) {
  const struct {
    const char* typed;
    const char* name;   // "" when refused
    const char* error;  // a part of the reason
  } cases[] = {
      {"127.0.0.1:3260", "127.0.0.1:3260", ""},
      {"192.168.001.020:860", "", "is not an IP address"},
      {"[::1]:3260", "[::1]:3260", ""},
      {"[FD00:0:0::20]:3261", "[fd00::20]:3261", ""},
      {"0.0.0.0:3260", "0.0.0.0:3260", ""},
      {"127.0.0.1", "", "is not ADDRESS:PORT"},
      {"127.0.0.1:", "", "the port is a number from 1 to 65535"},
      {"127.0.0.1:0", "", "the port is a number from 1 to 65535"},
      {"127.0.0.1:65536", "", "the port is a number from 1 to 65535"},
      {"127.0.0.1:32x", "", "the port is a number"},
      {"::1:3260", "", "is not an IP address"},
      {"[::1:3260", "", "is not ADDRESS:PORT"},
      {"../../x:1", "", "is not an IP address"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(PortalName(c.typed, &error), c.name) << c.typed;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.typed << ": " << error;
    EXPECT_EQ(error.empty(), *c.name != '\0') << c.typed;
  }
}

TEST(IscsiNames, OnlyNamesTheKernelTakes) {
  const struct {
    std::string name;
    const char* error;  // "" when taken
  } cases[] = {
      {"iqn.1991-05.com.microsoft:bench-pc", ""},
      {"eui.02004567a425678d", ""},
      {"naa.52004567ba64678d", ""},
      {"iqn.2026-12.test:" + std::string(206, 'a'), ""},
      {"iqn.2026-12.test:" + std::string(207, 'a'), "longer than the 223 bytes"},
      {"iqn.", "only lower-case letters"},
      {"IQN.1991-05.com.x:pc", "it starts with \"iqn.\""},
      {"iqn.1991-05.com.x:Bench", "only lower-case letters"},
      {"iqn.1991-05.com.x:a/../b", "only lower-case letters"},
      {"iqn.1991-05.com.x:a b", "only lower-case letters"},
  };
  for (const auto& c : cases) {
    const std::string error = CheckIscsiName(c.name, "the initiator name");
    if (*c.error == '\0') {
      EXPECT_EQ(error, "") << c.name;
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
      EXPECT_TRUE(error.starts_with("the initiator name \"" + c.name + "\" ")) << error;
    }
  }
  EXPECT_EQ(DefaultTargetIqn("Bench_PC.lab"), "iqn.2026-12.invalid.tamarack:bench-pc.lab");
  EXPECT_EQ(DefaultTargetIqn(""), "iqn.2026-12.invalid.tamarack:serve");
  EXPECT_EQ(CheckIscsiName(DefaultTargetIqn(std::string(300, 'H')), "x"), "");
}

TEST(ChapSecret, TextOfTheFile) {
  const struct {
    std::string text;
    std::string secret;  // "" when refused
    const char* error;
  } cases[] = {
      {"abcdefghijkl\n", "abcdefghijkl", ""},
      {"abcdefghijkl\r\n", "abcdefghijkl", ""},
      {"0123456789abcdef", "0123456789abcdef", ""},
      {std::string(255, 'x'), std::string(255, 'x'), ""},
      {std::string(256, 'x'), "", "255 characters, this one 256"},
      {"abcdefghijk\n", "", "12 to 255 characters, this one 11"},
      {"\n", "", "this one 0"},
      {"abcdef ghijkl\n", "", "no spaces"},
      {"abcdefghijklé\n", "", "printable ASCII"},
      {"abcdefghijkl\nmnopqrstuvwx\n", "", "more than one line"},
      // the kernel's target takes these for no secret at all
      {"NULLabcdefgh\n", "", "cannot begin with \"NULL\""},
      {"NULL" + std::string(20, '0'), "", "cannot begin with \"NULL\""},
      {"NULabcdefghL", "NULabcdefghL", ""},
      {"nullabcdefgh", "nullabcdefgh", ""},
      {"xNULLabcdefg", "xNULLabcdefg", ""},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(ChapSecretOfFileText(c.text, &error), c.secret) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
  }
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
