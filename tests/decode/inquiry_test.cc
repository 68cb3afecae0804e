#include "decode/inquiry.h"

#include <gtest/gtest.h>

#include <vector>

#include "console/console.h"

namespace tamarack {
namespace {

// The value of the row whose key is `key`.
const DecodedRow& Row(const std::vector<DecodedRow>& rows, const std::string& key) {
  for (const DecodedRow& r : rows) {
    if (!r.cells.empty() && r.cells[0] == key) return r;
  }
  static const DecodedRow kMissing{{"?", "?", "?"}, -1};
  ADD_FAILURE() << "no row " << key;
  return kMissing;
}

std::vector<std::uint8_t> InquiryData() {
  std::vector<std::uint8_t> d(96, 0);
  d[0] = 0x05;
  d[1] = 0x80;
  d[2] = 0x05;
  d[3] = 0x32;
  d[4] = 91;
  const char* vendor = "ABCDEFGH";
  std::copy(vendor, vendor + 8, d.begin() + 8);
  const char* product = "VIRTUAL DVD-ROM ";
  std::copy(product, product + 16, d.begin() + 16);
  const char* revision = "1.00";
  std::copy(revision, revision + 4, d.begin() + 32);
  d[56] = 0x0D;
  return d;
}

TEST(DecodeInquiry, EveryRowInTableOrderWithItsIcon) {
  const auto rows = DecodeInquiry(InquiryData());
  ASSERT_EQ(rows.size(), 24u);
  const char* keys[] = {"Peripheral qualifer",
                        "Peripheral device type",
                        "RMB",
                        "Version",
                        "AERC",
                        "NORMACA",
                        "HISUP",
                        "Response Data Format",
                        "Additional Length",
                        "SCCS",
                        "BQUE",
                        "EncServ",
                        "MultiP",
                        "MChanger",
                        "RelAdr",
                        "LINKED",
                        "CmdQue",
                        "Vender Identification",
                        "Product Identification",
                        "Product Revision Level",
                        "Vendor Specific",
                        "Clocking",
                        "QAS",
                        "ILS"};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].cells.size(), 3u);
    EXPECT_EQ(rows[i].cells[0], keys[i]);
  }
  EXPECT_EQ(rows[0].icon, kIconNumber);
  EXPECT_EQ(rows[2].icon, kIconFlag);
  EXPECT_EQ(rows[17].icon, kIconText);
  EXPECT_EQ(rows[21].icon, kIconFlag);
}

TEST(DecodeInquiry, CdRomDeviceVersionUndefinedAndClocking) {
  const auto rows = DecodeInquiry(InquiryData());
  EXPECT_EQ(Row(rows, "Peripheral qualifer").cells[1], "000b");
  EXPECT_EQ(Row(rows, "Peripheral device type").cells[1], "05h");
  EXPECT_EQ(Row(rows, "Peripheral device type").cells[2], "CD-ROM device");
  EXPECT_EQ(Row(rows, "RMB").cells[1], "On");
  EXPECT_EQ(Row(rows, "RMB").cells[2], "Removable medium ?");
  EXPECT_EQ(Row(rows, "Version").cells[1], "05h");
  EXPECT_EQ(Row(rows, "Version").cells[2], "Undefine");
  EXPECT_EQ(Row(rows, "NORMACA").cells[1], "On");
  EXPECT_EQ(Row(rows, "HISUP").cells[1], "On");
  EXPECT_EQ(Row(rows, "Response Data Format").cells[1], "02h");
  EXPECT_EQ(Row(rows, "Additional Length").cells[1], "5bh");
  EXPECT_EQ(Row(rows, "Clocking").cells[1], "11b");
  EXPECT_EQ(Row(rows, "Clocking").cells[2], "Indicates the device server supports ST and DT");
  EXPECT_EQ(Row(rows, "QAS").cells[1], "Off");
  EXPECT_EQ(Row(rows, "ILS").cells[1], "On");
}

TEST(DecodeInquiry, TextFieldsStopAtTheirLengthOrTheirFirstZero) {
  auto d = InquiryData();
  // Eight vendor characters and no terminator: the product follows directly in the data.
  EXPECT_EQ(Row(DecodeInquiry(d), "Vender Identification").cells[1], "ABCDEFGH");
  EXPECT_EQ(Row(DecodeInquiry(d), "Product Identification").cells[1], "VIRTUAL DVD-ROM ");
  d[12] = 0;
  EXPECT_EQ(Row(DecodeInquiry(d), "Vender Identification").cells[1], "ABCD");
  EXPECT_EQ(Row(DecodeInquiry(d), "Vendor Specific").cells[1], "");
}

TEST(DecodeInquiry, ShortDataReadsAsZeroNeverPastTheBuffer) {
  const std::vector<std::uint8_t> d = {0x05, 0x80, 0x00, 0x02, 0x1F, 0, 0, 0, 'X', 'Y'};
  const auto rows = DecodeInquiry(d);
  EXPECT_EQ(Row(rows, "Vender Identification").cells[1], "XY");
  EXPECT_EQ(Row(rows, "Product Identification").cells[1], "");
  EXPECT_EQ(Row(rows, "Clocking").cells[1], "00b");
  EXPECT_EQ(Row(rows, "Clocking").cells[2], "Indicates the device server supports only ST");
  EXPECT_EQ(Row(rows, "Version").cells[2],
            "The device does not claim conformance to any standard.");
  EXPECT_EQ(DecodeInquiry({}).size(), 24u);
}

TEST(DecodeInquiry, TheDecoderIgnoresTheBuffersFillPastTheReply) {
  // A 36-byte reply in a buffer filled with 5Ah: the vendor specific field is not "ZZZ...".
  std::vector<std::uint8_t> buffer(40960, 0x5A);
  auto d = InquiryData();
  d[4] = 31;
  std::copy(d.begin(), d.begin() + 36, buffer.begin());
  DecodeInput in;
  in.data = buffer;
  in.received_length = 0;  // the transport said it filled the whole buffer
  const DecodeOutput out = DecodeInquiryReply(in);
  EXPECT_EQ(Row(out.rows, "Vendor Specific").cells[1], "");
  EXPECT_EQ(Row(out.rows, "Product Revision Level").cells[1], "1.00");
  ASSERT_EQ(out.columns.size(), 3u);
  EXPECT_EQ(out.columns[0].title, "Key");
  EXPECT_EQ(out.columns[2].width, 320);
  // A recorded length wins over the header.
  in.received_length = 12;
  EXPECT_EQ(Row(DecodeInquiryReply(in).rows, "Vender Identification").cells[1], "ABCD");
}

TEST(InquiryIdentity, KeepsVendorAndProductInAZeroFilledArea) {
  const InquiryIdentity id = SaveInquiryIdentity(InquiryData());
  EXPECT_EQ(id.ModelName(), "ABCDEFGHVIRTUAL DVD-ROM ");
  EXPECT_EQ(id.bytes[24], 0);
  EXPECT_EQ(SaveInquiryIdentity({}).ModelName(), "");
}

TEST(InquiryForm, NoParameterAndAllocationLength255) {
  Console c;
  c.SelectRow(1);
  EXPECT_TRUE(c.no_parameter());
  EXPECT_TRUE(c.parameterless());
  EXPECT_EQ(c.result_view(), ResultView::kInquiryList);
  EXPECT_EQ(c.CdbLine(), "12 00 00 00 ff 00 00 00 00 00 00 00 ");
}

}  // namespace
}  // namespace tamarack
