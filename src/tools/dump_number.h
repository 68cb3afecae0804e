// The number fields of the Sector Dump tab (LBA and Length): stricter than the console's
// number boxes, since a mistyped address must not read some other sector.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tamarack {

// A text that starts with "0x" or "0X" is hexadecimal, one to eight digits after the prefix;
// otherwise it is hexadecimal when `hex` (hex input on) and decimal when not. Nothing when the
// text is empty, holds a character that is not a digit of its base, or does not fit in 32 bits.
std::optional<std::uint32_t> ParseDumpNumber(std::string_view text, bool hex);

}  // namespace tamarack
