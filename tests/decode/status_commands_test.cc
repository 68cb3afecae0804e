#include "decode/status_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "console/console.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::ReadGoldenHex;

DecodeInput Input(const std::vector<std::uint8_t>& reply, Cdb cdb = {}) {
  DecodeInput in;
  in.data = reply;
  in.received_length = static_cast<std::uint32_t>(reply.size());
  in.transferred = in.received_length;
  in.cdb = cdb;
  in.direction = DataDirection::kIn;
  return in;
}

const Cdb kEventCdb = {0x4A, 0x01, 0, 0, 0x10, 0, 0, 0x00, 0x08};

// Each reply of tests/data/decode/NAME.hex decoded as the whole text with its dump, against
// NAME.txt beside it: short event data, and values outside the lists that add nothing.
TEST(StatusDecoders, TheTextBesideEachReply) {
  const struct {
    Decoder decoder;
    Cdb cdb;
    std::vector<const char*> names;
  } groups[] = {{&DecodeEventStatus,
                 kEventCdb,
                 {"event_media", "event_external_request", "event_no_event", "event_power_unknown",
                  "event_device_busy", "event_multi_initiator", "event_operational"}},
                {&DecodeMechanismStatus, {0xBD}, {"mechanism_two_slots", "mechanism_initializing"}},
                {&DecodeCapacity, {0x25}, {"capacity"}},
                {&DecodeSubChannel,
                 {0x42},
                 {"subchannel_position", "subchannel_mcn", "subchannel_isrc", "subchannel_no_data",
                  "subchannel_data_track", "subchannel_four_channels", "subchannel_outside_lists",
                  "subchannel_unknown_format"}}};
  for (const auto& g : groups) {
    for (const char* name : g.names) {
      const auto reply = ReadGoldenHex(std::string(name) + ".hex");
      ASSERT_FALSE(reply.empty()) << name;
      const DecodeOutput out = g.decoder(Input(reply, g.cdb));
      EXPECT_TRUE(out.text_has_dump) << name;
      testing::ExpectGoldenText(name, out.text);
    }
  }
}

// Replies at the edges, each in a buffer of 5Ah bytes and with the length execution recorded
// (0: none), as the whole decoded text, in tests/data/decode/status_edges.txt: an allocation
// length of 0 shows no data; a data length beyond the buffer is cut to it; the slot walk
// stops at the bytes returned; without a recorded length the table length plus eight, or the
// capacity's eight bytes, are dumped; a short capacity reads zero; the external request
// status ranges.
TEST(StatusDecoders, RepliesAtTheEdges) {
  std::string t;
  const auto add = [&t](const char* what, Decoder decoder, std::vector<std::uint8_t> reply, Cdb cdb,
                        std::size_t buffer, std::uint32_t recorded = 0) {
    reply.resize(buffer, 0x5A);
    DecodeInput in = Input(reply, cdb);
    in.received_length = recorded;
    const DecodeOutput out = decoder(in);
    t += std::string("== ") + what + (out.text_has_dump ? ", with its dump" : "") + "\r\n" +
         out.text + "\r\n";
  };
  Cdb no_allocation = kEventCdb;
  no_allocation[8] = 0;
  add("event, allocation length 0", &DecodeEventStatus, {0, 6, 4, 0x54, 2, 2, 0, 0}, no_allocation,
      8, 8);
  add("event, data length 65535 in 8 bytes", &DecodeEventStatus, {0xFF, 0xFF, 4, 0x54, 2, 2, 0, 0},
      kEventCdb, 8);
  add("mechanism, 64 slots claimed, one and a half there", &DecodeMechanismStatus,
      {0, 0, 0, 0, 0, 64, 0x01, 0x00, 0x80, 0, 0, 0, 0x80, 0}, {0xBD}, 14);
  add("mechanism, one slot in a larger buffer", &DecodeMechanismStatus,
      {0, 0, 0, 0, 0, 1, 0, 4, 0x80, 0, 0, 0}, {0xBD}, 64);
  add("capacity in a larger buffer", &DecodeCapacity,
      {0x00, 0x05, 0x4D, 0xFF, 0x00, 0x00, 0x08, 0x00}, {0x25}, 40960);
  t += "== capacity of 2 bytes\r\n" + CapacityText(std::vector<std::uint8_t>{0, 0}) +
       "\r\n== capacity of nothing\r\n" + CapacityText({}) + "\r\n";
  for (const auto& [high, low] :
       {std::pair{0x02, 0x41}, {0xF1, 0x23}, {0x01, 0x05}, {0x03, 0x00}}) {
    t += StrFormat("== external request %02x %02x\r\n", high, low) +
         EventStatusText(std::vector<std::uint8_t>{
             0, 6, 3, 0x54, 1, 0, static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(low)});
  }
  testing::ExpectGoldenText("status_edges", t);
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
