// The ten user slots: any 12-byte CDB, a data direction and length, and for data sent to the
// drive the bytes typed in hexadecimal.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/command_catalogue.h"
#include "util/message_catalogue.h"

namespace tamarack {

extern const CommandBehaviour kUserSlotBehaviour;

// The spin button of the data length stops here (the box itself takes two bytes).
inline constexpr std::uint32_t kSlotLengthSpinMax = 1024;
// A data-in slot reads into a buffer of at least this many bytes.
inline constexpr std::size_t kSlotMinBuffer = 65535;

inline constexpr const char* kSlotTitle = TR_NOOP("Atapi ｺﾏﾝﾄﾞ");
inline constexpr const char* kSlotDataHeader = " 0 1 2 3 4 5 6 7 8 9 a b c d e f (Only Hex)";

// Reads the data box: carriage returns, line feeds and blanks are skipped; every other
// position starts one byte of two hexadecimal digits (either case) and parsing goes on two
// characters further; a single digit followed by a blank, a line break or the end is that
// digit's value; "*" (and any character that is not a hexadecimal digit) counts as the digit
// 0. Stops at the end of the text or after `length` bytes; bytes not given stay 0. The result
// always holds `length` bytes.
std::vector<std::uint8_t> ParseSlotData(std::string_view text, std::uint32_t length);

// The data box text of a slot's out data: "%02x" per byte, 16 bytes per line.
std::string SlotDataText(std::span<const std::uint8_t> data);

// The row state a slot takes from a collected form.
void StoreSlot(const FormData& current, CommandRowState& slot);
// The form's source values of a slot.
FormData SlotFormData(const CommandRowState& slot);

}  // namespace tamarack
