// The Properties tab and the decoders end to end: against scripted replies and against the
// virtual drive.
#include "views/properties.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "console/execute_command.h"
#include "device/clock.h"
#include "device/scripted_transport.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::Refused;
using testing::ScriptedProvider;
using testing::ScriptedReply;
using testing::ScriptedTransport;

std::string Cell(const std::vector<DecodedRow>& rows, const std::string& key, std::size_t cell) {
  for (const DecodedRow& r : rows) {
    if (!r.cells.empty() && r.cells[0] == key && cell < r.cells.size()) return r.cells[cell];
  }
  return "(none)";
}

struct ScriptedDrive : testing::ScriptedDrives {
  explicit ScriptedDrive(std::vector<ScriptedReply> replies) { script = std::move(replies); }
};

std::vector<std::uint8_t> ModeSense2A(std::uint8_t page_code) {
  std::vector<std::uint8_t> r(8 + 28, 0);
  r[1] = static_cast<std::uint8_t>(r.size() - 2);
  r[8] = page_code;
  r[9] = 26;
  r[10] = 0x1B;  // DVD-R, DVD-ROM, CD-RW and CD-R read; DVD-RAM and Method 2 off
  r[12] = 0x71;  // Mode 2 form 2 and form 1, audio play; BUF off
  r[14] = 0x29;  // loading mechanism 1, eject, lock
  return r;
}

std::vector<std::uint8_t> Inquiry36() {
  std::vector<std::uint8_t> r(36, ' ');
  r[0] = 5;
  r[1] = 0x80;
  r[2] = 0;
  r[3] = 2;
  r[4] = 31;
  r[5] = r[6] = r[7] = 0;
  return r;
}

TEST(CapabilityRows, OneRowPerBitInOrderWithPresentAndAbsentIcons) {
  const auto reply = ModeSense2A(0x2A);
  const auto page = std::vector<std::uint8_t>(reply.begin() + 8, reply.end());
  const auto rows = CapabilityRows(page);
  ASSERT_EQ(rows.size(), 37u);
  EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"", "DVD-RAM Read"}));
  EXPECT_EQ(rows[0].icon, kIconAbsent);
  EXPECT_EQ(rows[1].cells[1], "DVD-R Read");
  EXPECT_EQ(rows[1].icon, kIconPresent);
  EXPECT_EQ(rows[3].cells[1], "Method 2");
  EXPECT_EQ(rows[3].icon, kIconAbsent);
  EXPECT_EQ(rows[18].cells[1], "Audio Play");
  EXPECT_EQ(rows[18].icon, kIconPresent);
  EXPECT_EQ(rows[27].cells[1], "Eject");
  EXPECT_EQ(rows[27].icon, kIconPresent);
  EXPECT_EQ(rows[36].cells[1], "Separate volume levels");
  // A page cut short: the missing bits read as absent.
  for (const DecodedRow& r : CapabilityRows(std::vector<std::uint8_t>{0x2A, 4})) {
    EXPECT_EQ(r.icon, kIconAbsent) << r.cells[1];
  }
}

TEST(FillPropertiesTab, ThreeSectionsFromThreeRequests) {
  ScriptedDrive d({Good(Inquiry36()), Good({0, 0, 0, 8, 0, 0, 0, 8}), Good(ModeSense2A(0x2A))});
  DeviceSession session(&d.drives, BuiltInSenseTable());
  ASSERT_TRUE(session.Open("d0"));
  const PropertiesResult r = FillPropertiesTab(session);
  EXPECT_TRUE(r.opened);
  ASSERT_EQ(d.sent.size(), 3u);
  EXPECT_EQ(d.sent[0].cdb, MakeCdb({0x12, 0, 0, 0, 0xFF}));
  EXPECT_EQ(d.sent[1].cdb, MakeCdb({0x46, 0, 0, 0, 0, 0, 0, 0, 0xFF}));
  EXPECT_EQ(d.sent[2].cdb, MakeCdb({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF}));
  for (const auto& s : d.sent) EXPECT_EQ(s.buffer.size(), 255u);
  EXPECT_EQ(r.inquiry_rows.size(), 24u);
  EXPECT_EQ(Cell(r.inquiry_rows, "Peripheral device type", 2), "CD-ROM device");
  // The buffer is zero-filled: what the drive did not send reads as zero.
  EXPECT_EQ(Cell(r.inquiry_rows, "Clocking", 1), "00b");
  ASSERT_TRUE(r.identity.has_value());
  EXPECT_EQ(r.identity->ModelName(), std::string(24, ' '));
  EXPECT_EQ(r.inquiry_data.size(), 36u);
  ASSERT_GE(r.feature_rows.size(), 2u);
  EXPECT_EQ(r.feature_rows[1].cells[2], "CD-ROM Read only Compact Disc");
  ASSERT_TRUE(r.capability_rows.has_value());
  EXPECT_EQ(r.capability_rows->size(), 37u);
}

TEST(FillPropertiesTab, AFailedSectionSaysNotSupportedAndTheOthersAreFilled) {
  ScriptedDrive d({CheckCondition(5, 0x20, 0), Refused(TransportStatus::kTransportError, "lost"),
                   CheckCondition(5, 0x24, 0)});
  DeviceSession session(&d.drives, BuiltInSenseTable());
  ASSERT_TRUE(session.Open("d0"));
  const PropertiesResult r = FillPropertiesTab(session);
  ASSERT_EQ(r.inquiry_rows.size(), 1u);
  EXPECT_EQ(r.inquiry_rows[0].cells[0], "Not Supported");
  EXPECT_FALSE(r.identity.has_value());
  ASSERT_EQ(r.feature_rows.size(), 1u);
  EXPECT_EQ(r.feature_rows[0].cells[1], "Not Supported");
  ASSERT_TRUE(r.capability_rows.has_value());
  ASSERT_EQ(r.capability_rows->size(), 1u);
  EXPECT_EQ((*r.capability_rows)[0].cells[1], "Not Supported");
  EXPECT_EQ(r.mode_sense.outcome.status, CommandStatus::kCheckCondition);
  EXPECT_EQ(r.mode_sense.outcome.sense.asc, 0x24);
}

TEST(FillPropertiesTab, AnotherPageLeavesTheCapabilityListAlone) {
  ScriptedDrive d({Good(Inquiry36()), Good({0, 0, 0, 4}), Good(ModeSense2A(0x0E))});
  DeviceSession session(&d.drives, BuiltInSenseTable());
  ASSERT_TRUE(session.Open("d0"));
  EXPECT_FALSE(FillPropertiesTab(session).capability_rows.has_value());
}

TEST(FillPropertiesTab, WithoutADriveNothingIsSent) {
  DeviceSession session(nullptr, BuiltInSenseTable());
  const PropertiesResult r = FillPropertiesTab(session);
  EXPECT_FALSE(r.opened);
  EXPECT_TRUE(r.inquiry_rows.empty());
  EXPECT_FALSE(r.capability_rows.has_value());
}

// --- the virtual drive ---

struct VirtualDrive {
  VirtualDrive() { drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock)); }
  SimulatedClock clock;
  DriveDirectory drives;
};

TEST(VirtualDriveProperties, AllThreeSections) {
  VirtualDrive v;
  DeviceSession session(&v.drives, BuiltInSenseTable());
  ASSERT_TRUE(session.Open("emu:type13"));
  const PropertiesResult r = FillPropertiesTab(session);
  EXPECT_EQ(Cell(r.inquiry_rows, "Peripheral device type", 2), "CD-ROM device");
  EXPECT_EQ(Cell(r.inquiry_rows, "RMB", 1), "On");
  EXPECT_NE(Cell(r.inquiry_rows, "Vender Identification", 1), "");
  ASSERT_TRUE(r.identity.has_value());
  EXPECT_EQ(r.identity->ModelName().size(), 24u);
  ASSERT_GT(r.feature_rows.size(), 3u);
  EXPECT_EQ(r.feature_rows[0].cells[1], "Header");
  ASSERT_TRUE(r.capability_rows.has_value());
  EXPECT_EQ(r.capability_rows->size(), 37u);
  EXPECT_EQ(Cell(*r.capability_rows, "", 1), "DVD-RAM Read");
}

TEST(VirtualDriveProperties, ModeSenseRefusedStillFillsTheOtherSections) {
  VirtualDrive v;
  DeviceSession session(&v.drives, BuiltInSenseTable());
  ASSERT_TRUE(session.Open("emu:type13?refuse=5a"));
  const PropertiesResult r = FillPropertiesTab(session);
  EXPECT_EQ(r.inquiry_rows.size(), 24u);
  EXPECT_GT(r.feature_rows.size(), 3u);
  ASSERT_TRUE(r.capability_rows.has_value());
  ASSERT_EQ(r.capability_rows->size(), 1u);
  EXPECT_EQ((*r.capability_rows)[0].cells[1], "Not Supported");
  EXPECT_EQ(r.mode_sense.outcome.status, CommandStatus::kRefused);
}

// The console's execution with its decoders, as the Command tab runs a command.
struct ConsoleRun {
  explicit ConsoleRun(const std::string& id) : session(&v.drives, BuiltInSenseTable()) {
    EXPECT_TRUE(session.Open(id));
  }
  CommandReport Run(std::size_t row, const std::function<void(Console&)>& edit = {}) {
    console.SelectRow(row);
    if (edit) edit(console);
    PlanResult plan = console.PrepareExecution("");
    EXPECT_TRUE(plan.plan.has_value()) << plan.message;
    struct Host : ConsoleHost {
      void ShowError(const std::string&) override {}
      void ShowSenseDialog(std::span<const std::uint8_t>) override {}
    } host;
    CommandReport r = ExecuteCommand(session, *plan.plan, host);
    console.FinishExecution(r);
    return r;
  }
  VirtualDrive v;
  DeviceSession session;
  Console console;
};

TEST(VirtualDriveCommands, InquiryCapacityMechanismEventAndSubChannel) {
  ConsoleRun run("emu:audio");
  CommandReport r = run.Run(1);  // Inquiry
  ASSERT_TRUE(r.success);
  EXPECT_EQ(Cell(r.output.rows, "Peripheral device type", 1), "05h");
  EXPECT_EQ(Cell(r.output.rows, "Vendor Specific", 1).find('Z'), std::string::npos);

  r = run.Run(8);  // Read CD-ROM Capacity
  ASSERT_TRUE(r.success);
  EXPECT_NE(r.output.text.find("00002048(00000800h) Block Length in Bytes"), std::string::npos)
      << r.output.text;

  r = run.Run(17);  // Mechanism Status
  ASSERT_TRUE(r.success);
  EXPECT_EQ(r.output.text.find("----------------Mechanism Status----------------\r\nFault: Off"),
            0u);

  r = run.Run(6, [](Console& c) {  // Get Event/Status Notification, media class, polled
    FieldState len = c.field_states()[1];
    len.text = "8";
    c.UpdateField(1, len);
    FieldState media = c.field_states()[6];  // "10h:Media"
    media.checked = true;
    c.UpdateField(6, media);
    FieldState immed = c.field_states()[0];
    immed.checked = true;
    c.UpdateField(0, immed);
  });
  ASSERT_TRUE(r.success);
  EXPECT_NE(r.output.text.find("Notification Class Request field: Media"), std::string::npos)
      << r.output.text;
  EXPECT_NE(r.output.text.find("Media Present: On"), std::string::npos) << r.output.text;

  r = run.Run(6, [](Console& c) {  // the same with allocation length 0
    FieldState len = c.field_states()[1];
    len.text = "0";
    c.UpdateField(1, len);
  });
  EXPECT_EQ(r.output.text, "No Data");

  r = run.Run(13, [](Console& c) {  // Read Sub-Channel, current position
    FieldState f = c.field_states()[2];
    f.choice = 0;
    c.UpdateField(2, f);
    FieldState subq = c.field_states()[1];
    subq.checked = true;
    c.UpdateField(1, subq);
  });
  ASSERT_TRUE(r.success);
  EXPECT_NE(r.output.text.find("Sub-channel Data Format Code (01h)"), std::string::npos)
      << r.output.text;
}

TEST(VirtualDriveCommands, ReadTenReturnsBlocksAndStartStopSucceeds) {
  ConsoleRun run("emu:type13");
  CommandReport r = run.Run(7, [](Console& c) {
    FieldState len = c.field_states()[4];
    len.text = "2";
    c.UpdateField(4, len);
  });
  ASSERT_TRUE(r.success);
  EXPECT_EQ(r.transferred, 4096u);
  EXPECT_EQ(r.output.dump.find("000000 0000h "), 0u);
  EXPECT_NE(r.output.dump.find("004080 0ff0h "), std::string::npos);
  EXPECT_EQ(r.output.dump.find("004096 1000h "), std::string::npos);

  r = run.Run(7);  // transfer length 0 (a fresh form keeps the 2 typed above: set it to 0)
  r = run.Run(7, [](Console& c) {
    FieldState len = c.field_states()[4];
    len.text = "0";
    c.UpdateField(4, len);
  });
  ASSERT_TRUE(r.success);
  EXPECT_EQ(r.output.dump, "No Data");

  r = run.Run(16, [](Console& c) {  // Start Stop Unit: start
    FieldState start = c.field_states()[3];
    start.checked = true;
    c.UpdateField(3, start);
  });
  ASSERT_TRUE(r.success);
  EXPECT_EQ(r.output.text, "Command Successed!");
}

}  // namespace
}  // namespace tamarack
