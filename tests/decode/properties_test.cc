// The Properties tab's three requests and their lists, against scripted replies.
#include "views/properties.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "decode/replies.h"
#include "device/scripted_transport.h"
#include "device/sense_table.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::Refused;

// Mode Sense(10) of page 2Ah (as `page_code`) after `descriptor`.
std::vector<std::uint8_t> ModeSense2A(std::uint8_t page_code,
                                      const std::vector<std::uint8_t>& descriptor = {}) {
  std::vector<std::uint8_t> page = testing::mode::Page(page_code, 28);
  page[2] = 0x1B;  // DVD-R, DVD-ROM, CD-RW and CD-R read; DVD-RAM and Method 2 off
  page[4] = 0x71;  // Mode 2 form 2 and form 1, audio play; BUF off
  page[6] = 0x29;  // loading mechanism 1, eject, lock
  return testing::mode::Reply({page}, 0, descriptor);
}

std::vector<std::uint8_t> Inquiry36() {
  const std::uint8_t header[] = {5, 0x80, 0, 2, 31, 0, 0, 0};
  std::vector<std::uint8_t> r(36, ' ');
  std::copy(std::begin(header), std::end(header), r.begin());
  return r;
}

// Each fill of the tab against scripted replies, in properties_fills.txt: the three requests
// (with their buffers, zero-filled: what the drive did not send reads as zero) and the three
// lists, the saved identity and the command data; a failed section says Not Supported and the
// others are filled; a reply of another page leaves the capability list alone; a saveable page
// 2Ah after a block descriptor is recognised, unless the descriptor length reaches past the
// reply; a page cut short reads its missing bits as absent. Without a drive nothing is sent.
TEST(ReadDriveProperties, EachFill) {
  // A current drive: an 8-byte block descriptor first, then page 2Ah with its PS bit.
  const std::vector<std::uint8_t> described = ModeSense2A(0xAA, {0x01, 0x0A, 0, 0, 0, 0, 0x08, 0});
  std::vector<std::uint8_t> past = described;
  past[6] = 0x01;
  const struct {
    const char* what;
    std::vector<testing::ScriptedReply> replies;
  } fills[] = {
      {"three sections",
       {Good(Inquiry36()), Good({0, 0, 0, 8, 0, 0, 0, 8}), Good(ModeSense2A(0x2A))}},
      {"every request failing",
       {CheckCondition(5, 0x20, 0), Refused(TransportStatus::kTransportError, "lost"),
        CheckCondition(5, 0x24, 0)}},
      {"another page", {Good(Inquiry36()), Good({0, 0, 0, 4}), Good(ModeSense2A(0x0E))}},
      {"after a block descriptor", {Good(Inquiry36()), Good({0, 0, 0, 4}), Good(described)}},
      {"a block descriptor past the reply", {Good(Inquiry36()), Good({0, 0, 0, 4}), Good(past)}},
      {"page 2Ah cut after 4 bytes",
       {Good(Inquiry36()), Good({0, 0, 0, 4}), Good({0, 10, 0, 0, 0, 0, 0, 0, 0x2A, 4, 0x3F, 0})}}};
  std::string t;
  for (const auto& fill : fills) {
    testing::ScriptedSession d(fill.replies);
    const PropertiesResult r = ReadDriveProperties(d.session);
    t += std::string("== ") + fill.what + (r.opened ? "\r\n" : ", not opened\r\n");
    for (const ScsiRequest& s : d.sent) {
      t += "sent " + HexBytes(s.cdb) + StrFormat("(buffer %zu)\r\n", s.buffer.size());
    }
    const char* status[] = {"no device", "refused", "check condition", "good"};
    t += StrFormat("mode sense %s, asc %02x, identity ",
                   status[static_cast<int>(r.mode_sense.outcome.status)],
                   r.mode_sense.outcome.sense.asc) +
         (r.identity ? "\"" + r.identity->ModelName() + "\"" : "none") +
         StrFormat(", command data %zu bytes\r\n", r.inquiry_data.size()) + "-- inquiry\r\n" +
         testing::RowsText(r.inquiry_rows) + "-- features\r\n" + testing::RowsText(r.feature_rows) +
         "-- capabilities\r\n" +
         (r.capability_rows ? testing::RowsText(*r.capability_rows) : "left alone\r\n");
  }
  testing::ExpectGoldenText("properties_fills", t);
  DeviceSession session(nullptr, BuiltInSenseTable());
  const PropertiesResult r = ReadDriveProperties(session);
  EXPECT_FALSE(r.opened);
  EXPECT_TRUE(r.inquiry_rows.empty());
  EXPECT_FALSE(r.capability_rows.has_value());
}

}  // namespace
}  // namespace tamarack
