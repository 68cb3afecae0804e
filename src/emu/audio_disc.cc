// audio: a five-track audio CD with CD-TEXT, an MCN and ISRCs. Track 3 has pre-emphasis;
// tracks 1, 2 and 4 permit digital copies, 3 and 5 do not; track 4 has an index 2 point.
#include <memory>

#include "emu/audio_signal.h"
#include "emu/built_in_discs.h"
#include "emu/cd_text.h"
#include "emu/synthetic_disc.h"

namespace tamarack::emu {

std::unique_ptr<Disc> MakeAudioDisc() {
  struct Row {
    std::int32_t seconds;
    std::uint8_t control;
    const char* title;
    const char* isrc;
  };
  static constexpr Row kRows[] = {
      {95, kControlCopyPermitted, "Morning Tone", "JPTMR2400001"},
      {62, kControlCopyPermitted, "Second Harmonic", "JPTMR2400002"},
      {75, kControlPreEmphasis, "Emphasis Test", "JPTMR2400003"},
      {120, kControlCopyPermitted, "Long Tone with Index", "JPTMR2400004"},
      {48, 0x00, "Closing Tone", "JPTMR2400005"},
  };
  DiscLayout layout;
  layout.mcn = "4912345678904";
  CdTextBlock text;
  text.Of(kCdTextTitle).album = "Tamarack Test Tones";
  text.Of(kCdTextPerformer).album = "Tamarack Ensemble";
  std::int32_t cursor = 0;
  int n = 1;
  for (const Row& r : kRows) {
    TrackInfo t;
    t.number = n;
    t.mode = TrackMode::kAudio;
    t.control = r.control;
    t.pregap_start = n == 1 ? -150 : cursor;
    t.start = n == 1 ? 0 : cursor + 150;
    t.end = t.start + r.seconds * kFramesPerSecond;
    t.isrc = r.isrc;
    if (n == 4) t.indexes.push_back(IndexPoint{2, t.start + 30 * kFramesPerSecond});
    cursor = t.end;
    layout.tracks.push_back(t);
    text.Of(kCdTextTitle).tracks.emplace_back(r.title);
    ++n;
  }
  text.last_track = 5;
  text.Of(kCdTextPerformer).tracks = {"Tamarack Ensemble", "Tamarack Ensemble", "Emphasis Trio",
                                      "Tamarack Ensemble", "Coda Quartet"};
  layout.sessions.push_back(SessionInfo{1, 1, 5, cursor, 0x00});
  layout.cd_text_packs = BuildCdTextPacks(text);
  return std::make_unique<SyntheticDisc>(
      "audio", std::move(layout),
      [](const TrackInfo& t, std::int32_t lba, std::span<std::uint8_t> user) {
        FillTone(t.number, lba, user);
      });
}

}  // namespace tamarack::emu
