// Mode Select(10) (55h): the form's CDB fields, the parameter list built from the pages
// marked for sending, its text in the decoded-text box, the "Page Data Dump" text and the
// decoder.
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

inline constexpr std::uint32_t kModeSelectOpcode = mmc::kModeSelect10;
inline constexpr const char* kModeSelectDoneText = "\r\n-------Done!-------";
// The decoded-text box keeps this many characters before "-------Done!-------" is appended.
inline constexpr std::size_t kModeSelectTextKept = 10240;

// The parameter list: the 8-byte mode parameter header (zeroes), then, for every row of the
// table in order whose send flag is set, the first page-length bytes of its buffer with the
// PS bit (byte 0 bit 7) cleared.
std::vector<std::uint8_t> BuildParameterList(const ModePageTable& table);

// Writes the parameter list length into CDB bytes 7-8.
void SetParameterListLength(Cdb& cdb, std::size_t length);

// The parameter list as the decoded-text box shows it: "%02x" per byte without separators,
// 16 bytes a line (32 when the box is wider than 560 pixels), lines separated by "\r\n".
std::string ParameterListText(std::span<const std::uint8_t> list, int box_width = 0);

// "Page Data Dump": the page's bytes, its page length but at most 100, "%02x" without
// separators, 8 bytes a line (16 when the box is wider than 220 pixels), each line beginning
// with "+%02x|" and the offset of its first byte; lines separated by "\r\n".
std::string PageDataDumpText(const ModePageRow& row, int box_width = 0);

// The decoder: the parameter list that was sent (16 bytes a line), its first 10240
// characters, then "\r\n-------Done!-------".
DecodeOutput DecodeModeSelect(const DecodeInput& input);

// "SP(Save Pages)"; building it sets PF (CDB byte 1 bit 4) and takes the parameter list and
// its length (CDB bytes 7-8) from the row's stored data, which the page editor keeps.
extern const CommandBehaviour kModeSelectBehaviour;

}  // namespace tamarack
