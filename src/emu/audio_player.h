// Audio play and scan of the virtual drive: where the pick-up is at a given time and the audio
// status that Read Sub-Channel reports. Play runs at x1 (75 blocks a second), scan at x8.
#pragma once

#include <cstdint>

#include "device/clock.h"

namespace tamarack::emu {

enum class AudioStatus : std::uint8_t {
  kPlaying = 0x11,
  kPaused = 0x12,
  kCompleted = 0x13,
  kError = 0x14,
  kNone = 0x15,
};

inline constexpr std::int32_t kScanBlocksPerSecond = 8 * 75;

// Not thread-safe; the drive serialises its use.
class AudioPlayer {
 public:
  // Plays blocks [start, end) from `now`.
  void Play(std::int32_t start, std::int32_t end, Clock::Duration now);
  // Scans from `start` towards `limit` (forward when limit > start).
  void Scan(std::int32_t start, std::int32_t limit, Clock::Duration now);
  // False when no play or scan is in progress or paused (a command sequence error).
  bool Pause(Clock::Duration now);
  bool Resume(Clock::Duration now);
  void Stop(Clock::Duration now);

  // True while playing, scanning or paused.
  bool Active(Clock::Duration now);
  bool Scanning(Clock::Duration now);
  // The block under the pick-up.
  std::int32_t Position(Clock::Duration now);
  // The status for Read Sub-Channel; "completed" and "error" are reported once.
  AudioStatus TakeStatus(Clock::Duration now);

 private:
  enum class Motion { kIdle, kPlay, kScan };
  void Advance(Clock::Duration now);

  Motion motion_ = Motion::kIdle;
  bool paused_ = false;
  AudioStatus status_ = AudioStatus::kNone;
  std::int32_t origin_ = 0;  // position at `since_`
  std::int32_t limit_ = 0;   // end of play (exclusive) or of scan
  std::int32_t position_ = 0;
  Clock::Duration since_{0};
};

}  // namespace tamarack::emu
