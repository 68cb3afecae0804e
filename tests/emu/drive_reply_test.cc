// Replies of the virtual drive byte for byte, against tests/data/emu/NAME.hex: hex text whose
// comments say what each part is, after the drive ("# drive ID") and the command ("# cdb HEX").
#include <gtest/gtest.h>

#include "emu/drive_harness.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

class DriveReply : public ::testing::TestWithParam<const char*> {};

TEST_P(DriveReply, IsTheHexBesideIt) {
  const std::string file = std::string(GetParam()) + ".hex";
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

INSTANTIATE_TEST_SUITE_P(
    Replies, DriveReply,
    ::testing::Values("inquiry", "mode_sense_capabilities", "mode_sense_all_pages", "configuration",
                      "toc_audio_from_track_3", "toc_multisession_sessions",
                      "toc_multisession_full", "toc_recordable_pma", "toc_recordable_atip",
                      // What the kernel's sr driver, udev and libcdio ask at attach and read
                      // time: track 2 by a block of its pregap; the XA track by its session;
                      // the modern layout.
                      "mode_sense6_capabilities", "mode_sense6_modern", "disc_information_type13",
                      "disc_information_audio", "disc_information_type30",
                      "disc_information_multisession", "track_information_audio_pregap",
                      "track_information_multisession_session_2",
                      "track_information_type30_track_12_modern", "vpd_supported_pages",
                      "vpd_serial_number", "vpd_device_identification"),
    [](const ::testing::TestParamInfo<const char*>& p) { return std::string(p.param); });

}  // namespace
}  // namespace tamarack::emu::testing
