// Status commands of the virtual drive, checked field by field through DeviceSession.
#include <gtest/gtest.h>

#include "emu/drive_commands.h"
#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

TEST(VirtualDriveInquiry, AllocationLengthAndBufferBoundTheReplyAPageWithoutEvpdIsRefused) {
  DriveHarness h;
  Reply r = h.In({0x12, 0, 0, 0, 36}, 255);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 36u);
  EXPECT_EQ(r.data[35], '4');
  EXPECT_EQ(r.data[36], 0x5A);
  r = h.In({0x12, 0, 0, 0, 0xFF}, 20);  // buffer smaller than the allocation length
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 20u);
  r = h.In({0x12, 0, 0, 0, 0}, 255);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 0u);
  EXPECT_EQ(r.data[0], 0x5A);
  // A page code without EVPD is refused, in fixed-format sense.
  r = h.In({0x12, 0x00, 0x80, 0, 0xFF}, 255);
  EXPECT_SENSE(r, 0x5, 0x24, 0x00);
  EXPECT_EQ(r.status_line, "Error Notified( INVALID FIELD IN CDB).");
  EXPECT_EQ(r.result.sense[0], 0x70);  // fixed format, current error
  EXPECT_EQ(r.result.sense[7], 10);
  EXPECT_EQ(r.result.sense_length, 18);
}

TEST(VirtualDriveDispatch, UnknownOpcodeIsAnInvalidCommand) {
  DriveHarness h;
  for (std::uint8_t op :
       {std::uint8_t{0x5C}, std::uint8_t{0xFF}, std::uint8_t{0x08}, std::uint8_t{0x2A}}) {
    const Reply r = h.In({op}, 64);
    EXPECT_SENSE(r, 0x5, 0x20, 0x00);
    EXPECT_EQ(r.status_line, "Error Notified( INVALID COMMAND OPERATION CODE).");
    EXPECT_EQ(r.transferred, 0u);
  }
}

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

TEST(VirtualDriveUnitAttention, PowerOnIsReportedOnceWhereMmcSaysSo) {
  DriveHarness h("emu:type13?speed=max&poweron");
  // Inquiry, Get Configuration and Get Event/Status Notification run and leave it pending.
  EXPECT_TRUE(h.In({0x12, 0, 0, 0, 36}, 36).good());
  EXPECT_TRUE(h.In({0x46, 0, 0, 0, 0, 0, 0, 0, 8}, 8).good());
  EXPECT_TRUE(h.In({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8}, 8).good());
  Reply r = h.NoData({0x00});
  EXPECT_SENSE(r, 0x6, 0x29, 0x00);
  EXPECT_EQ(r.status_line, "Error Notified( POWER ON, RESET, OR BUS DEVICE RESET OCCURRED).");
  EXPECT_TRUE(h.NoData({0x00}).good());
}

TEST(VirtualDriveUnitAttention, RequestSenseReportsAndClearsIt) {
  DriveHarness h("emu:type13?speed=max&poweron");
  Reply r = h.In({0x03, 0, 0, 0, 18}, 18);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.bytes(), (Bytes{0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(h.NoData({0x00}).good());
  // Nothing left: no sense.
  r = h.In({0x03, 0, 0, 0, 18}, 18);
  EXPECT_EQ(r.bytes(), (Bytes{0x70, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(VirtualDriveRequestSense, ReturnsTheLastSenseThenClearsIt) {
  DriveHarness h;
  EXPECT_SENSE(h.In({0x28, 0, 0x7F, 0, 0, 0, 0, 0, 1}, 2048), 0x5, 0x21, 0x00);
  Reply r = h.In({0x03, 0, 0, 0, 252}, 252);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 18u);
  EXPECT_EQ(r.data[2], 0x05);
  EXPECT_EQ(r.data[12], 0x21);
  r = h.In({0x03, 0, 0, 0, 252}, 252);
  EXPECT_EQ(r.data[2], 0x00);
}

TEST(VirtualDriveTray, EjectAndLoadSequence) {
  DriveHarness h;
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x02}).good());  // eject
  Reply r = h.NoData({0x00});
  EXPECT_SENSE(r, 0x2, 0x3A, 0x02);
  EXPECT_EQ(r.status_line, "Error Notified( MEDIUM NOT PRESENT - TRAY OPEN).");
  EXPECT_SENSE(h.In({0x25}, 8), 0x2, 0x3A, 0x02);
  EXPECT_TRUE(h.In({0x12, 0, 0, 0, 36}, 36).good());  // Inquiry needs no medium
  // The media event says the medium went; the status byte says tray open, no medium.
  r = h.In({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8}, 8);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.at(2, 4), (Bytes{0x04, 0x5E, 0x03, 0x01}));  // media class: MediaRemoval
  r = h.In({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[4], 0x00);  // reported once
  // Ejecting again is no error.
  EXPECT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x02}).good());

  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x03}).good());  // load
  r = h.NoData({0x00});
  EXPECT_SENSE(r, 0x6, 0x28, 0x00);
  EXPECT_EQ(r.status_line, "Error Notified( NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED).");
  EXPECT_TRUE(h.NoData({0x00}).good());
  r = h.In({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.at(4, 2), (Bytes{0x02, 0x02}));  // NewMedia; medium present, tray closed
}

TEST(VirtualDriveTray, PreventedRemovalRefusesTheEject) {
  DriveHarness h;
  ASSERT_TRUE(h.NoData({0x1E, 0, 0, 0, 0x01}).good());
  Reply r = h.NoData({0x1B, 0, 0, 0, 0x02});
  EXPECT_SENSE(r, 0x5, 0x53, 0x02);
  EXPECT_EQ(r.status_line, "Error Notified( MEDIUM REMOVAL PREVENTED).");
  EXPECT_TRUE(h.NoData({0x00}).good());  // still loaded
  // Page 2Ah shows the lock state.
  r = h.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 255}, 255);
  EXPECT_EQ(r.data[8 + 6] & 0x02, 0x02);
  ASSERT_TRUE(h.NoData({0x1E, 0, 0, 0, 0x00}).good());
  EXPECT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x02}).good());
  EXPECT_SENSE(h.NoData({0x00}), 0x2, 0x3A, 0x02);
}

TEST(VirtualDriveTray, PersistentPreventShowsInEvents) {
  DriveHarness h;
  ASSERT_TRUE(h.NoData({0x1E, 0, 0, 0, 0x03}).good());
  Reply r = h.In({0x4A, 0x01, 0, 0, 0x08, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[2], 0x03);
  EXPECT_EQ(r.data[5] & 0x80, 0x80);
  ASSERT_TRUE(h.NoData({0x1E, 0, 0, 0, 0x02}).good());
  r = h.In({0x4A, 0x01, 0, 0, 0x08, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[5] & 0x80, 0x00);
}

TEST(VirtualDriveTray, LoadUnloadCd) {
  DriveHarness h;
  EXPECT_SENSE(h.NoData({0xA6, 0, 0, 0, 0x01}), 0x5, 0x24, 0x00);  // reserved
  EXPECT_TRUE(h.NoData({0xA6, 0, 0, 0, 0x00}).good());             // abort
  ASSERT_TRUE(h.NoData({0xA6, 0, 0, 0, 0x02}).good());             // unload
  EXPECT_SENSE(h.NoData({0x00}), 0x2, 0x3A, 0x02);
  EXPECT_SENSE(h.NoData({0xA6, 0, 0, 0, 0x03, 0, 0, 0, 1}), 0x5, 0x24, 0x00);  // slot 1
  ASSERT_TRUE(h.NoData({0xA6, 0, 0, 0, 0x03, 0, 0, 0, 0}).good());
  EXPECT_SENSE(h.NoData({0x00}), 0x6, 0x28, 0x00);
  EXPECT_TRUE(h.NoData({0x00}).good());
}

TEST(VirtualDriveTray, NoMediumAndOpenTrayOptions) {
  DriveHarness empty("emu:type13?nomedium");
  Reply r = empty.NoData({0x00});
  EXPECT_SENSE(r, 0x2, 0x3A, 0x01);
  EXPECT_EQ(r.status_line, "Error Notified( MEDIUM NOT PRESENT - TRAY CLOSED).");
  r = empty.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 255}, 255);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.data[2], 0x70);  // medium type: no disc
  // Opening and closing the empty tray brings no disc and no unit attention.
  EXPECT_TRUE(empty.NoData({0x1B, 0, 0, 0, 0x02}).good());
  EXPECT_TRUE(empty.NoData({0x1B, 0, 0, 0, 0x03}).good());
  EXPECT_SENSE(empty.NoData({0x00}), 0x2, 0x3A, 0x01);

  DriveHarness open("emu:type13?tray=open");
  EXPECT_SENSE(open.NoData({0x00}), 0x2, 0x3A, 0x02);
  EXPECT_TRUE(open.NoData({0x1B, 0, 0, 0, 0x03}).good());
  EXPECT_SENSE(open.NoData({0x00}), 0x6, 0x28, 0x00);
  EXPECT_TRUE(open.NoData({0x00}).good());
}

TEST(VirtualDriveEvents, PolledOnlyAndUnsupportedClassesGiveNoEventAvailable) {
  DriveHarness h;
  EXPECT_SENSE(h.In({0x4A, 0x00, 0, 0, 0x10, 0, 0, 0, 8}, 8), 0x5, 0x24, 0x00);
  const Reply r = h.In({0x4A, 0x01, 0, 0, 0x20, 0, 0, 0, 8}, 8);  // multi-initiator only
  ASSERT_TRUE(r.good());
  ASSERT_EQ(r.transferred, 4u);
  EXPECT_EQ(Be16(r.data, 0), 2);
  EXPECT_EQ(r.data[2], 0x80);
  EXPECT_EQ(r.data[3], 0x5E);
}

TEST(VirtualDriveEvents, EachClassReportsItsStatus) {
  DriveHarness h;
  Reply r = h.In({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.bytes(), (Bytes{0, 6, 0x04, 0x5E, 0, 0x02, 0, 0}));  // media: no event, present
  r = h.In({0x4A, 0x01, 0, 0, 0x04, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.bytes(), (Bytes{0, 6, 0x02, 0x5E, 0, 0x01, 0, 0}));  // power: active
  r = h.In({0x4A, 0x01, 0, 0, 0x40, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[2], 0x06);
  r = h.In({0x4A, 0x01, 0, 0, 0x02, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[2], 0x01);
  // Several classes: the lowest one with a pending event wins over lower ones without.
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x02}).good());
  r = h.In({0x4A, 0x01, 0, 0, 0x16, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[2], 0x04);
  EXPECT_EQ(r.data[4], 0x03);
  // The allocation length cuts the reply; zero returns nothing.
  r = h.In({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 4}, 8);
  EXPECT_EQ(r.transferred, 4u);
  r = h.In({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 0}, 8);
  EXPECT_TRUE(r.good());
  EXPECT_EQ(r.transferred, 0u);
}

TEST(VirtualDriveEvents, PowerConditionChangesArePowerEvents) {
  DriveHarness h;
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x30}).good());  // standby
  Reply r = h.In({0x4A, 0x01, 0, 0, 0x04, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[4], 0x01);            // power change successful
  EXPECT_EQ(r.data[5], 0x03);            // standby
  EXPECT_TRUE(h.NoData({0x00}).good());  // LoEj and Start were ignored: still loaded
  EXPECT_SENSE(h.NoData({0x1B, 0, 0, 0, 0xF0}), 0x5, 0x24, 0x00);
}

TEST(VirtualDriveEvents, SendEventExternalRequestRoundTrip) {
  DriveHarness h;
  // Event 3 (external request notification), request 0101h (play).
  const Reply sent = h.Out({0xA2, 0x01, 0, 0, 0, 0, 0, 0, 0, 8}, {0, 6, 3, 0, 3, 0, 0x01, 0x01});
  ASSERT_TRUE(sent.good()) << sent.status_line;
  EXPECT_EQ(sent.transferred, 8u);
  Reply r = h.In({0x4A, 0x01, 0, 0, 0x08, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[2], 0x03);
  EXPECT_EQ(r.data[4], 0x03);
  EXPECT_EQ(Be16(r.data, 6), 0x0101);
  r = h.In({0x4A, 0x01, 0, 0, 0x08, 0, 0, 0, 8}, 8);
  EXPECT_EQ(r.data[4], 0x00);
  EXPECT_EQ(Be16(r.data, 6), 0x0000);
  // A parameter list too short for its class.
  EXPECT_SENSE(h.Out({0xA2, 0x01, 0, 0, 0, 0, 0, 0, 0, 6}, {0, 4, 3, 0, 3, 0}), 0x5, 0x1A, 0x00);
  // Parameter list length 0: nothing to do.
  EXPECT_TRUE(h.NoData({0xA2, 0x01}).good());
  // A data-out buffer shorter than the parameter list length is a transport failure.
  r = h.Out({0xA2, 0x01, 0, 0, 0, 0, 0, 0, 0, 8}, {0, 6, 3, 0});
  EXPECT_EQ(r.status, CommandStatus::kRefused);
  EXPECT_EQ(r.result.status, TransportStatus::kTransportError);
  EXPECT_NE(r.status_line.find("Error Notified(Transport failure"), std::string::npos);
}

TEST(VirtualDriveMechanism, StatusWithSlotTable) {
  DriveHarness h;
  ASSERT_TRUE(h.In({0x28, 0, 0, 0, 0x01, 0, 0, 0, 1}, 2048).good());  // read block 256
  Reply r = h.In({0xBD, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}, 255);
  ASSERT_TRUE(r.good());
  // Ready, slot 0, idle, door closed; the head after the read (257); one slot, disc present.
  EXPECT_EQ(r.bytes(), (Bytes{0, 0, 0, 0x01, 0x01, 1, 0, 4, 0x80, 0, 0, 0}));
  ASSERT_TRUE(h.NoData({0x1B, 0, 0, 0, 0x02}).good());
  r = h.In({0xBD, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}, 255);
  EXPECT_EQ(r.data[1], 0x10);  // door open
  EXPECT_EQ(r.data[8], 0x00);
  r = h.In({0xBD, 0, 0, 0, 0, 0, 0, 0, 0, 8}, 255);
  EXPECT_EQ(r.transferred, 8u);
}

}  // namespace
}  // namespace tamarack::emu::testing
