#include "device/sense.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "device/asc_code_list.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

const auto kTable = BuiltInSenseTable();

// Pass 1 keeps the table's own row; the standard code list's exact text comes next and wins
// over a looser pass that would name another code (3/11/07, 1/03/02 that had none at all) or
// the same code under another key's meaning (0/04/00 "ENCLOSURE FAILURE" for keys 4, 6, B);
// passes 2 to 4 answer codes the list does not hold.
TEST(LookUpSense, FindsTheRowInTheExpectedPass) {
  struct Case {
    std::uint32_t key, asc, ascq;
    SenseSource source;
    int pass;
    const char* message;
  };
  constexpr SenseSource kRow = SenseSource::kTable, kList = SenseSource::kCodeList,
                        kNothing = SenseSource::kNone;
  const Case cases[] = {
      {2, 0x3A, 0x02, kRow, 1, " MEDIUM NOT PRESENT - TRAY OPEN"},
      {2, 0x3A, 0x01, kRow, 1, " MEDIUM NOT PRESENT - TRAY CLOSED"},
      // The table's wording stays where its row has the key.
      {2, 0x30, 0x01, kRow, 1, " CANNOT READ MEDIUM . UNKNOWN FORMAT"},
      {0, 0x04, 0x00, kRow, 1, " ENCLOSURE FAILURE"},
      {2, 0x04, 0x00, kRow, 1, " LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"},
      {4, 0x04, 0x00, kList, 0, " LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"},
      {6, 0x04, 0x00, kList, 0, " LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"},
      {0xB, 0x04, 0x00, kList, 0, " LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"},
      {1, 0x03, 0x02, kList, 0, " EXCESSIVE WRITE ERRORS"},
      {3, 0x11, 0x07, kList, 0, " DATA RE-SYNCHRONIZATION ERROR"},
      {5, 0x3A, 0x00, kList, 0, " MEDIUM NOT PRESENT"},
      {3, 0x21, 0x00, kList, 0, " LOGICAL BLOCK ADDRESS OUT OF RANGE"},
      // Codes the list lacks: the table's looser passes.
      {3, 0x11, 0x80, kRow, 2, " UNRECOVERED READ ERROR"},
      {5, 0x3A, 0x10, kRow, 4, " MEDIUM NOT PRESENT"},
      {4, 0x3A, 0x07, kRow, 4, " MEDIUM NOT PRESENT"},
      // Same text twice in the table: the first one wins.
      {6, 0x3F, 0x01, kRow, 1, " MICROCODE HAS BEEN CHANGED"},
      {9, 0xEE, 0xEE, kNothing, 0, ""}};
  for (const Case& c : cases) {
    const SenseMatch m = MatchSense(kTable, c.key, c.asc, c.ascq);
    EXPECT_EQ(m.source, c.source) << c.key << " " << c.asc << " " << c.ascq;
    EXPECT_EQ(m.pass, c.pass) << c.key << " " << c.asc << " " << c.ascq;
    EXPECT_STREQ(m.row->message, c.message);
    EXPECT_EQ(&LookUpSense(kTable, c.key, c.asc, c.ascq), m.row);
  }
  // Every lookup starts again at the first row.
  EXPECT_STREQ(LookUpSense(kTable, 7, 0x27, 0x06).message, " CONDITIONAL WRITE PROTECT");
  EXPECT_STREQ(LookUpSense(kTable, 0, 0x00, 0x00).message, " NO ADDITIONAL SENSE INFORMATION");
  // A table without its end row is not read past its end; no table finds nothing at all.
  const SenseRow rows[] = {{2, 0x3A, 0x00, " MEDIUM NOT PRESENT"}};
  EXPECT_STREQ(LookUpSense(rows, 2, 0x3A, 0x00).message, " MEDIUM NOT PRESENT");
  EXPECT_STREQ(LookUpSense(rows, 2, 0xEE, 0x00).message, "");
  EXPECT_STREQ(LookUpSense({}, 2, 0x11, 0x00).message, "");
}

// The list is in ASC/ASCQ order (the lookup searches it by halves), each code once, every
// text with the leading blank; and every code optical drives send that the table lacks is in
// it.
TEST(AscCodeList, IsOrderedAndHoldsTheCodesTheTableLacks) {
  const auto list = AscCodeList();
  for (std::size_t i = 1; i < list.size(); ++i) {
    EXPECT_LT(std::pair(list[i - 1].asc, list[i - 1].ascq), std::pair(list[i].asc, list[i].ascq))
        << i;
  }
  for (const SenseRow& r : list) {
    EXPECT_EQ(r.message[0], ' ') << r.asc << "/" << r.ascq;
    EXPECT_EQ(FindAscCode(r.asc, r.ascq), &r);
  }
  for (auto [asc, ascq] : {std::pair(0x03u, 0x02u), std::pair(0x11u, 0x07u),
                           std::pair(0x00u, 0x11u), std::pair(0x21u, 0x02u)}) {
    EXPECT_NE(FindAscCode(asc, ascq), nullptr) << asc << "/" << ascq;
  }
  EXPECT_EQ(FindAscCode(0xEE, 0xEE), nullptr);
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

// Fixed format with each sense-key specific field (bytes 15-17), descriptor format with each
// descriptor type it decodes, one it shows as bytes and one cut short.
TEST(DecodeRequestSense, EveryFieldAdditionalBytesAndALengthBeyondTheReply) {
  for (const char* name : {"request_sense_every_field", "request_sense_additional_bytes",
                           "request_sense_length_beyond", "request_sense_field_pointer",
                           "request_sense_descriptors"}) {
    const std::string text =
        DecodeRequestSenseText(testing::ReadGoldenHex(std::string(name) + ".hex", "device"));
    if (testing::UpdateGoldenText(std::string(name) + ".txt", text, "device")) continue;
    EXPECT_EQ(text, testing::ReadGoldenText(std::string(name) + ".txt", "device")) << name;
  }
}

// What bytes 15-17 say by sense key, only with SKSV: where an illegal request's fault is (in the
// CDB or the parameter data, with the bit when BPV is set), the progress of a drive not ready,
// the retries of a medium, hardware or recovered error.
TEST(SenseKeyField, FieldPointerProgressAndRetryCount) {
  const struct {
    std::uint8_t key;
    std::vector<std::uint8_t> field;
    const char* text;
  } rows[] = {
      {5, {0xCD, 0x00, 0x02}, "FIELD POINTER:byte 2 of the CDB, bit 5"},
      {5, {0xC0, 0x00, 0x02}, "FIELD POINTER:byte 2 of the CDB"},
      {5, {0x80, 0x01, 0x00}, "FIELD POINTER:byte 256 of the parameter data"},
      {2, {0x80, 0x80, 0x00}, "PROGRESS INDICATION:32768/65536 (50%)"},
      {0, {0x80, 0xFF, 0xFF}, "PROGRESS INDICATION:65535/65536 (99%)"},
      {3, {0x80, 0x00, 0x07}, "ACTUAL RETRY COUNT:7"},
      {1, {0x80, 0x00, 0x00}, "ACTUAL RETRY COUNT:0"},
      {4, {0x80, 0x12, 0x34}, "ACTUAL RETRY COUNT:4660"},
      {3, {0x00, 0x00, 0x07}, ""},  // no SKSV
      {6, {0x80, 0x00, 0x07}, ""},  // unit attention has none
      {5, {0x80, 0x00}, ""},        // cut short
  };
  for (const auto& r : rows) {
    EXPECT_EQ(SenseKeyFieldText(r.key, r.field), r.text) << HexBytes(r.field);
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
