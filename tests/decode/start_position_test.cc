#include "views/start_position.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
// disc's end, and without the end at the next track the range length is kept. Steps: "select
// ROW", "hex on" or "hex off", "end M:S:F" (the Ending MSF: 00:04:00 from 00:00:00 makes the
// range four seconds), "forward", "back", "first", "last" (and the last LBA), "track N" (and
// "to the next").
TEST(StartPosition, QuickSetsAndTracks) {
  const std::vector<TrackBoxEntry> tracks = {{1, 0}, {2, 1000}, {3, 2500}, {4, 4000}, {5, 6000}};
  const std::pair<const char*, QuickSet> buttons[] = {{"forward", QuickSet::kForward},
                                                      {"back", QuickSet::kBack},
                                                      {"first", QuickSet::kFirst},
                                                      {"last", QuickSet::kLast}};
  std::string t;
  Console c;
  for (const std::string_view step : testing::StepsOf("quick_sets")) {
    t += "> " + std::string(step) + "\n";
    const std::string verb(step.substr(0, step.find(' ')));
    const std::string what(step.substr(std::min(step.size(), verb.size() + 1)));
    std::vector<FieldUpdate> updates;
    if (verb == "select") c.SelectRow(RowNamed(what));
    if (verb == "hex") c.SetHexInput(what == "on");
    if (verb == "end")
      testing::SetMsf(c, "Ending MSF", {what.substr(0, 2), what.substr(3, 2), what.substr(6)});
    if (verb == "select" || verb == "hex" || verb == "end") continue;
    if (verb == "track") {
      updates = TrackUpdates(c.fields(), c.field_states(), false, tracks, std::stoul(what) - 1,
                             9000, what.ends_with(" to the next"));
    } else {
      const auto* b = std::ranges::find(buttons, verb, &std::pair<const char*, QuickSet>::first);
      ASSERT_NE(b, std::end(buttons)) << step;
      std::optional<std::uint32_t> last;
      if (!what.empty()) last = static_cast<std::uint32_t>(std::stoul(what));
      updates = QuickSetUpdates(c.fields(), c.field_states(), b->second, c.hex_input(), last);
    }
    for (const FieldUpdate& u : updates) c.UpdateField(u.index, u.state);
    const FieldState& start = c.field_states()[FindStartPosition(c.fields()).field];
    t += c.CdbLine() + "| " + start.text + start.msf[0] + start.msf[1] + start.msf[2] +
         (updates.empty() ? " (nothing)\n" : "\n");
  }
  testing::ExpectGoldenFile("quick_sets.txt", t, "decode");
}

}  // namespace
}  // namespace tamarack
