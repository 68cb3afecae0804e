#include "decode/inquiry.h"

#include <gtest/gtest.h>

#include <vector>

#include "golden.h"

namespace tamarack {
namespace {

std::vector<std::uint8_t> InquiryData() {
  std::vector<std::uint8_t> d = {0x05, 0x80, 0x05, 0x32, 91};
  d.resize(96, 0);
  std::copy_n("ABCDEFGHVIRTUAL DVD-ROM 1.00", 28, d.begin() + 8);  // vendor, product, revision
  d[56] = 0x0D;
  return d;
}

// Every row in the list's order with its value, comment and icon.
TEST(DecodeInquiry, EveryRowOfACdRomDevice) {
  testing::ExpectGoldenText("inquiry_rows", testing::RowsText(DecodeInquiry(InquiryData())));
}

// Data shorter than the fields reads as zero, never past the buffer: ten bytes, then none;
// text fields stop at their length or their first zero (the vendor cut after four letters).
// The decoder reads a 36-byte reply in a buffer of 5Ah up to its additional length (the
// vendor specific field is not "ZZZ..."), or up to a recorded length of 12.
TEST(DecodeInquiry, ShortDataTextFieldsAndTheBuffersFill) {
  const std::vector<std::uint8_t> d = {0x05, 0x80, 0x00, 0x02, 0x1F, 0, 0, 0, 'X', 'Y'};
  auto cut = InquiryData();
  cut[12] = 0;
  std::vector<std::uint8_t> buffer(40960, 0x5A);
  auto reply = InquiryData();
  reply[4] = 31;
  std::copy(reply.begin(), reply.begin() + 36, buffer.begin());
  DecodeInput in;
  in.data = buffer;
  std::string t = testing::RowsText(DecodeInquiry(d)) + "== none\r\n" +
                  testing::RowsText(DecodeInquiry({})) + "== vendor ABCD\r\n" +
                  testing::RowsText(DecodeInquiry(cut)) + "== 36 bytes in a buffer of 5Ah\r\n" +
                  testing::RowsText(DecodeInquiryReply(in).rows);
  in.received_length = 12;
  t += "== recorded 12\r\n" + testing::RowsText(DecodeInquiryReply(in).rows);
  testing::ExpectGoldenText("inquiry_short_rows", t);
}

// The pages of Inquiry with EVPD, as rows: the supported pages, the serial number, each
// designator (ASCII as text, binary as bytes, one cut short by the page's end), a page this
// decoder does not know as bytes, sixteen to a row, and a page length beyond the reply; a reply
// with EVPD in its CDB is read as a page, not as standard data.
TEST(DecodeVpdPage, SupportedSerialDesignatorsAndOtherPagesAsBytes) {
  const std::vector<std::vector<std::uint8_t>> pages = {
      {0x05, 0x00, 0x00, 0x03, 0x00, 0x80, 0x83},
      {0x05, 0x80, 0x00, 0x04, 'S', 'N', '4', '2'},
      {0x05, 0x83, 0x00, 0x18, 0x02, 0x01, 0x00, 0x04, 'A',  'B',  'C',  'D',  0x01, 0x03,
       0x00, 0x08, 0x50, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x02, 0x11, 0x00, 0x09},
      {0x05, 0xB1, 0x00, 0x14, 0,  1,  2,  3,  4,  5,  6,  7,
       8,    9,    10,   11,   12, 13, 14, 15, 16, 17, 18, 19},
      {0x05, 0x80, 0x00, 0x20, 'S', 'N'},
  };
  std::string t;
  for (const auto& page : pages) t += testing::RowsText(DecodeVpdPage(page)) + "==\r\n";
  std::vector<std::uint8_t> buffer(40960, 0x5A);
  std::copy(pages[1].begin(), pages[1].end(), buffer.begin());
  DecodeInput in;
  in.data = buffer;
  in.cdb = {0x12, 0x01, 0x80, 0, 0xFF};
  t += testing::RowsText(DecodeInquiryReply(in).rows);
  testing::ExpectGoldenText("inquiry_vpd_rows", t);
}

TEST(InquiryIdentity, KeepsVendorAndProductInAZeroFilledArea) {
  const InquiryIdentity id = SaveInquiryIdentity(InquiryData());
  EXPECT_EQ(id.ModelName(), "ABCDEFGHVIRTUAL DVD-ROM ");
  EXPECT_EQ(id.bytes[24], 0);
  EXPECT_EQ(SaveInquiryIdentity({}).ModelName(), "");
}

}  // namespace
}  // namespace tamarack
