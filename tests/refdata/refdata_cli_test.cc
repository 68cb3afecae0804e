// tamarack-cli capture and check against virtual drives: the files, the result texts and the
// exit statuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/virtual_cli.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

using tamarack::testing::TempDir;

std::vector<std::uint8_t> Image(std::size_t blocks) {
  std::vector<std::uint8_t> out(blocks * 2048);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7 + i / 2048);
  return out;
}

TEST(ReferenceCliTest, CaptureCheckAndTheirExitStatuses) {
  TempDir dir;
  dir.Write("disc.iso", Image(500));
  const std::string drive = "emu:" + dir.File("disc.iso") + "?speed=max";
  testing::VirtualCli cli;

  EXPECT_EQ(
      cli.Run({"capture", "--drive", drive, "--out", dir.File("a.dat"), "--check", "--max-speed"}),
      0)
      << cli.err.str();
  EXPECT_EQ(dir.Read("a.dat"), Image(500));
  const std::string out = cli.out.str();
  EXPECT_NE(out.find("SetCDSpeed ｺﾏﾝﾄﾞが成功しました\n"), std::string::npos);
  EXPECT_NE(out.find("全てのﾃﾞｰﾀが一致しました\n読み込みが完了しました\n"), std::string::npos);
  EXPECT_NE(out.find("range: LBA 0-499 (500 blocks), block size 2048"), std::string::npos);

  // A difference: 14 whether it is passed over (--yes) or ends the check (no one to ask).
  std::vector<std::uint8_t> changed = Image(500);
  changed[300 * 2048] ^= 1;
  dir.Write("b.dat", changed);
  EXPECT_EQ(cli.Run({"check", "--drive", drive, "--file", dir.File("b.dat"), "--yes"}), 14);
  EXPECT_NE(cli.err.str().find("ﾃﾞｰﾀﾁｪｯｸが終了しました(1件 の差異を検出)"), std::string::npos);
  EXPECT_EQ(cli.Run({"check", "--drive", drive, "--file", dir.File("b.dat")}), 14);
  EXPECT_NE(cli.err.str().find("ﾃﾞｰﾀの差異を検出しました(LBA=300)"), std::string::npos);
}

TEST(ReferenceCliTest, ReadErrorsAndBadInput) {
  TempDir dir;
  dir.Write("disc.iso", Image(300));
  const std::string bad = "emu:" + dir.File("disc.iso") + "?speed=max&bad=50";
  testing::VirtualCli cli;
  // The read error question with no one to ask ends the job: the medium error's status.
  EXPECT_EQ(cli.Run({"capture", "--drive", bad, "--out", dir.File("a.dat")}), 3);
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.dat")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("a.dat.partial")));
  EXPECT_EQ(cli.Run({"capture", "--drive", bad, "--out", dir.File("a.dat"), "--yes"}), 0);
  EXPECT_NE(cli.out.str().find("read errors: 1\n"), std::string::npos);

  EXPECT_EQ(cli.Run({"capture", "--drive", bad, "--out", dir.File("x.dat"), "--start", "10",
                     "--end", "5"}),
            1);
  EXPECT_EQ(cli.Run({"capture", "--drive", bad, "--out", dir.File("x.dat"), "--start", "1O"}), 1);
  EXPECT_EQ(cli.Run({"check", "--drive", bad, "--file", dir.File("none.dat")}), 15);
  EXPECT_EQ(cli.Run({"check", "--drive", "emu:type13?nomedium", "--file", dir.File("a.dat")}), 2);
}

}  // namespace
}  // namespace tamarack::cli
