// The virtual drive against tests/data/emu: every script there (a .txt opening a drive: what it
// shows, its steps and what the drive did, replayed by ExpectScript) and every reply (a .hex
// naming its drive, "# drive ID", and command, "# cdb HEX", then the reply's bytes with
// comments saying what each part is).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

// The names of the files of tests/data/emu ending in `ext` with a line starting with `mark`.
std::vector<std::string> DataFiles(const std::string& ext, const std::string& mark) {
  std::vector<std::string> names;
  for (const auto& e :
       std::filesystem::directory_iterator(tamarack::testing::GoldenPath("", "emu"))) {
    const std::string text = "\n" + tamarack::testing::ReadGoldenFile(e.path().filename(), "emu");
    if (e.path().extension() == ext && text.find("\n" + mark) != std::string::npos) {
      names.push_back(e.path().stem());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Name(const ::testing::TestParamInfo<std::string>& p) { return p.param; }

class DriveScript : public ::testing::TestWithParam<std::string> {};

TEST_P(DriveScript, RepliesAsRecorded) { ExpectScript(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Emu, DriveScript, ::testing::ValuesIn(DataFiles(".txt", "drive ")), Name);

class DriveReply : public ::testing::TestWithParam<std::string> {};

TEST_P(DriveReply, IsTheHexBesideIt) {
  const std::string file = GetParam() + ".hex";
  std::istringstream golden(tamarack::testing::ReadGoldenFile(file, "emu"));
  std::string id, cdb;
  for (std::string line; std::getline(golden, line);) {
    if (line.starts_with("# drive ")) id = line.substr(8);
    if (line.starts_with("# cdb ")) cdb = line.substr(6);
  }
  ASSERT_FALSE(id.empty() || cdb.empty()) << file << " names no drive or no CDB";
  DriveHarness h(id);
  const Reply r = h.In(CdbOf(cdb), 0x2000);
  ASSERT_TRUE(r.good()) << r.status_line;
  std::string hex = "# drive " + id + "\n# cdb " + cdb + "\n";
  for (std::size_t i = 0; i < r.transferred; ++i) {
    hex += StrFormat("%02x", r.data[i]) + (i % 16 == 15 || i + 1 == r.transferred ? "\n" : " ");
  }
  // A new reply is written bare, for its comments to be added by hand.
  if (tamarack::testing::UpdateGoldenText(file, hex, "emu")) return;
  EXPECT_EQ(r.bytes(), tamarack::testing::ReadGoldenHex(file, "emu"));
}

INSTANTIATE_TEST_SUITE_P(Replies, DriveReply, ::testing::ValuesIn(DataFiles(".hex", "# drive ")),
                         Name);

}  // namespace
}  // namespace tamarack::emu::testing
