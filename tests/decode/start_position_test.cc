#include "views/start_position.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "console/form_driver.h"
#include "decode/control_commands.h"
#include "device/scripted_transport.h"
#include "device/sense_table.h"
#include "golden.h"
#include "util/bytes.h"

namespace tamarack {
namespace {

using testing::RowNamed;

void Apply(Console& c, const std::vector<FieldUpdate>& updates) {
  for (const FieldUpdate& u : updates) c.UpdateField(u.index, u.state);
}

// A disc of five tracks: starts 0, 1000, 2500, 4000, 6000; lead-out 9000.
const std::vector<TrackBoxEntry> kFiveTracks = {{1, 0}, {2, 1000}, {3, 2500}, {4, 4000}, {5, 6000}};
constexpr std::uint32_t kDiscEnd = 9000;

TEST(Msf, ConversionsAndRangeLength) {
  EXPECT_EQ(MsfOfLba(0), (Msf{0, 2, 0}));
  EXPECT_EQ(MsfOfLba(-150), (Msf{0, 0, 0}));
  EXPECT_EQ(MsfOfLba(4350), (Msf{1, 0, 0}));
  EXPECT_EQ(MsfOfLba(333000 - 150), (Msf{74, 0, 0}));
  EXPECT_EQ(LbaOfMsf({0, 2, 0}), 0);
  EXPECT_EQ(LbaOfMsf({1, 2, 3}), 4503);
  EXPECT_EQ(MsfRangeLength({0, 2, 0}, {0, 3, 0}), 75);
  EXPECT_EQ(MsfRangeLength({1, 59, 74}, {2, 0, 0}), 1);
  EXPECT_EQ(MsfRangeLength({0, 3, 0}, {0, 2, 0}), -75);
}

TEST(StartPosition, FoundInTheReadAndPlayForms) {
  Console c;
  c.SelectRow(RowNamed("Read(10)"));
  EXPECT_EQ(FindStartPosition(c.fields()).variant, StartPositionRow::Variant::kLba);
  EXPECT_EQ(FindStartPosition(c.fields()).field, 3u);
  c.SelectRow(RowNamed("Play Audio MSF"));
  EXPECT_EQ(FindStartPosition(c.fields()).variant, StartPositionRow::Variant::kMsf);
  EXPECT_EQ(FindStartPosition(c.fields()).field, 0u);
  c.SelectRow(RowNamed("Set CD Speed"));
  EXPECT_EQ(FindStartPosition(c.fields()).variant, StartPositionRow::Variant::kNone);
  EXPECT_TRUE(QuickSetUpdates(c.fields(), c.field_states(), QuickSet::kFirst, false, 0).empty());
}

// The quick-set buttons pressed in turn (with the capacity's last LBA where one is known), as
// the CDB line and the start field after each, in tests/data/decode/quick_sets.txt: Read(10)
// steps forward and back, not below 0, to the last LBA only when it is known, in hex entry
// too; Play Audio MSF keeps its four-second range, at LBA 0 "back" keeps the start at
// 00:02:00.
TEST(StartPosition, QuickSets) {
  std::string t;
  Console c;
  const auto press = [&](const char* name, QuickSet b, std::optional<std::uint32_t> last = {}) {
    Apply(c, QuickSetUpdates(c.fields(), c.field_states(), b, c.hex_input(), last));
    const FieldState& start = c.field_states()[FindStartPosition(c.fields()).field];
    t += std::string(name) + ": " + c.CdbLine() + "| " + start.text + start.msf[0] + start.msf[1] +
         start.msf[2] + "\n";
  };
  c.SelectRow(RowNamed("Read(10)"));
  press("forward", QuickSet::kForward);
  press("forward", QuickSet::kForward);
  press("back", QuickSet::kBack);
  press("first", QuickSet::kFirst);
  press("back", QuickSet::kBack);
  press("last 347647", QuickSet::kLast, 347647u);
  press("last", QuickSet::kLast);
  c.SetHexInput(true);
  press("forward in hex", QuickSet::kForward);
  c.SetHexInput(false);
  c.SelectRow(RowNamed("Play Audio MSF"));
  FieldState end = c.field_states()[1];
  end.msf = {"00", "04", "00"};  // start 00:00:00, so the range is 4 seconds
  c.UpdateField(1, end);
  press("first", QuickSet::kFirst);
  press("back", QuickSet::kBack);
  press("forward", QuickSet::kForward);
  press("back", QuickSet::kBack);
  press("last 4350", QuickSet::kLast, 4350);
  testing::ExpectGoldenFile("quick_sets.txt", t, "decode");
}

TEST(StartPosition, TrackBoxWritesTheTrackStartAtOnce) {
  Console c;
  c.SelectRow(RowNamed("Read(12)"));
  Apply(c, TrackUpdates(c.fields(), c.field_states(), false, kFiveTracks, 2, kDiscEnd, false));
  EXPECT_EQ(ReadBe32(c.current_cdb(), 2), 2500u);
  EXPECT_TRUE(
      TrackUpdates(c.fields(), c.field_states(), false, kFiveTracks, 5, kDiscEnd, false).empty());
}

TEST(StartPosition, MsfThirdTrackOfFiveEndsOneFrameBeforeTheFourth) {
  Console c;
  c.SelectRow(RowNamed("Play Audio MSF"));
  Apply(c, TrackUpdates(c.fields(), c.field_states(), false, kFiveTracks, 2, kDiscEnd, true));
  // 2500 + 150 = 2650 frames = 00:35:25; 3999 + 150 = 4149 = 00:55:24.
  EXPECT_EQ(c.CdbLine(), "47 00 00 00 23 19 00 37 18 00 00 00 ");
  // After the last track the end is the disc's end.
  Apply(c, TrackUpdates(c.fields(), c.field_states(), false, kFiveTracks, 4, kDiscEnd, true));
  EXPECT_EQ(LbaOfMsf({c.current_cdb()[6], c.current_cdb()[7], c.current_cdb()[8]}), 9000);
  // Commands other than Play Audio MSF keep the range length.
  Apply(c, TrackUpdates(c.fields(), c.field_states(), false, kFiveTracks, 0, kDiscEnd, false));
  EXPECT_EQ(LbaOfMsf({c.current_cdb()[3], c.current_cdb()[4], c.current_cdb()[5]}), 0);
  EXPECT_EQ(LbaOfMsf({c.current_cdb()[6], c.current_cdb()[7], c.current_cdb()[8]}), 3000);
}

TEST(StartPosition, LastLbaComesFromReadCapacity) {
  testing::ScriptedSession d(
      {testing::Good({0x00, 0x05, 0x4D, 0xFF, 0, 0, 8, 0}), testing::CheckCondition(2, 0x3A, 0)});
  EXPECT_EQ(ReadLastLba(d.session), std::optional<std::uint32_t>(347647u));
  ASSERT_EQ(d.sent.size(), 1u);
  EXPECT_EQ(d.sent[0].cdb, MakeCdb({0x25}));
  EXPECT_EQ(ReadLastLba(d.session), std::nullopt);
}

}  // namespace
}  // namespace tamarack
