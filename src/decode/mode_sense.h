// Mode Sense(10) (5Ah): the form's CDB fields, the medium type texts, the decoder and the walk
// of the returned pages into the Mode Sense page table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "decode/mode_page_table.h"
#include "form/command_behaviour.h"
#include "form/decoder.h"
#include "mmc/opcodes.h"

namespace tamarack {

inline constexpr std::uint32_t kModeSenseOpcode = mmc::kModeSense10;
inline constexpr std::size_t kModeParameterHeaderBytes = 8;
// The walk takes at most this many pages.
inline constexpr int kModeSenseMaxPages = 21;
// Building the form sets the allocation length (CDB bytes 7-8) to the data buffer's size.
inline constexpr std::uint32_t kModeSenseAllocationLength = 40960;

inline constexpr const char* kMediumTypeTitle = "Medium Type Description: ";
inline constexpr std::uint32_t kChangeableValues = 0x40;  // page control 01b in CDB byte 2

// The text of the medium type byte of the mode parameter header; empty from 18h on.
std::string DescribeMediumType(std::uint32_t code);

// The page walk: from byte 8 + the block descriptor length (bytes 6-7), each page byte 1 + 2
// bytes long; a page whose byte 1 is 0 ends it, and so do the end of the reply as the mode
// data length (+ 2) counts it, 21 pages, and the end of `reply` (the bytes returned: nothing
// past them is read). A page whose code (bits 5-0 of byte 0) is in `table` has up to 100 of
// its bytes, never more than its size nor more than were returned, copied into that row's
// buffer. Returns the rows found, in walk order.
std::vector<std::size_t> WalkModeSensePages(std::span<const std::uint8_t> reply,
                                            ModePageTable& table);

// The bytes a Mode Sense reply returned: the mode data length + 2 of the reply's header, never
// more than `received_length` when execution recorded one, nor more than `data` holds.
std::span<const std::uint8_t> ModeSenseReturnedBytes(std::span<const std::uint8_t> data,
                                                     std::uint32_t received_length);

// The decoded text: "Medium Type Description: ", the medium type text, an empty line, the
// Dump banner and the dump of the bytes returned.
DecodeOutput DecodeModeSense(const DecodeInput& input);

// LLBAA, DBD and the page control; building it keeps the stored page code (CDB byte 2 bits
// 5-0, which the page editor's list sets) and sets the allocation length to 40960.
extern const CommandBehaviour kModeSenseBehaviour;

}  // namespace tamarack
