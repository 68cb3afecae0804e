#include "decode/inquiry.h"

#include <gtest/gtest.h>

#include <vector>

#include "golden.h"

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

// Every row in the list's order with its value, comment and icon.
TEST(DecodeInquiry, EveryRowOfACdRomDevice) {
  testing::ExpectGoldenText("inquiry_rows", testing::RowsText(DecodeInquiry(InquiryData())));
}

TEST(DecodeInquiry, TextFieldsStopAtTheirLengthOrTheirFirstZero) {
  auto d = InquiryData();  // eight vendor characters without a terminator: the golden rows
  d[12] = 0;
  EXPECT_EQ(Row(DecodeInquiry(d), "Vender Identification").cells[1], "ABCD");
  EXPECT_EQ(Row(DecodeInquiry(d), "Vendor Specific").cells[1], "");
}

// Data shorter than the fields reads as zero, never past the buffer: ten bytes, then none.
TEST(DecodeInquiry, ShortDataReadsAsZeroNeverPastTheBuffer) {
  const std::vector<std::uint8_t> d = {0x05, 0x80, 0x00, 0x02, 0x1F, 0, 0, 0, 'X', 'Y'};
  testing::ExpectGoldenText(
      "inquiry_short_rows",
      testing::RowsText(DecodeInquiry(d)) + "== none\r\n" + testing::RowsText(DecodeInquiry({})));
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

}  // namespace
}  // namespace tamarack
