// The CD-ROM sector formats (ECMA-130 and the CD-ROM XA extension): how sync, header,
// sub-header, EDC and ECC are written around user data already in place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "emu/disc.h"
#include "util/sector_check.h"

namespace tamarack::emu {

// XA sub-header sub-mode bits.
inline constexpr std::uint8_t kSubmodeEndOfRecord = 0x01;
inline constexpr std::uint8_t kSubmodeVideo = 0x02;
inline constexpr std::uint8_t kSubmodeAudio = 0x04;
inline constexpr std::uint8_t kSubmodeData = 0x08;
inline constexpr std::uint8_t kSubmodeForm2 = 0x20;
inline constexpr std::uint8_t kSubmodeEndOfFile = 0x80;

// The XA sub-header (written twice, at offsets 16 and 20).
struct XaSubHeader {
  std::uint8_t file = 0;
  std::uint8_t channel = 0;
  std::uint8_t submode = 0;
  std::uint8_t coding = 0;
};

// Where the user data of a sector of `mode` starts and how long it is (audio: the whole 2352
// bytes; Mode 2 form 2: 2324 bytes, the EDC field after it not counted).
std::size_t UserDataOffset(TrackMode mode);
std::size_t UserDataSize(TrackMode mode);

// Writes everything but the user data of a sector at `lba`: sync, the BCD MSF header with the
// mode byte, the sub-header (XA forms; its form bit is set to match `mode`), EDC and ECC
// (Mode 2 ECC computed over a zeroed header, as the XA standard says), zero fields. The user
// data must already be at UserDataOffset(mode). Audio sectors are left as they are.
void EncodeSector(TrackMode mode, std::int32_t lba, XaSubHeader sub,
                  std::span<std::uint8_t, kRawSectorSize> sector);

}  // namespace tamarack::emu
