// multisession: session 1 holds three audio tracks, session 2 one XA form 1 data track (an
// enhanced CD). Between them lie session 1's lead-out (6750 blocks), session 2's lead-in
// (4500 blocks) and the data track's two-second pregap.
#include <memory>

#include "emu/built_in_discs.h"
#include "emu/disc_region.h"
#include "emu/synthetic_disc.h"
#include "emu/test_sector.h"

namespace tamarack::emu {

std::unique_ptr<Disc> MakeMultisessionDisc() {
  DiscLayout layout;
  std::int32_t cursor = 0;
  for (int n = 1; n <= 3; ++n) {
    TrackInfo t;
    t.number = n;
    t.session = 1;
    t.mode = TrackMode::kAudio;
    t.control = kControlCopyPermitted;
    t.pregap_start = n == 1 ? -150 : cursor;
    t.start = n == 1 ? 0 : cursor + 150;
    t.end = t.start + 45 * kFramesPerSecond;
    cursor = t.end;
    layout.tracks.push_back(t);
  }
  layout.sessions.push_back(SessionInfo{1, 1, 3, cursor, 0x00});
  TrackInfo data;
  data.number = 4;
  data.session = 2;
  data.mode = TrackMode::kMode2Form1;
  data.control = kControlData;
  data.pregap_start = cursor + kFirstLeadoutBlocks + kLeadinBlocks;
  data.start = data.pregap_start + kPregapBlocks;
  data.end = data.start + 6000;
  layout.tracks.push_back(data);
  layout.sessions.push_back(SessionInfo{2, 4, 4, data.end, 0x20});
  return std::make_unique<SyntheticDisc>("multisession", std::move(layout), FillMixedDiscContent);
}

}  // namespace tamarack::emu
