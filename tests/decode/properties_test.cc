// The Properties tab's three requests and their lists, against scripted replies.
#include "views/properties.h"

#include <gtest/gtest.h>

#include "device/scripted_transport.h"
#include "device/sense_table.h"
#include "golden.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::Refused;
using ScriptedDrive = testing::ScriptedSession;

std::string Cell(const std::vector<DecodedRow>& rows, const std::string& key, std::size_t cell) {
  for (const DecodedRow& r : rows) {
    if (!r.cells.empty() && r.cells[0] == key && cell < r.cells.size()) return r.cells[cell];
  }
  return "(none)";
}

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
  testing::ExpectGoldenText("capability_rows", testing::RowsText(CapabilityRows(page)));
  // A page cut short: the missing bits read as absent.
  for (const DecodedRow& r : CapabilityRows(std::vector<std::uint8_t>{0x2A, 4})) {
    EXPECT_EQ(r.icon, kIconAbsent) << r.cells[1];
  }
}

TEST(FillPropertiesTab, ThreeSectionsFromThreeRequests) {
  ScriptedDrive d({Good(Inquiry36()), Good({0, 0, 0, 8, 0, 0, 0, 8}), Good(ModeSense2A(0x2A))});
  const PropertiesResult r = FillPropertiesTab(d.session);
  EXPECT_TRUE(r.opened);
  ASSERT_EQ(d.sent.size(), 3u);
  EXPECT_EQ(d.sent[0].cdb, MakeCdb({0x12, 0, 0, 0, 0xFF}));
  EXPECT_EQ(d.sent[1].cdb, MakeCdb({0x46, 0, 0, 0, 0, 0, 0, 0, 0xFF}));
  EXPECT_EQ(d.sent[2].cdb, MakeCdb({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF}));
  for (const auto& s : d.sent) EXPECT_EQ(s.buffer.size(), 255u);
  EXPECT_EQ(Cell(r.inquiry_rows, "Peripheral device type", 2), "CD-ROM device");
  // The buffer is zero-filled: what the drive did not send reads as zero.
  EXPECT_EQ(Cell(r.inquiry_rows, "Clocking", 1), "00b");
  ASSERT_TRUE(r.identity.has_value());
  EXPECT_EQ(r.identity->ModelName(), std::string(24, ' '));
  EXPECT_EQ(r.inquiry_data.size(), 36u);
  ASSERT_GE(r.feature_rows.size(), 2u);
  EXPECT_EQ(r.feature_rows[1].cells[2], "CD-ROM Read only Compact Disc");
  EXPECT_TRUE(r.capability_rows.has_value());
}

TEST(FillPropertiesTab, AFailedSectionSaysNotSupportedAndTheOthersAreFilled) {
  ScriptedDrive d({CheckCondition(5, 0x20, 0), Refused(TransportStatus::kTransportError, "lost"),
                   CheckCondition(5, 0x24, 0)});
  const PropertiesResult r = FillPropertiesTab(d.session);
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
  EXPECT_FALSE(FillPropertiesTab(d.session).capability_rows.has_value());
}

TEST(FillPropertiesTab, ASaveablePageAfterABlockDescriptorIsRecognised) {
  // A current drive: an 8-byte block descriptor first, then page 2Ah with its PS bit.
  std::vector<std::uint8_t> reply = ModeSense2A(0xAA);
  reply.insert(reply.begin() + 8, {0x01, 0x0A, 0, 0, 0, 0, 0x08, 0});
  reply[1] = static_cast<std::uint8_t>(reply.size() - 2);
  reply[7] = 8;
  ScriptedDrive d({Good(Inquiry36()), Good({0, 0, 0, 4}), Good(reply)});
  const PropertiesResult r = FillPropertiesTab(d.session);
  ASSERT_TRUE(r.capability_rows.has_value());
  const auto page = ModeSense2A(0x2A);
  const auto expected = CapabilityRows(std::span(page).subspan(8));
  ASSERT_EQ(r.capability_rows->size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ((*r.capability_rows)[i].icon, expected[i].icon) << expected[i].cells[1];
  }
  EXPECT_EQ((*r.capability_rows)[1].icon, kIconPresent);  // DVD-R Read, from byte 2
  // A block descriptor length past the reply leaves the list alone.
  reply[6] = 0x01;
  ScriptedDrive odd({Good(Inquiry36()), Good({0, 0, 0, 4}), Good(reply)});
  EXPECT_FALSE(FillPropertiesTab(odd.session).capability_rows.has_value());
}

TEST(FillPropertiesTab, WithoutADriveNothingIsSent) {
  DeviceSession session(nullptr, BuiltInSenseTable());
  const PropertiesResult r = FillPropertiesTab(session);
  EXPECT_FALSE(r.opened);
  EXPECT_TRUE(r.inquiry_rows.empty());
  EXPECT_FALSE(r.capability_rows.has_value());
}

}  // namespace
}  // namespace tamarack
