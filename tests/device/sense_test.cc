#include "device/sense.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

const auto kTable = BuiltInSenseTable();

TEST(LookUpSense, FindsTheRowInTheExpectedPass) {
  struct Case {
    std::uint32_t key, asc, ascq;
    int pass;
    const char* message;
  };
  const Case cases[] = {{2, 0x3A, 0x02, 1, " MEDIUM NOT PRESENT - TRAY OPEN"},
                        {2, 0x3A, 0x01, 1, " MEDIUM NOT PRESENT - TRAY CLOSED"},
                        // No 3/11/07: the first key-3 row with ASC 11.
                        {3, 0x11, 0x07, 2, " UNRECOVERED READ ERROR"},
                        // No key-5 row with ASC 3A: the key-2 row with ASC and ASCQ equal.
                        {5, 0x3A, 0x00, 3, " MEDIUM NOT PRESENT"},
                        // Pass 4: the first row with ASC 3A whatever the key.
                        {4, 0x3A, 0x07, 4, " MEDIUM NOT PRESENT"},
                        // Same text twice in the table: the first one wins.
                        {6, 0x3F, 0x01, 1, " MICROCODE HAS BEEN CHANGED"},
                        {9, 0xEE, 0xEE, 0, ""}};
  for (const Case& c : cases) {
    const SenseMatch m = MatchSense(kTable, c.key, c.asc, c.ascq);
    EXPECT_EQ(m.pass, c.pass) << c.key << " " << c.asc << " " << c.ascq;
    EXPECT_STREQ(m.row->message, c.message);
    EXPECT_EQ(&LookUpSense(kTable, c.key, c.asc, c.ascq), m.row);
  }
  // Every lookup starts again at the first row.
  EXPECT_STREQ(LookUpSense(kTable, 7, 0x27, 0x06).message, " CONDITIONAL WRITE PROTECT");
  EXPECT_STREQ(LookUpSense(kTable, 0, 0x00, 0x00).message, " NO ADDITIONAL SENSE INFORMATION");
  // A table without its end row is not read past its end.
  const SenseRow rows[] = {{2, 0x3A, 0x00, " MEDIUM NOT PRESENT"}};
  EXPECT_STREQ(LookUpSense(rows, 2, 0x3A, 0x00).message, " MEDIUM NOT PRESENT");
  EXPECT_STREQ(LookUpSense(rows, 2, 0x11, 0x00).message, "");
  EXPECT_STREQ(LookUpSense({}, 2, 0x11, 0x00).message, "");
}

// Each sense of parsed_sense.txt (its bytes before the colon) as parsed: fixed format (the
// VALID bit is not part of the code) and descriptor format, response codes that are no sense,
// nothing at all, short sense read only as far as it goes; and the INFORMATION field, only
// where the drive marked it valid (fixed: the VALID bit; descriptor: a whole information
// descriptor with its own VALID bit).
TEST(ParseSense, FixedAndDescriptorFormatsAreSenseOthersAreNot) {
  std::istringstream lines(testing::ReadGoldenFile("parsed_sense.txt", "device"));
  std::string t;
  for (std::string line; std::getline(lines, line);) {
    const std::string hex = line.substr(0, line.find(':'));
    const std::vector<std::uint8_t> sense = ParseHexBytes(hex, " ").value();
    const ParsedSense p = ParseSense(sense);
    const char* format[] = {"none", "fixed", "descriptor"};
    const auto info = SenseInformation(sense);
    t += hex + StrFormat(": %s code %02x key %x asc %02x ascq %02x length %zu info %s\n",
                         format[static_cast<int>(p.format)], p.response_code, p.key, p.asc, p.ascq,
                         p.length, info ? std::to_string(*info).c_str() : "-");
  }
  testing::ExpectGoldenFile("parsed_sense.txt", t, "device");
}

TEST(DecodeRequestSense, EveryFieldAdditionalBytesAndALengthBeyondTheReply) {
  for (const char* name : {"request_sense_every_field", "request_sense_additional_bytes",
                           "request_sense_length_beyond"}) {
    const std::string text =
        DecodeRequestSenseText(testing::ReadGoldenHex(std::string(name) + ".hex", "device"));
    if (testing::UpdateGoldenText(std::string(name) + ".txt", text, "device")) continue;
    EXPECT_EQ(text, testing::ReadGoldenText(std::string(name) + ".txt", "device")) << name;
  }
}

TEST(RequestSenseView, ShowsTheDriveErrorOrNoErrorSenseData) {
  std::uint8_t sense[24] = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x02};
  RequestSenseView v = MakeRequestSenseView(kTable, sense);
  EXPECT_EQ(v.sense_line, "70 00 02 00 00 00 00 0a 00 00 00 00 3a 02 00 00 00 00 ");
  EXPECT_EQ(v.key, "02");
  EXPECT_EQ(v.asc, "3a");
  EXPECT_EQ(v.ascq, "02");
  EXPECT_EQ(v.message, " MEDIUM NOT PRESENT - TRAY OPEN");
  EXPECT_TRUE(v.is_error);
  EXPECT_EQ(v.heading, "ﾄﾞﾗｲﾌﾞからのｴﾗｰ情報");

  std::uint8_t none[18] = {0x70, 0, 0x00, 0, 0, 0, 0, 10};
  v = MakeRequestSenseView(kTable, none);
  EXPECT_FALSE(v.is_error);
  EXPECT_EQ(v.heading, "No Error Sense Data");
  EXPECT_EQ(v.message, " NO ADDITIONAL SENSE INFORMATION");

  v = MakeRequestSenseView({}, sense);
  EXPECT_EQ(v.message, "No Error Table");
}

// The failing block the drive names, decimal first, from either sense format; none when the
// drive did not mark it valid.
TEST(RequestSenseView, ShowsTheInformationFieldInDecimalAndHex) {
  const struct {
    std::vector<std::uint8_t> sense;
    const char* information;
  } rows[] = {
      {{0xF0, 0, 0x03, 0x00, 0x01, 0x2C, 0x3F, 10, 0, 0, 0, 0, 0x11, 0x00}, "76863 (00012c3fh)"},
      {{0x70, 0, 0x03, 0x00, 0x01, 0x2C, 0x3F, 10, 0, 0, 0, 0, 0x11, 0x00}, ""},
      {{0xF1, 0, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 10, 0, 0, 0, 0, 0x11}, "4294967295 (ffffffffh)"},
      {{0x72, 0x03, 0x11, 0x00, 0, 0, 0, 12, 0x00, 0x0A, 0x80, 0, 0, 0, 0, 0, 0, 0, 0x03, 0xE8},
       "1000 (000003e8h)"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(MakeRequestSenseView(kTable, r.sense).information, r.information)
        << HexBytes(r.sense);
  }
}

// The built-in table's whole list is in the CLI's golden runs (tests/data/cli).
TEST(SenseCodeList, ListsKeysZeroToNineWithoutTheLeadingBlank) {
  const SenseRow rows[] = {{0x0A, 1, 2, " TEN"},
                           {9, 0x0B, 0, " WARNING"},
                           {0, 0, 0, " NONE"},
                           {kSenseTableEndKey, 0, 0, ""},
                           {1, 0, 0, " AFTER THE END"}};
  const auto small = SenseCodeList(rows);
  ASSERT_EQ(small.size(), 2u) << "keys above 9 and rows after the end are not listed";
  EXPECT_EQ(small[0].message, "NONE");
  EXPECT_EQ(small[1].key, "09");
  EXPECT_EQ(small[1].asc, "0b");
}

}  // namespace
}  // namespace tamarack
