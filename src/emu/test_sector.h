// The self-describing test sector of the reference data discs: each 2048-byte block carries
// its own absolute time as the text "MMmSSsFFf" at bytes 13-21 and, at bytes 2046-2047, the
// 16-bit little-endian sum of the 1023 little-endian words before it; the other bytes are a
// deterministic pattern of the block's address.
#pragma once

#include <cstdint>
#include <span>

#include "emu/disc.h"

namespace tamarack::emu {

inline constexpr std::size_t kTestSectorSize = 2048;
inline constexpr std::size_t kTestSectorTextOffset = 13;
inline constexpr std::size_t kTestSectorChecksumOffset = 2046;

// Fills `user` (at least 2048 bytes; longer user data, as in Mode 2 form 2, get the pattern
// past 2048 too) with the test sector of block `lba`.
void FillTestSector(std::int32_t lba, std::span<std::uint8_t> user);

// The content of the built-in mixed discs: audio tracks carry their tone, data tracks the
// test sector of each block.
void FillMixedDiscContent(const TrackInfo& track, std::int32_t lba, std::span<std::uint8_t> user);

// Sum of the 1023 little-endian words at bytes 0-2045, modulo 65536.
std::uint16_t TestSectorChecksum(std::span<const std::uint8_t> sector);

// Fills `bytes` with the deterministic pattern of `seed` (an xorshift sequence).
void FillPattern(std::uint64_t seed, std::span<std::uint8_t> bytes);

}  // namespace tamarack::emu
