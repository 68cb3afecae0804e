// type30: the 23-track mixed test disc. Track classes by number: Mode 1 (1, 3, 13, 16, 20,
// 23), XA form 1 (2), XA form 2 (12, 17, 22), audio (the rest). Data tracks one minute, audio
// tracks 30 seconds. Tracks follow each other without gaps, except that an audio track after
// an audio track has a two-second pregap: so the block before every track's start belongs to
// a track of the class its neighbour expects only where the modes agree.
#include <memory>

#include "emu/built_in_discs.h"
#include "emu/synthetic_disc.h"
#include "emu/test_sector.h"

namespace tamarack::emu {
namespace {

TrackMode Type30Mode(int track) {
  switch (track) {
    case 1:
    case 3:
    case 13:
    case 16:
    case 20:
    case 23:
      return TrackMode::kMode1;
    case 2:
      return TrackMode::kMode2Form1;
    case 12:
    case 17:
    case 22:
      return TrackMode::kMode2Form2;
    default:
      return TrackMode::kAudio;
  }
}

}  // namespace

std::unique_ptr<Disc> MakeType30Disc() {
  DiscLayout layout;
  std::int32_t cursor = 0;
  for (int n = 1; n <= 23; ++n) {
    TrackInfo t;
    t.number = n;
    t.mode = Type30Mode(n);
    const bool audio = t.mode == TrackMode::kAudio;
    t.control = audio ? 0x00 : kControlData;
    const bool audio_after_audio = n > 1 && audio && Type30Mode(n - 1) == TrackMode::kAudio;
    t.pregap_start = n == 1 ? -150 : cursor;
    t.start = audio_after_audio ? cursor + 150 : cursor;
    t.end = t.start + (audio ? 2250 : 4500);
    cursor = t.end;
    layout.tracks.push_back(t);
  }
  layout.sessions.push_back(SessionInfo{1, 1, 23, cursor, 0x20});
  return std::make_unique<SyntheticDisc>("type30", std::move(layout), FillMixedDiscContent);
}

}  // namespace tamarack::emu
