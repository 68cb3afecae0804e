// The Read CD and Read CD MSF forms of the Command tab, through the console as the window
// drives it, and one command run against the virtual drive.
#include "decode/read_cd_form.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "console/form_driver.h"
#include "emu/drive_harness.h"

namespace tamarack {
namespace {

using testing::SetChecked;
using testing::SetChoice;
using testing::SetMsf;
using testing::SetText;

TEST(ReadCdForm, ReadCdMsfCountsItsBlocksFromTheRange) {
  Console c;
  c.SelectRow(testing::RowNamed("Read CD MSF"));
  SetMsf(c, "Starting MSF", {"00", "02", "70"});
  SetMsf(c, "Ending MSF", {"00", "03", "05"});
  SetChoice(c, "Expected Sector Type", 2);
  SetChecked(c, "User Data", true);
  EXPECT_EQ(c.current_cdb(), (Cdb{0xB9, 0x08, 0, 0, 2, 70, 0, 3, 5, 0x10, 0, 0}));
  EXPECT_EQ(c.current().transfer_blocks, 10);
  // An end before the start asks for a negative count, which execution refuses (see the
  // plans' transcript).
  SetMsf(c, "Ending MSF", {"00", "01", "00"});
  EXPECT_LT(c.current().transfer_blocks, 0);
}

TEST(ReadCdForm, ExecutedAgainstTheVirtualDriveShowsTheBlocks) {
  emu::testing::DriveHarness drive;
  DeviceSession& session = drive.session;
  Console c;
  c.SelectRow(testing::RowNamed("Read CD"));
  SetChecked(c, "SYNC", true);
  SetChoice(c, "Header Codes", 3);
  SetChecked(c, "User Data", true);
  SetChecked(c, "EDC & ECC", true);
  SetText(c, "Logical Block Address", "100");
  // A transfer length beyond three bytes is not cut into a small read.
  SetText(c, "Transfer Length", "16777217");
  EXPECT_EQ(c.current().transfer_blocks, 16777217);
  SetText(c, "Transfer Length", "2");
  PlanResult plan = c.PrepareExecution("");
  ASSERT_TRUE(plan.plan) << plan.message;
  JobHost host;
  const CommandReport report = ExecuteCommand(session, *plan.plan, host);
  ASSERT_TRUE(report.success) << drive.status.status_line.Get();
  EXPECT_EQ(report.transferred, 2u * 2352u);
  EXPECT_TRUE(report.output.dump_whole);
  EXPECT_EQ(report.output.dump.substr(0, 12), "000000 0000h");
  EXPECT_NE(report.output.dump.find("004688 1250h "), std::string::npos);  // last line
  EXPECT_EQ(report.output.dump.find("004704 "), std::string::npos);
}

}  // namespace
}  // namespace tamarack
