// Block addresses on a CD: LBA, MSF (minutes, seconds, frames) and the BCD form the disc's
// headers and Q sub-channel use.
#pragma once

#include <cstdint>

#include "emu/disc.h"
#include "util/msf.h"

namespace tamarack::emu {

// The time the disc shows at `lba` (LBA 0 is 00:02:00). The lead-in wraps the way a disc's
// time does: LBA -151 is 99:59:74.
inline Msf LbaToMsf(std::int32_t lba) {
  std::int32_t a = lba + kMsfOffset;
  if (a < 0) a += 100 * kFramesPerMinute;
  return MsfOfFrames(a);
}

// A block count as a time (relative time in Q, lengths): 0 is 00:00:00, never negative.
inline Msf FramesToMsf(std::int32_t frames) { return MsfOfFrames(frames < 0 ? 0 : frames); }

// Frames from 00:00:00 of a time whose parts are CDB or header bytes (so it fits 32 bits).
inline std::int32_t MsfToFrames(const Msf& m) { return static_cast<std::int32_t>(FramesOfMsf(m)); }

inline std::uint8_t ToBcd(std::int64_t v) {
  return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | (v % 10));
}

inline int FromBcd(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

}  // namespace tamarack::emu
