// Block addresses on a CD: LBA, MSF (minutes, seconds, frames) and the BCD form the disc's
// headers and Q sub-channel use.
#pragma once

#include <cstdint>

#include "emu/disc.h"

namespace tamarack::emu {

struct Msf {
  int minutes = 0;
  int seconds = 0;
  int frames = 0;
};

// MSF of the absolute time of `lba` (LBA 0 is 00:02:00). Negative results (the lead-in) wrap
// the way a disc's time does: LBA -151 is 99:59:74.
inline Msf LbaToMsf(std::int32_t lba) {
  std::int32_t a = lba + kMsfOffset;
  if (a < 0) a += 100 * 60 * kFramesPerSecond;
  return Msf{a / (60 * kFramesPerSecond), (a / kFramesPerSecond) % 60, a % kFramesPerSecond};
}

// A block count as a time (relative time in Q, lengths): 0 is 00:00:00.
inline Msf FramesToMsf(std::int32_t frames) {
  if (frames < 0) frames = 0;
  return Msf{frames / (60 * kFramesPerSecond), (frames / kFramesPerSecond) % 60,
             frames % kFramesPerSecond};
}

inline std::int32_t MsfToFrames(const Msf& m) {
  return (m.minutes * 60 + m.seconds) * kFramesPerSecond + m.frames;
}

inline std::uint8_t ToBcd(int v) {
  return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | (v % 10));
}

inline int FromBcd(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

}  // namespace tamarack::emu
