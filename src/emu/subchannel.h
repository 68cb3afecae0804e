// The raw sub-channel of a block (96 bytes, one bit of each of the channels P to W per byte:
// bit 7 P, bit 6 Q, bits 5-0 R to W) and the forms Read CD returns of it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "emu/disc.h"
#include "emu/sub_q.h"

namespace tamarack::emu {

// Writes the raw P-W of block `lba`: P and Q from the layout; R-W carry no data on the
// program area of these discs (no CD+G), so they are zero.
void BuildSubchannel(const DiscLayout& layout, std::int32_t lba,
                     std::span<std::uint8_t, kSubchannelSize> sub);

// Interleaves a P flag and a Q record into raw P-W (R-W left as they are).
void PutPq(bool p, const SubQ& q, std::span<std::uint8_t, kSubchannelSize> sub);

// The Q record (12 bytes) carried by raw P-W.
SubQ QFromRaw(std::span<const std::uint8_t, kSubchannelSize> sub);

// Read CD sub-channel selection 010b: the formatted Q, 16 bytes: the 12 bytes of the Q record
// (CRC included), then four zero bytes.
std::array<std::uint8_t, 16> FormattedQ(std::span<const std::uint8_t, kSubchannelSize> sub);

// Read CD sub-channel selection 100b: the R-W channels, six bits per byte (bits 5-0), 96
// bytes. Without CD+G packs on the disc the packs need no reordering: the symbols are taken
// in order.
std::array<std::uint8_t, kSubchannelSize> DeinterleavedRw(
    std::span<const std::uint8_t, kSubchannelSize> sub);

}  // namespace tamarack::emu
