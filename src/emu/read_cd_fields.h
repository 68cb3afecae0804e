// Which bytes of a block Read CD returns (MMC, READ CD: "Number of Bytes Returned Based on Data
// Selection Field"): the expected sector type (CDB byte 1 bits 4-2), the main-channel
// selection (byte 9: sync 80h, header codes 60h, user data 10h, EDC and ECC 08h, error field
// 06h) and the sub-channel selection (byte 10 bits 2-0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "emu/disc.h"

namespace tamarack::emu {

// Expected sector types.
inline constexpr std::uint8_t kSectorTypeAny = 0;
inline constexpr std::uint8_t kSectorTypeCdda = 1;
inline constexpr std::uint8_t kSectorTypeMode1 = 2;
inline constexpr std::uint8_t kSectorTypeMode2Formless = 3;
inline constexpr std::uint8_t kSectorTypeMode2Form1 = 4;
inline constexpr std::uint8_t kSectorTypeMode2Form2 = 5;

// The largest block Read CD returns: 2352 main bytes, C2 flags with the block error byte and
// its pad byte (296), 96 sub-channel bytes.
inline constexpr std::size_t kMaxReadCdBlock = 2352 + 296 + 96;

struct ReadCdSelection {
  std::uint8_t expected_type = kSectorTypeAny;  // 0-7
  std::uint8_t main = 0x10;                     // CDB byte 9
  std::uint8_t sub = 0;                         // CDB byte 10 bits 2-0

  // From a Read CD or Read CD MSF CDB (bytes 1, 9 and 10).
  static ReadCdSelection FromCdb(std::span<const std::uint8_t> cdb);
};

enum class ReadCdStatus {
  kOk,
  kInvalidField,         // ILLEGAL REQUEST, INVALID FIELD IN CDB (5/24/00)
  kIllegalModeForTrack,  // ILLEGAL REQUEST, ILLEGAL MODE FOR THIS TRACK (5/64/00)
};

// The sector type a block of a track of `track_mode` has: the track's mode, except that the
// blocks of Mode 2 tracks are told apart by their own bytes (XA form 1, form 2 or formless),
// as raw images may mix them.
TrackMode BlockMode(TrackMode track_mode, const RawSector& sector);

// Checks the selection alone (no block needed): reserved sector types, sub-channel selections
// and error field, and the field combinations MMC marks illegal for every sector type.
ReadCdStatus CheckReadCdSelection(const ReadCdSelection& sel);

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
