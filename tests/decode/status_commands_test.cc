#include "decode/status_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "console/console.h"
#include "console/form_driver.h"
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
                      GoldenCase{"capacity", &DecodeCapacity, {0x25}}),
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

TEST(EventStatus, ShortEventDataSaysNoEventAndValuesOutsideTheListsAddNothing) {
  const std::vector<std::uint8_t> no_event = {0, 2, 0x84, 0x54};
  EXPECT_EQ(EventStatusText(no_event),
            "----------------Header----------------\r\nData Length 2(0002h) \r\n"
            "NEA On\r\n"
            "Notification Class Request field: Media\r\n"
            "Supported Event Classes: 54h\r\n"
            "\r\n----------------Event Data----------------\r\n"
            "\r\nNo Event\r\n"
            "\r\n----------------Data---------------------\r\n");
  // Power class with a status outside its list, device busy with a time.
  const std::vector<std::uint8_t> power = {0, 6, 2, 0x54, 0x0F, 9, 0, 0};
  const std::string p = EventStatusText(power);
  EXPECT_TRUE(Contains(p, "Power Event: \r\nPower Status: \r\n"));
  const std::vector<std::uint8_t> busy = {0, 6, 6, 0x54, 1, 2, 0x01, 0x2C};
  const std::string b = EventStatusText(busy);
  EXPECT_TRUE(Contains(b, "Device Busy Event: Busy Event\r\n"));
  EXPECT_TRUE(Contains(b, "Device Busy Status: Immediate\r\n"));
  EXPECT_TRUE(Contains(b, "Time(100ms): 300(12ch)\r\n"));
  // Multi-initiator: the priority line has no label.
  const std::vector<std::uint8_t> multi = {0, 6, 5, 0x54, 2, 0x81, 0, 3};
  EXPECT_TRUE(Contains(EventStatusText(multi),
                       "Multiple Initiator Event: Control Grant\r\n"
                       "Persistent Prevented: On\r\n"
                       "Multiple Initiator Status: Other Prevent\r\n"
                       "High\r\n"));
  // Operational change.
  const std::vector<std::uint8_t> op = {0, 6, 1, 0x54, 2, 0x01, 0, 4};
  EXPECT_TRUE(Contains(EventStatusText(op),
                       "Operational Event: Logical Unit has changed Operational state\r\n"
                       "Persistent Prevented: Off\r\n"
                       "Operational Status: Temporarily busy\r\n"
                       "Operational Request/Report: Firmware Changed\r\n"));
}

TEST(EventStatus, ExternalRequestRanges) {
  auto text = [](std::uint16_t request) {
    const std::vector<std::uint8_t> r = {0,
                                         6,
                                         3,
                                         0x54,
                                         1,
                                         0,
                                         static_cast<std::uint8_t>(request >> 8),
                                         static_cast<std::uint8_t>(request)};
    return EventStatusText(r);
  };
  EXPECT_TRUE(Contains(text(0x0241), "External Request Status: Ready\r\nASCII Button\r\n"));
  EXPECT_TRUE(Contains(text(0xF123), "\r\nVendor Unique\r\n"));
  EXPECT_TRUE(Contains(text(0x0105), "\r\nReserved\r\n"));
  EXPECT_TRUE(Contains(text(0x0300), "External Request Status: Ready\r\n\r\n"));
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
  // Without a slot table there is no slot banner; states outside the list show nothing.
  const std::vector<std::uint8_t> plain = {0xE0, 0x80, 0, 0, 0, 0, 0, 0};
  const std::string t = MechanismStatusText(plain);
  EXPECT_FALSE(Contains(t, "Slot Table Response"));
  EXPECT_TRUE(Contains(t, "Fault: On\r\nChanger State: Initializing\r\n"));
  EXPECT_TRUE(Contains(t, "Mechanism State: \r\n"));
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

// --- Read Sub-Channel ---

TEST(SubChannel, DataLengthZeroGoesStraightToTheDump) {
  const std::vector<std::uint8_t> reply = {0, 0x15, 0, 0};
  const std::string t = SubChannelText(reply);
  EXPECT_EQ(t,
            "----------------Header---------------------\r\n"
            "21(15h) Audio Status (No current audio status to return)\r\n"
            "0(0000h) Sub-channel Data Length\r\n"
            "----------------Dump---------------------\r\n");
}

TEST(SubChannel, ControlTextsAndUnknownFormats) {
  std::vector<std::uint8_t> reply(16, 0);
  reply[3] = 12;
  reply[4] = 1;
  reply[5] = 0x16;  // ADR 1, control 0110b: data uninterrupted, copy permitted
  EXPECT_TRUE(Contains(SubChannelText(reply),
                       "CONTROL: Data track, recorded uninterrupted  digital copy permitted\r\n"));
  reply[5] = 0x19;  // four channels with pre-emphasis, copy prohibited
  EXPECT_TRUE(Contains(SubChannelText(reply),
                       "CONTROL: audio channels with pre-emphasis of 50/15 μs (reserved in "
                       "CD-R/RW)  digital copy prohibited\r\n"));
  reply[5] = 0x5C;  // ADR 5 and control 1100b are outside the lists
  EXPECT_TRUE(Contains(SubChannelText(reply), "ADR    : \r\nCONTROL:   digital copy prohibited"));
  reply[4] = 7;
  EXPECT_TRUE(Contains(SubChannelText(reply),
                       "----------------Data---------------------\r\n\r\n"
                       "----------------Dump---------------------\r\n"));
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

// --- the forms ---

TEST(StatusForms, EventMechanismAndSubChannel) {
  Console c;
  c.SelectRow(6);  // Get Event/Status Notification
  testing::SetText(c, "Allocation Length", "8");
  testing::SetChecked(c, "10h:Media", true);
  EXPECT_EQ(c.CdbLine(), "4a 00 00 00 10 00 00 00 08 00 00 00 ");

  c.SelectRow(17);  // Mechanism Status
  EXPECT_TRUE(c.no_parameter());
  EXPECT_EQ(c.CdbLine(), "bd 00 00 00 00 00 00 00 a0 00 00 00 ");

  c.SelectRow(13);  // Read Sub-Channel
  EXPECT_EQ(c.CdbLine(), "42 00 00 00 00 00 00 a0 00 00 00 00 ");
  testing::SetChoice(c, "Sub-channel parameter list codes", 2);
  testing::SetChecked(c, "SUBQ", true);
  testing::SetText(c, "Track Number (Hex)", "5");
  EXPECT_EQ(c.CdbLine(), "42 00 40 03 00 00 05 a0 00 00 00 00 ");
}

}  // namespace
}  // namespace tamarack
