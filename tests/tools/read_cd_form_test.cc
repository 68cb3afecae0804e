// The Read CD and Read CD MSF forms of the Command tab, through the console as the window
// drives it, and one command run against the virtual drive.
#include "decode/read_cd_form.h"

#include <gtest/gtest.h>

#include <string_view>

#include "console/console.h"
#include "decode/read_cd_choices.h"
#include "device/clock.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack {
namespace {

constexpr std::size_t kReadCdRow = 9;

PlanResult PlanWithBlocks(int blocks) {
  CommandInput in;
  in.transfer_blocks = blocks;
  return PlanCommand(in);
}
constexpr std::size_t kReadCdMsfRow = 10;

std::size_t FieldIndex(const Console& c, std::string_view label) {
  for (std::size_t i = 0; i < c.fields().size(); ++i) {
    if (c.fields()[i].label == label) return i;
  }
  ADD_FAILURE() << "no field " << label;
  return 0;
}

void SetText(Console& c, std::string_view label, const char* text) {
  const std::size_t i = FieldIndex(c, label);
  FieldState s = c.field_states()[i];
  s.text = text;
  c.UpdateField(i, s);
}

void Choose(Console& c, std::string_view label, int entry) {
  const std::size_t i = FieldIndex(c, label);
  FieldState s = c.field_states()[i];
  s.choice = entry;
  c.UpdateField(i, s);
}

void Check(Console& c, std::string_view label, bool on) {
  const std::size_t i = FieldIndex(c, label);
  FieldState s = c.field_states()[i];
  s.checked = on;
  c.UpdateField(i, s);
}

TEST(ReadCdForm, TheCatalogueRowsHaveTheirFormsAndDumpView) {
  const auto rows = CommandCatalogue();
  EXPECT_EQ(rows[kReadCdRow].behaviour, &kReadCdBehaviour);
  EXPECT_EQ(rows[kReadCdMsfRow].behaviour, &kReadCdMsfBehaviour);
  EXPECT_FALSE(kReadCdBehaviour.placeholder);
  EXPECT_EQ(kReadCdBehaviour.view, ResultView::kDump);
  EXPECT_EQ(kReadCdMsfBehaviour.view, ResultView::kDump);
}

TEST(ReadCdForm, EveryChoiceAndBoxLandsInItsBits) {
  Console c;
  c.SelectRow(kReadCdRow);
  // A fresh row: all types, nothing selected.
  EXPECT_EQ(c.current_cdb(), (Cdb{0xBE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  Choose(c, "Expected Sector Type", 4);  // "100b Mode 2 form 1"
  Check(c, "RelADR", true);
  Check(c, "SYNC", true);
  Choose(c, "Header Codes", 3);  // "11b All headers"
  Check(c, "User Data", true);
  Check(c, "EDC & ECC", true);
  Choose(c, "Error Field", 2);                 // 04h
  Choose(c, "Sub-channel Selection Bits", 3);  // P-W
  SetText(c, "Logical Block Address", "305419896");
  SetText(c, "Transfer Length", "7");
  EXPECT_EQ(c.current_cdb(), (Cdb{0xBE, 0x11, 0x12, 0x34, 0x56, 0x78, 0, 0, 7, 0xFC, 0x04, 0}));
  EXPECT_EQ(c.current().transfer_blocks, 7);
  // Clearing sets the bits back without touching their neighbours.
  Check(c, "SYNC", false);
  Choose(c, "Header Codes", 1);  // 20h
  Choose(c, "Expected Sector Type", 1);
  EXPECT_EQ(c.current_cdb()[1], 0x05);
  EXPECT_EQ(c.current_cdb()[9], 0x3C);
  // A transfer length beyond three bytes is not truncated into a small read.
  SetText(c, "Transfer Length", "16777217");
  EXPECT_EQ(c.current().transfer_blocks, 16777217);
  EXPECT_EQ(PlanWithBlocks(c.current().transfer_blocks).message, kTooManyBlocksMessage);
}

TEST(ReadCdForm, FillingSelectsTheEntryOfTheMaskedBits) {
  Console c;
  c.catalogue().row(kReadCdRow).cdb_store = {0xBE, 0x0C, 0, 0, 0x01, 0x00, 0, 0, 2, 0xB8, 0x02, 0};
  c.SelectRow(kReadCdRow);
  const auto& s = c.field_states();
  EXPECT_EQ(s[FieldIndex(c, "Expected Sector Type")].choice, 3);  // 011b
  EXPECT_EQ(s[FieldIndex(c, "Header Codes")].choice, 1);          // 20h
  EXPECT_EQ(s[FieldIndex(c, "Error Field")].choice, 0);
  EXPECT_EQ(s[FieldIndex(c, "Sub-channel Selection Bits")].choice, 2);  // Q
  EXPECT_TRUE(s[FieldIndex(c, "SYNC")].checked);
  EXPECT_TRUE(s[FieldIndex(c, "User Data")].checked);
  EXPECT_TRUE(s[FieldIndex(c, "EDC & ECC")].checked);
  EXPECT_FALSE(s[FieldIndex(c, "RelADR")].checked);
  EXPECT_EQ(s[FieldIndex(c, "Logical Block Address")].text, "256");
  EXPECT_EQ(s[FieldIndex(c, "Transfer Length")].text, "2");
  EXPECT_EQ(c.current_cdb(), c.catalogue().row(kReadCdRow).cdb_store);
  EXPECT_EQ(c.current().transfer_blocks, 2);
  EXPECT_TRUE(c.has_number_fields());
}

TEST(ReadCdForm, ReadCdMsfCountsItsBlocksFromTheRange) {
  Console c;
  c.SelectRow(kReadCdMsfRow);
  const std::size_t start = FieldIndex(c, "Starting MSF");
  const std::size_t end = FieldIndex(c, "Ending MSF");
  FieldState s = c.field_states()[start];
  s.msf = {"00", "02", "70"};
  c.UpdateField(start, s);
  s = c.field_states()[end];
  s.msf = {"00", "03", "05"};
  c.UpdateField(end, s);
  Choose(c, "Expected Sector Type", 2);
  Check(c, "User Data", true);
  EXPECT_EQ(c.current_cdb(), (Cdb{0xB9, 0x08, 0, 0, 2, 70, 0, 3, 5, 0x10, 0, 0}));
  EXPECT_EQ(c.current().transfer_blocks, 10);
  EXPECT_EQ(ReadCdMsfBlocks(c.current_cdb()), 10);
  // An end before the start asks for a negative count, which execution refuses.
  s.msf = {"00", "01", "00"};
  c.UpdateField(end, s);
  EXPECT_LT(c.current().transfer_blocks, 0);
  EXPECT_EQ(PlanWithBlocks(c.current().transfer_blocks).message, kTooManyBlocksMessage);
}

struct NoHost : JobHost {
  void Message(MessageIcon, const std::string& m) override { errors.push_back(m); }
  std::vector<std::string> errors;
};

TEST(ReadCdForm, ExecutedAgainstTheVirtualDriveShowsTheBlocks) {
  SimulatedClock clock;
  DriveDirectory drives;
  drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock));
  DeviceSession session(&drives, BuiltInSenseTable());
  ASSERT_TRUE(session.Open("emu:type13?speed=max"));
  Console c;
  c.SelectRow(kReadCdRow);
  Check(c, "SYNC", true);
  Choose(c, "Header Codes", 3);
  Check(c, "User Data", true);
  Check(c, "EDC & ECC", true);
  SetText(c, "Logical Block Address", "100");
  SetText(c, "Transfer Length", "2");
  PlanResult plan = c.PrepareExecution("");
  ASSERT_TRUE(plan.plan) << plan.message;
  NoHost host;
  const CommandReport report = ExecuteCommand(session, *plan.plan, host);
  ASSERT_TRUE(report.success) << session.status_line.Get();
  EXPECT_EQ(report.transferred, 2u * 2352u);
  EXPECT_TRUE(report.output.dump_whole);
  EXPECT_EQ(report.output.dump.substr(0, 12), "000000 0000h");
  EXPECT_NE(report.output.dump.find("004688 1250h "), std::string::npos);  // last line
  EXPECT_EQ(report.output.dump.find("004704 "), std::string::npos);

  // Read CD MSF over the same two blocks.
  c.SelectRow(kReadCdMsfRow);
  FieldState s = c.field_states()[FieldIndex(c, "Starting MSF")];
  s.msf = {"00", "03", "25"};  // LBA 100
  c.UpdateField(FieldIndex(c, "Starting MSF"), s);
  s.msf = {"00", "03", "27"};
  c.UpdateField(FieldIndex(c, "Ending MSF"), s);
  Check(c, "User Data", true);
  plan = c.PrepareExecution("");
  ASSERT_TRUE(plan.plan) << plan.message;
  const CommandReport msf = ExecuteCommand(session, *plan.plan, host);
  ASSERT_TRUE(msf.success) << session.status_line.Get();
  EXPECT_EQ(msf.transferred, 2u * 2048u);
  EXPECT_NE(msf.output.dump, "No Data");
}

}  // namespace
}  // namespace tamarack
