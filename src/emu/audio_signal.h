// The deterministic signal of the built-in audio tracks: 16-bit little-endian stereo at
// 44.1 kHz, a tone of 441 Hz times the track number (a whole number of cycles every 100
// samples), sine on the left channel and cosine on the right, at about -12 dBFS.
#pragma once

#include <cstdint>
#include <span>

namespace tamarack::emu {

void FillTone(int track_number, std::int32_t lba, std::span<std::uint8_t> samples);

}  // namespace tamarack::emu
