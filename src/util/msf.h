// Addresses on a CD's time line: minutes, seconds and frames (75 frames a second), and the
// logical block address, which starts two seconds in. Every MSF <-> LBA conversion of the
// program goes through here.
#pragma once

#include <cstdint>

namespace tamarack {

inline constexpr std::int32_t kFramesPerSecond = 75;
inline constexpr std::int32_t kFramesPerMinute = 60 * kFramesPerSecond;
// LBA 0 lies at 00:02:00.
inline constexpr std::int32_t kMsfOffset = 2 * kFramesPerSecond;

// Wide enough for whatever a number box or a CDB byte holds.
struct Msf {
  std::int64_t minutes = 0;
  std::int64_t seconds = 0;
  std::int64_t frames = 0;
  bool operator==(const Msf&) const = default;
};

// Frames counted from 00:00:00: (M x 60 + S) x 75 + F.
constexpr std::int64_t FramesOfMsf(const Msf& t) {
  return (t.minutes * 60 + t.seconds) * kFramesPerSecond + t.frames;
}

// M = n / 4500, S = (n - M x 4500) / 75, F the rest; a negative count gives negative parts.
constexpr Msf MsfOfFrames(std::int64_t frames) {
  Msf t;
  t.minutes = frames / kFramesPerMinute;
  t.seconds = (frames - t.minutes * kFramesPerMinute) / kFramesPerSecond;
  t.frames = frames - (t.minutes * 60 + t.seconds) * kFramesPerSecond;
  return t;
}

// The time of a block address: x = LBA + 150 frames, then as MsfOfFrames.
constexpr Msf MsfOfLba(std::int64_t lba) { return MsfOfFrames(lba + kMsfOffset); }

// The block address of a time: (M x 60 + S) x 75 + F - 150.
constexpr std::int64_t LbaOfMsf(const Msf& t) { return FramesOfMsf(t) - kMsfOffset; }

// Frames from `start` to `end`; negative when the end lies before the start.
constexpr std::int64_t MsfRangeLength(const Msf& start, const Msf& end) {
  return FramesOfMsf(end) - FramesOfMsf(start);
}

}  // namespace tamarack
