// The Q sub-channel of a block: its 12 bytes as they lie on the disc (control and ADR, BCD
// fields, CRC), built from the disc's layout. The CRC is util/sub_q_crc.h's.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "emu/disc.h"
#include "util/sub_q_crc.h"

namespace tamarack::emu {

using SubQ = std::array<std::uint8_t, 12>;

inline constexpr std::uint8_t kQAdrPosition = 1;
inline constexpr std::uint8_t kQAdrMcn = 2;
inline constexpr std::uint8_t kQAdrIsrc = 3;
inline constexpr std::uint8_t kQAdrMultisession = 5;
inline constexpr std::uint8_t kLeadoutTrack = 0xAA;

// Where on a disc MCN and ISRC blocks replace the current position: once in every 100 blocks
// each, at these absolute frame numbers modulo 100 (never on a track's first block or index
// 0 start, so a reader always finds the position there).
inline constexpr int kMcnSlot = 20;
inline constexpr int kIsrcSlot = 70;

// Q of block `lba`: ADR 1 (track, index, relative time counting down in pregaps, absolute
// time) in the program area, AAh in a lead-out, TOC items in the lead-in of later sessions;
// ADR 2 (MCN) and ADR 3 (ISRC) in their slots. CRC included.
SubQ BuildSubQ(const DiscLayout& layout, std::int32_t lba);

// The MCN (13 digits) and ISRC (12 characters) Q records, absolute frame `aframe`.
SubQ McnQ(std::uint8_t control, const std::string& mcn, int aframe);
SubQ IsrcQ(std::uint8_t control, const std::string& isrc, int aframe);

// Whether the P channel is set for block `lba`: in pregaps (index 0) and, at 2 Hz, in
// lead-outs.
bool PChannel(const DiscLayout& layout, std::int32_t lba);

}  // namespace tamarack::emu
