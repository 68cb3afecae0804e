// The virtual drive's side of Read CD: the sector type of a block and the block's bytes for a
// selection (the table of which bytes is device/read_cd_selection.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "device/read_cd_selection.h"
#include "emu/disc.h"

namespace tamarack::emu {

// The sector type code (1 to 5) of a block of `mode`.
std::uint8_t SectorTypeOf(TrackMode mode);

// The sector type a block of a track of `track_mode` has: the track's mode, except that the
// blocks of Mode 2 tracks are told apart by their own bytes (XA form 1, form 2 or formless),
// as raw images may mix them.
TrackMode BlockMode(TrackMode track_mode, const RawSector& sector);

// Bytes Read CD returns for one block of `mode` (the block's own sector type), or why it
// refuses: an illegal combination, or a block of another type than the one expected.
ReadCdStatus ReadCdBlockSize(const ReadCdSelection& sel, TrackMode mode, std::size_t* bytes);

// Writes the block's bytes to `out` (room for kMaxReadCdBlock) in the order sync, header,
// sub-header, user data, EDC/ECC, C2 flags (and block error byte, pad byte), sub-channel, and
// sets `*bytes`. `track_mode` is the mode of the block's track (see BlockMode).
ReadCdStatus AssembleReadCdBlock(const ReadCdSelection& sel, TrackMode track_mode,
                                 const RawSector& sector, std::span<std::uint8_t> out,
                                 std::size_t* bytes);

}  // namespace tamarack::emu
