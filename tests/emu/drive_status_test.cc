// Status commands of the virtual drive through DeviceSession: transcripts of commands and
// replies in tests/data/emu (drive_harness.h).
#include <gtest/gtest.h>

#include "emu/drive_commands.h"
#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

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

// The allocation length and the buffer bound the reply; a page code without EVPD is refused
// in fixed-format sense; unknown opcodes are invalid commands.
TEST(VirtualDriveStatus, InquiryAndUnknownOpcodes) {
  DriveHarness().ExpectTranscript(
      "status_inquiry",
      {"12 00 00 00 24 / in 255", "12 00 00 00 ff / in 20 # buffer below the allocation length",
       "12 00 00 00 00 / in 255", "12 00 80 00 ff / in 255", "5c / in 64", "ff / in 64",
       "08 / in 64", "2a / in 64"});
}

// Power on is reported once, where MMC says so: Inquiry, Get Configuration and Get
// Event/Status Notification run and leave it pending; Request Sense reports and clears it.
TEST(VirtualDriveStatus, UnitAttentionAndRequestSense) {
  const char* id = "emu:type13?speed=max&poweron";
  DriveHarness(id).ExpectTranscript("status_power_on",
                                    {"12 00 00 00 24 / in 36", "46 00 00 00 00 00 00 00 08 / in 8",
                                     "4a 01 00 00 10 00 00 00 08 / in 8", "00", "00"});
  DriveHarness(id).ExpectTranscript(
      "status_request_sense",
      {"03 00 00 00 12 / in 18", "00", "03 00 00 00 12 / in 18 # nothing left: no sense"});
  DriveHarness().ExpectTranscript(
      "status_last_sense", {"28 00 7f 00 00 00 00 00 01 / in 2048", "03 00 00 00 fc / in 252",
                            "03 00 00 00 fc / in 252 # cleared"});
}

TEST(VirtualDriveStatus, TrayEjectLoadAndPreventedRemoval) {
  DriveHarness().ExpectTranscript(
      "status_eject_load",
      {"1b 00 00 00 02 # eject", "00", "25 / in 8", "12 00 00 00 24 / in 36 # needs no medium",
       "4a 01 00 00 10 00 00 00 08 / in 8 # MediaRemoval; tray open, no medium",
       "4a 01 00 00 10 00 00 00 08 / in 8 # reported once", "1b 00 00 00 02 # again: no error",
       "1b 00 00 00 03 # load", "00", "00", "4a 01 00 00 10 00 00 00 08 / in 8 # NewMedia"});
  DriveHarness().ExpectTranscript("status_prevent",
                                  {"1e 00 00 00 01", "1b 00 00 00 02", "00 # still loaded",
                                   "5a 00 2a 00 00 00 00 00 ff / in 255 # page 2Ah shows the lock",
                                   "1e 00 00 00 00", "1b 00 00 00 02", "00"});
  DriveHarness().ExpectTranscript("status_persistent_prevent",
                                  {"1e 00 00 00 03", "4a 01 00 00 08 00 00 00 08 / in 8",
                                   "1e 00 00 00 02", "4a 01 00 00 08 00 00 00 08 / in 8"});
  DriveHarness().ExpectTranscript(
      "status_load_unload",
      {"a6 00 00 00 01 # reserved", "a6 00 00 00 00 # abort", "a6 00 00 00 02 # unload", "00",
       "a6 00 00 00 03 00 00 00 01 # slot 1", "a6 00 00 00 03 00 00 00 00", "00", "00"});
}

// Opening and closing the empty tray brings no disc and no unit attention.
TEST(VirtualDriveStatus, NoMediumAndOpenTrayOptions) {
  DriveHarness("emu:type13?nomedium")
      .ExpectTranscript("status_no_medium", {"00", "5a 00 2a 00 00 00 00 00 ff / in 255",
                                             "1b 00 00 00 02", "1b 00 00 00 03", "00"});
  DriveHarness("emu:type13?tray=open")
      .ExpectTranscript("status_tray_open", {"00", "1b 00 00 00 03", "00", "00"});
}

// Polled only; a class without support gives no event available; each class its status; of
// several classes the lowest with a pending event; the allocation length cuts the reply.
TEST(VirtualDriveStatus, EventsOfEveryClass) {
  DriveHarness().ExpectTranscript(
      "status_events",
      {"4a 00 00 00 10 00 00 00 08 / in 8", "4a 01 00 00 20 00 00 00 08 / in 8 # multi-initiator",
       "4a 01 00 00 10 00 00 00 08 / in 8 # media", "4a 01 00 00 04 00 00 00 08 / in 8 # power",
       "4a 01 00 00 40 00 00 00 08 / in 8", "4a 01 00 00 02 00 00 00 08 / in 8", "1b 00 00 00 02",
       "4a 01 00 00 16 00 00 00 08 / in 8 # several classes", "4a 01 00 00 10 00 00 00 04 / in 8",
       "4a 01 00 00 10 00 00 00 00 / in 8"});
  DriveHarness().ExpectTranscript(
      "status_power_event", {"1b 00 00 00 30 # standby; LoEj and Start ignored",
                             "4a 01 00 00 04 00 00 00 08 / in 8 # power change successful, standby",
                             "00", "1b 00 00 00 f0"});
}

// Event 3 (external request notification), request 0101h (play), reported once; a list too
// short for its class; length 0; a data-out buffer shorter than the list: a transport failure.
TEST(VirtualDriveStatus, SendEventExternalRequestRoundTrip) {
  DriveHarness().ExpectTranscript(
      "status_send_event",
      {"a2 01 00 00 00 00 00 00 00 08 / out 00 06 03 00 03 00 01 01",
       "4a 01 00 00 08 00 00 00 08 / in 8", "4a 01 00 00 08 00 00 00 08 / in 8",
       "a2 01 00 00 00 00 00 00 00 06 / out 00 04 03 00 03 00", "a2 01",
       "a2 01 00 00 00 00 00 00 00 08 / out 00 06 03 00"});
}

// Ready, slot 0, idle, door closed; the head after the read (257); one slot, disc present.
TEST(VirtualDriveStatus, MechanismStatusWithSlotTable) {
  DriveHarness().ExpectTranscript(
      "status_mechanism",
      {"28 00 00 00 01 00 00 00 01 / in 2048 # block 256", "bd 00 00 00 00 00 00 00 00 ff / in 255",
       "1b 00 00 00 02", "bd 00 00 00 00 00 00 00 00 ff / in 255 # door open",
       "bd 00 00 00 00 00 00 00 00 08 / in 255"});
}

}  // namespace
}  // namespace tamarack::emu::testing
