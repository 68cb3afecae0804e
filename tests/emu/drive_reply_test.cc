// Replies of the virtual drive byte for byte, against tests/data/emu/NAME.hex: hex text whose
// comments say what each part is (TAMARACK_UPDATE_GOLDEN writes bare hex for a new case).
#include <gtest/gtest.h>

#include "emu/drive_harness.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

struct ReplyCase {
  const char* name;
  const char* id;
  Cdb cdb;
};

class DriveReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(DriveReply, IsTheHexBesideIt) {
  const ReplyCase& c = GetParam();
  DriveHarness h(c.id);
  Reply r;
  r.data.assign(0x2000, 0x5A);
  const CommandOutcome out = h.session.Run(c.cdb, r.data, false, false);
  ASSERT_EQ(out.status, CommandStatus::kGood) << h.session.status_line.Get();
  r.transferred = out.result.transferred;
  std::string hex;
  for (std::size_t i = 0; i < r.transferred; ++i) {
    hex += StrFormat("%02x", r.data[i]) + (i % 16 == 15 || i + 1 == r.transferred ? "\n" : " ");
  }
  if (tamarack::testing::UpdateGoldenText(std::string(c.name) + ".hex", hex, "emu")) return;
  EXPECT_EQ(r.bytes(), tamarack::testing::ReadGoldenHex(std::string(c.name) + ".hex", "emu"));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, DriveReply,
    ::testing::Values(
        ReplyCase{"inquiry", "emu:type13?speed=max", {0x12, 0, 0, 0, 0xFF}},
        ReplyCase{"mode_sense_capabilities",
                  "emu:type13?speed=max",
                  {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF}},
        ReplyCase{
            "mode_sense_all_pages", "emu:type13?speed=max", {0x5A, 0, 0x3F, 0, 0, 0, 0, 0x01, 0}},
        ReplyCase{"configuration", "emu:type13?speed=max", {0x46, 0, 0, 0, 0, 0, 0, 0x04, 0}},
        ReplyCase{
            "toc_audio_from_track_3", "emu:audio?speed=max", {0x43, 0, 0, 0, 0, 0, 3, 0x20, 0}},
        ReplyCase{"toc_multisession_sessions",
                  "emu:multisession?speed=max",
                  {0x43, 0x02, 1, 0, 0, 0, 0, 0x20, 0}},
        ReplyCase{"toc_multisession_full",
                  "emu:multisession?speed=max",
                  {0x43, 0, 2, 0, 0, 0, 0, 0x20, 0}},
        ReplyCase{
            "toc_recordable_pma", "emu:recordable?speed=max", {0x43, 0, 3, 0, 0, 0, 0, 0x20, 0}},
        ReplyCase{
            "toc_recordable_atip", "emu:recordable?speed=max", {0x43, 0, 4, 0, 0, 0, 0, 0x20, 0}},
        // What the kernel's sr driver, udev and libcdio ask at attach and read time.
        ReplyCase{"mode_sense6_capabilities", "emu:audio", {0x1A, 0, 0x2A, 0, 0xFF}},
        ReplyCase{"mode_sense6_modern", "emu:type13?model=modern", {0x1A, 0, 0x0E, 0, 0xFF}},
        ReplyCase{"disc_information_type13", "emu:type13", {0x51, 0, 0, 0, 0, 0, 0, 0, 0xFF}},
        ReplyCase{"disc_information_audio", "emu:audio", {0x51, 0, 0, 0, 0, 0, 0, 0, 0xFF}},
        ReplyCase{"disc_information_type30", "emu:type30", {0x51, 0, 0, 0, 0, 0, 0, 0, 0xFF}},
        ReplyCase{
            "disc_information_multisession", "emu:multisession", {0x51, 0, 0, 0, 0, 0, 0, 0, 0xFF}},
        // Track 2 by a block of its pregap; the XA track by its session; the modern layout.
        ReplyCase{
            "track_information_audio_pregap", "emu:audio", {0x52, 0, 0, 0, 0x1C, 0x20, 0, 0, 0xFF}},
        ReplyCase{"track_information_multisession_session_2",
                  "emu:multisession",
                  {0x52, 2, 0, 0, 0, 2, 0, 0, 0xFF}},
        ReplyCase{"track_information_type30_track_12_modern",
                  "emu:type30?model=modern",
                  {0x52, 1, 0, 0, 0, 12, 0, 0, 0xFF}},
        ReplyCase{"vpd_supported_pages", "emu:type13", {0x12, 1, 0x00, 0, 0xFF}},
        ReplyCase{"vpd_serial_number", "emu:type13", {0x12, 1, 0x80, 0, 0xFF}},
        ReplyCase{
            "vpd_device_identification", "emu:type13?serial=LAB-07", {0x12, 1, 0x83, 0, 0xFF}}),
    [](const ::testing::TestParamInfo<ReplyCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tamarack::emu::testing
