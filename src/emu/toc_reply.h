// Read TOC replies of the virtual drive, formats 0 (TOC), 1 (session information), 2 (full
// TOC with A0/A1/A2 per session and the B0/C0 points of a multisession disc), 3 (PMA), 4 (ATIP)
// and 5 (CD-TEXT).
#pragma once

#include <cstdint>
#include <vector>

#include "emu/disc.h"
#include "emu/sense_codes.h"

namespace tamarack::emu {

// The whole reply (header included) for `format` with addresses as MSF when `msf`;
// `number` is the CDB's track/session number field. On a bad field (an unknown format, a
// track or session number past the disc's, PMA or ATIP of a pressed disc) returns an empty
// reply and sets `error`.
std::vector<std::uint8_t> BuildToc(const DiscLayout& layout, int format, bool msf,
                                   std::uint8_t number, SenseCode* error);

}  // namespace tamarack::emu
