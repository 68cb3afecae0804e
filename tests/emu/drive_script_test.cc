// The virtual drive's replies to scripts of commands: each script in tests/data/emu says what
// it shows, opens its drive, and holds every step with what the drive did (ExpectScript).
#include <gtest/gtest.h>

#include "emu/drive_commands.h"
#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

class DriveScript : public ::testing::TestWithParam<const char*> {};

TEST_P(DriveScript, RepliesAsRecorded) { ExpectScript(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Emu, DriveScript,
    ::testing::Values(
        // Get Configuration, Read TOC, Mode Sense and Mode Select.
        "configuration_requested_types", "configuration_no_medium", "configuration_modern",
        "toc_type13", "toc_audio", "toc_multisession", "toc_recordable", "toc_no_medium",
        "mode_sense_page_controls", "mode_sense_audio", "mode_sense_mixed", "mode_sense_modern",
        "mode_select_round_trip", "mode_select_lists", "mode_select_modern",
        // Reading, the sub-channel and audio play.
        "read_capacity_and_range", "reads_type13", "reads_audio", "reads_type30",
        "reads_multisession", "sub_channel_position", "sub_channel_mcn_isrc", "audio_play",
        "audio_play_msf_scan", "audio_on_data",
        // Status, the tray, events and the mechanism.
        "status_inquiry", "status_power_on", "status_request_sense", "status_last_sense",
        "status_eject_load", "status_prevent", "status_persistent_prevent", "status_load_unload",
        "status_no_medium", "status_tray_open", "status_events", "status_power_event",
        "status_send_event", "status_mechanism",
        // The fault plan.
        "fault_unreadable", "fault_short", "fault_formless", "fault_refused_by_host",
        "fault_refused_by_os",
        // What the kernel's sr driver, udev and libcdio ask at attach and read time.
        "host_query_errors_type13", "host_query_errors_no_medium", "host_query_errors_tray_open",
        "host_query_errors_audio", "host_query_errors_multisession",
        "host_query_allocation_lengths"),
    [](const ::testing::TestParamInfo<const char*>& p) { return std::string(p.param); });

TEST(VirtualDriveDispatch, EveryTableRowIsReachable) {
  // The table is sorted and every row's opcode finds that row.
  const auto table = CommandTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(FindCommand(table[i].opcode), &table[i]) << table[i].name;
    if (i > 0) {
      EXPECT_LT(table[i - 1].opcode, table[i].opcode);
    }
  }
  EXPECT_EQ(FindCommand(0x01), nullptr);
}

}  // namespace
}  // namespace tamarack::emu::testing
