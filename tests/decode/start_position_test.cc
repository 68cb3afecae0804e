#include "views/start_position.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "console/form_driver.h"
#include "decode/control_commands.h"
#include "golden.h"

namespace tamarack {
namespace {

using testing::RowNamed;

// A command without an address has no start position row and nothing to set.
TEST(StartPosition, NoneInSetCdSpeed) {
  Console c;
  c.SelectRow(RowNamed("Set CD Speed"));
  EXPECT_EQ(FindStartPosition(c.fields()).variant, StartPositionRow::Variant::kNone);
  EXPECT_TRUE(QuickSetUpdates(c.fields(), c.field_states(), QuickSet::kFirst, false, 0).empty());
}

// The quick-set buttons pressed in turn (with the capacity's last LBA where one is known) and
// the tracks of a five-track disc (starts 0, 1000, 2500, 4000, 6000; end 9000) picked, as the
// CDB line and the start field after each, in tests/data/decode/quick_sets.txt: Read(10)
// steps forward and back, not below 0, to the last LBA only when it is known, in hex entry
// too; Play Audio MSF keeps its four-second range, at LBA 0 "back" keeps the start at
// 00:02:00. A track picked writes its start at once (Read(12); no sixth track); Play Audio
// MSF's third track ends one frame before the fourth (00:35:25 to 00:55:24), its last at the
// disc's end, and without the end at the next track the range length is kept.
TEST(StartPosition, QuickSetsAndTracks) {
  const std::vector<TrackBoxEntry> tracks = {{1, 0}, {2, 1000}, {3, 2500}, {4, 4000}, {5, 6000}};
  std::string t;
  Console c;
  const auto show = [&](const std::string& what, const std::vector<FieldUpdate>& updates) {
    for (const FieldUpdate& u : updates) c.UpdateField(u.index, u.state);
    const FieldState& start = c.field_states()[FindStartPosition(c.fields()).field];
    t += what + ": " + c.CdbLine() + "| " + start.text + start.msf[0] + start.msf[1] +
         start.msf[2] + (updates.empty() ? " (nothing)\n" : "\n");
  };
  const auto press = [&](const char* name, QuickSet b, std::optional<std::uint32_t> last = {}) {
    show(name, QuickSetUpdates(c.fields(), c.field_states(), b, c.hex_input(), last));
  };
  const auto pick = [&](std::size_t track, bool end_at_next) {
    show("track " + std::to_string(track + 1) + (end_at_next ? " to the next" : ""),
         TrackUpdates(c.fields(), c.field_states(), false, tracks, track, 9000, end_at_next));
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
  pick(2, true);
  pick(4, true);
  pick(0, false);
  c.SelectRow(RowNamed("Read(12)"));
  pick(2, false);
  pick(5, false);
  testing::ExpectGoldenFile("quick_sets.txt", t, "decode");
}

}  // namespace
}  // namespace tamarack
