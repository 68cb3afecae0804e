// Read Disc Information and Read Track Information replies of the virtual drive, for the
// pressed (complete, not erasable) discs it holds.
#pragma once

#include <cstdint>
#include <vector>

#include "emu/disc.h"
#include "emu/drive_model.h"
#include "emu/sense_codes.h"

namespace tamarack::emu {

// How Read Track Information names its track (CDB byte 1, bits 1-0).
enum class TrackAddressType : std::uint8_t {
  kLba = 0,      // the track holding that block
  kTrack = 1,    // a track number
  kSession = 2,  // the first track of that session
};

// The standard disc information (data type 000b, 34 bytes, no OPC tables). The disc type is
// the A0 point's of the first session with a data track (00h when there is none).
std::vector<std::uint8_t> BuildDiscInformation(const DiscLayout& layout);

// The track information block of the track `address_type` and `value` name (a classic drive
// sends the 36 bytes of the earlier MMC versions, a current one 48). Empty with `error` set for
// a block no track holds (5/21/00) or a track or session the disc does not have or an address
// type that is reserved (5/24/00).
std::vector<std::uint8_t> BuildTrackInformation(const DiscLayout& layout, std::uint8_t address_type,
                                                std::uint32_t value, DriveModel model,
                                                SenseCode* error);

}  // namespace tamarack::emu
