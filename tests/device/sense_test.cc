#include "device/sense.h"

#include <gtest/gtest.h>

#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "device/asc_code_list.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

const auto kTable = BuiltInSenseTable();

// Each key, ASC and ASCQ of sense_lookups.txt with where its text came from, the pass and the
// text: the table's own row, the standard code list's exact text before a looser pass, the
// looser passes for codes the list lacks.
TEST(LookUpSense, FindsTheRowInTheExpectedPass) {
  testing::ExpectEachHexLine("sense_lookups.txt", "device", [](const std::vector<std::uint8_t>& c) {
    const SenseMatch m = MatchSense(kTable, c.at(0), c.at(1), c.at(2));
    EXPECT_EQ(&LookUpSense(kTable, c[0], c[1], c[2]), m.row) << HexBytes(c);
    const char* const source[] = {"nothing", "table", "code list"};
    return StrFormat("%s pass %d \"%s\"", source[static_cast<int>(m.source)], m.pass,
                     m.row->message);
  });
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

// Each sense of parsed_sense.txt as parsed: fixed format (the VALID bit is not part of the
// code) and descriptor format, response codes that are no sense, nothing at all, short sense
// read only as far as it goes; and the INFORMATION field, only where the drive marked it valid
// (fixed: the VALID bit; descriptor: a whole information descriptor with its own VALID bit).
TEST(ParseSense, FixedAndDescriptorFormatsAreSenseOthersAreNot) {
  testing::ExpectEachHexLine(
      "parsed_sense.txt", "device", [](const std::vector<std::uint8_t>& sense) {
        const ParsedSense p = ParseSense(sense);
        const char* format[] = {"none", "fixed", "descriptor"};
        const auto info = SenseInformation(sense);
        return StrFormat("%s code %02x key %x asc %02x ascq %02x length %zu info %s",
                         format[static_cast<int>(p.format)], p.response_code, p.key, p.asc, p.ascq,
                         p.length, info ? std::to_string(*info).c_str() : "-");
      });
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

// What bytes 15-17 say by sense key (the first byte of each line of sense_key_fields.txt),
// only with SKSV: where an illegal request's fault is (in the CDB or the parameter data, with the
// bit when BPV is set), the progress of a drive not ready, the retries of a medium, hardware or
// recovered error.
TEST(SenseKeyField, FieldPointerProgressAndRetryCount) {
  testing::ExpectEachHexLine(
      "sense_key_fields.txt", "device", [](const std::vector<std::uint8_t>& b) {
        return "\"" + SenseKeyFieldText(b.at(0), std::span(b).subspan(1)) + "\"";
      });
}

// Each sense of request_sense_views.txt as the dialog shows it: the drive's error, or no error
// sense data; and the failing block the drive names, decimal first, from either sense format,
// none when the drive did not mark it valid.
TEST(RequestSenseView, ShowsTheSenseItsTextAndTheBlockItNames) {
  testing::ExpectEachHexLine(
      "request_sense_views.txt", "device", [](const std::vector<std::uint8_t>& sense) {
        const RequestSenseView v = MakeRequestSenseView(kTable, sense);
        return StrFormat("\"%s\" key %s asc %s ascq %s error %d \"%s\"%s information \"%s\"",
                         v.sense_line.c_str(), v.key.c_str(), v.asc.c_str(), v.ascq.c_str(),
                         v.is_error, v.heading.c_str(), v.message.c_str(), v.information.c_str());
      });
  const std::uint8_t sense[18] = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x02};
  EXPECT_EQ(MakeRequestSenseView({}, sense).message, "No Error Table");
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
