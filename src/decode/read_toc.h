// Read TOC (43h) on the Command tab: the parameter form and the decoder of formats 0 to 5
// (TOC, session information, full TOC, PMA, ATIP, CD-TEXT) into the TOC list and the TOC
// text box.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "form/command_behaviour.h"
#include "form/decoder.h"
#include "form/form_layout.h"

namespace tamarack {

// The TOC list's columns for a format (0 to 5); none for other formats.
std::vector<ListColumn> ReadTocColumns(int format);

// The TOC text box (header line, Dump banner, dump) and the TOC list (columns and rows) of a
// Read TOC reply. Pure. `reply` holds the bytes the drive returned; the dump covers the data
// length plus 2, cut to `recorded_length` when execution recorded one (0: none). Descriptors are
// read only where they lie wholly within both the data length and the bytes returned. `format` is
// CDB byte 2 bits 3-0, `msf` CDB byte 1 bit 1.
DecodeOutput DecodeReadToc(std::span<const std::uint8_t> reply, std::uint32_t recorded_length,
                           int format, bool msf, int group_size = 4);

// The command's decoder: DecodeReadToc over the buffer up to the allocation length and the
// received length, with the format and TIME bit of the CDB as executed.
DecodeOutput DecodeReadTocReply(const DecodeInput& input);

// "%d Trcak" for tracks 1 to 99, "Lead Out" for AAh, else empty.
std::string TrackComment(int track);

// The form: "TIME(On:MSF,Off:Logical Block Addresses)" (byte 1 bit 1), "Format" (byte 2 bits
// 3-0), "Track/Session Number" (byte 6); building it sets the allocation length (bytes 7-8)
// to 40960.
extern const FormLayout kReadTocForm;
extern const CommandBehaviour kReadTocBehaviour;

}  // namespace tamarack
