#include "decode/status_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "console/console.h"
#include "golden.h"

namespace tamarack {
namespace {

using testing::ReadGoldenHex;
using testing::ReadGoldenText;

DecodeInput Input(const std::vector<std::uint8_t>& reply, Cdb cdb = {}) {
  DecodeInput in;
  in.data = reply;
  in.received_length = static_cast<std::uint32_t>(reply.size());
  in.transferred = in.received_length;
  in.cdb = cdb;
  in.direction = 2;
  return in;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The text before the Dump or Data banner that ends the decoded part.
std::string TextPart(const std::string& all, const char* banner) {
  const auto at = all.find(banner);
  return at == std::string::npos ? all : all.substr(0, at + std::string(banner).size());
}

const Cdb kEventCdb = {0x4A, 0x01, 0, 0, 0x10, 0, 0, 0x00, 0x08};

// --- golden files: the whole decoded text with its dump ---

struct GoldenCase {
  const char* name;
  Decoder decoder;
  Cdb cdb;
};

class DecoderGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(DecoderGolden, MatchesTheTextBesideTheReply) {
  const GoldenCase& c = GetParam();
  const auto reply = ReadGoldenHex(std::string(c.name) + ".hex");
  ASSERT_FALSE(reply.empty()) << c.name;
  const DecodeOutput out = c.decoder(Input(reply, c.cdb));
  EXPECT_TRUE(out.text_has_dump);
  if (testing::UpdateGoldenText(std::string(c.name) + ".txt", out.text)) return;
  EXPECT_EQ(out.text, ReadGoldenText(std::string(c.name) + ".txt")) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, DecoderGolden,
    ::testing::Values(GoldenCase{"event_media", &DecodeEventStatus, kEventCdb},
                      GoldenCase{"event_external_request", &DecodeEventStatus, kEventCdb},
                      GoldenCase{"mechanism_two_slots", &DecodeMechanismStatus, {0xBD}},
                      GoldenCase{"subchannel_position", &DecodeSubChannel, {0x42}},
                      GoldenCase{"subchannel_mcn", &DecodeSubChannel, {0x42}},
                      GoldenCase{"subchannel_isrc", &DecodeSubChannel, {0x42}},
                      GoldenCase{"capacity", &DecodeCapacity, {0x25}},
                      // Short event data, and values outside the lists that add nothing.
                      GoldenCase{"event_no_event", &DecodeEventStatus, kEventCdb},
                      GoldenCase{"event_power_unknown", &DecodeEventStatus, kEventCdb},
                      GoldenCase{"event_device_busy", &DecodeEventStatus, kEventCdb},
                      GoldenCase{"event_multi_initiator", &DecodeEventStatus, kEventCdb},
                      GoldenCase{"event_operational", &DecodeEventStatus, kEventCdb},
                      GoldenCase{"mechanism_initializing", &DecodeMechanismStatus, {0xBD}},
                      GoldenCase{"subchannel_no_data", &DecodeSubChannel, {0x42}},
                      GoldenCase{"subchannel_data_track", &DecodeSubChannel, {0x42}},
                      GoldenCase{"subchannel_four_channels", &DecodeSubChannel, {0x42}},
                      GoldenCase{"subchannel_outside_lists", &DecodeSubChannel, {0x42}},
                      GoldenCase{"subchannel_unknown_format", &DecodeSubChannel, {0x42}}),
    [](const ::testing::TestParamInfo<GoldenCase>& p) { return std::string(p.param.name); });

// --- Get Event/Status Notification ---

TEST(EventStatus, AllocationLengthZeroShowsNoData) {
  const std::vector<std::uint8_t> reply = {0, 6, 4, 0x54, 2, 2, 0, 0};
  Cdb cdb = kEventCdb;
  cdb[7] = 0;
  cdb[8] = 0;
  const DecodeOutput out = DecodeEventStatus(Input(reply, cdb));
  EXPECT_EQ(out.text, "No Data");
  EXPECT_FALSE(out.text_has_dump);
}

TEST(EventStatus, ExternalRequestRanges) {
  auto text = [](std::uint8_t high, std::uint8_t low) {
    return EventStatusText(std::vector<std::uint8_t>{0, 6, 3, 0x54, 1, 0, high, low});
  };
  EXPECT_TRUE(Contains(text(0x02, 0x41), "External Request Status: Ready\r\nASCII Button\r\n"));
  EXPECT_TRUE(Contains(text(0xF1, 0x23), "\r\nVendor Unique\r\n"));
  EXPECT_TRUE(Contains(text(0x01, 0x05), "\r\nReserved\r\n"));
  EXPECT_TRUE(Contains(text(0x03, 0x00), "External Request Status: Ready\r\n\r\n"));
}

TEST(EventStatus, ALengthBeyondTheBufferIsCutToIt) {
  // The header claims 0xFFFF bytes; only 8 are there.
  const std::vector<std::uint8_t> reply = {0xFF, 0xFF, 4, 0x54, 2, 2, 0, 0};
  DecodeInput in = Input(reply, kEventCdb);
  in.received_length = 0;
  const DecodeOutput out = DecodeEventStatus(in);
  EXPECT_TRUE(Contains(out.text, "Data Length 65535(ffffh)"));
  EXPECT_TRUE(Contains(out.text, "000000 0000h ffff0454 02020000"));
  EXPECT_FALSE(Contains(out.text, "000016"));
}

// --- Mechanism Status ---

TEST(MechanismStatus, TheSlotWalkStopsAtTheBytesReturned) {
  // The table length says 64 slots (256 bytes); one entry and a half are there.
  std::vector<std::uint8_t> reply = {0, 0, 0, 0, 0, 64, 0x01, 0x00, 0x80, 0, 0, 0, 0x80, 0};
  DecodeInput in = Input(reply, {0xBD});
  in.received_length = 0;
  const DecodeOutput out = DecodeMechanismStatus(in);
  EXPECT_TRUE(Contains(out.text, "Length of Slot Table(s): 256(0100h)\r\n"));
  EXPECT_TRUE(Contains(out.text, "Slot: 0\r\n"));
  EXPECT_FALSE(Contains(out.text, "Slot: 1\r\n"));
}

TEST(MechanismStatus, NoRecordedLengthUsesTheTableLengthPlusEight) {
  std::vector<std::uint8_t> buffer(64, 0x5A);
  const std::vector<std::uint8_t> reply = {0, 0, 0, 0, 0, 1, 0, 4, 0x80, 0, 0, 0};
  std::copy(reply.begin(), reply.end(), buffer.begin());
  DecodeInput in = Input(buffer, {0xBD});
  in.received_length = 0;
  const DecodeOutput out = DecodeMechanismStatus(in);
  EXPECT_TRUE(Contains(out.text, "000000 0000h 00000000 00010004 80000000"));
  EXPECT_FALSE(Contains(out.text, "5a5a"));
}

// --- Read CD-ROM Capacity ---

TEST(Capacity, EightBytesDumpedWhenNoLengthWasRecorded) {
  std::vector<std::uint8_t> buffer(40960, 0x5A);
  const std::uint8_t reply[] = {0x00, 0x05, 0x4D, 0xFF, 0x00, 0x00, 0x08, 0x00};
  std::copy(std::begin(reply), std::end(reply), buffer.begin());
  DecodeInput in = Input(buffer, {0x25});
  in.received_length = 0;
  const DecodeOutput out = DecodeCapacity(in);
  EXPECT_EQ(TextPart(out.text, "----------------Dump---------------------\r\n"),
            "00347647(00054dffh) Logical Block Address\r\n"
            "00002048(00000800h) Block Length in Bytes\r\n\r\n"
            "----------------Dump---------------------\r\n");
  EXPECT_TRUE(Contains(out.text, "000000 0000h 00054dff 00000800"));
  EXPECT_FALSE(Contains(out.text, "5a"));
}

TEST(Capacity, AShortReplyReadsZero) {
  const std::vector<std::uint8_t> reply = {0x00, 0x00};
  EXPECT_TRUE(Contains(CapacityText(reply), "00000000(00000000h) Block Length in Bytes"));
  EXPECT_TRUE(Contains(CapacityText({}), "00000000(00000000h) Logical Block Address"));
}

// The forms place their fields as their tables say; building them sets the allocation lengths.
TEST(StatusForms, BuildingSetsTheAllocationLengths) {
  Console c;
  c.SelectRow(17);  // Mechanism Status
  EXPECT_TRUE(c.no_parameter());
  EXPECT_EQ(c.CdbLine(), "bd 00 00 00 00 00 00 00 a0 00 00 00 ");
  c.SelectRow(13);  // Read Sub-Channel
  EXPECT_EQ(c.CdbLine(), "42 00 00 00 00 00 00 a0 00 00 00 00 ");
}

}  // namespace
}  // namespace tamarack
