// Number boxes of the parameter forms: one-, two- and four-byte fields typed in decimal or,
// with hex input on, in hexadecimal without prefix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tamarack {

// How many CDB bytes a number box stands for; it decides the mask and the spin limit.
enum class NumberSize : std::uint8_t { kOne = 1, kTwo = 2, kFour = 4 };

// The value as the box reads it: the whole parsed value masked to the field size.
std::uint32_t MaskToSize(std::uint32_t value, NumberSize size);

// The spin button's upper limit: 255, 65535 and 0x7FFFFFFF.
std::uint32_t SpinUpperLimit(NumberSize size);

// Parses the text of a number box.
// Hexadecimal: empty reads 0; 1 to 8 digits (0-9, a-f, A-F) read as their value; any other
// character, or more than 8 digits, reads as 0xFFFFFFFF.
// Decimal: the leading number of the text (blanks and one sign allowed before it, as the C
// library reads it); no number reads 0; a negative number wraps to 32 bits; a number beyond
// 32 bits reads as 0xFFFFFFFF rather than wrapping around.
std::uint32_t ParseNumberText(std::string_view text, bool hex);

// The text a number box shows: "%d" (the value as a signed 32-bit number) or "%x".
std::string FormatNumberText(std::uint32_t value, bool hex);

// One step of a spin button. Up adds 1 unless the value has reached `upper` (0: no upper
// limit); down subtracts 1 unless the value is at or below `lower`.
std::uint32_t SpinStep(std::uint32_t value, bool up, std::uint32_t lower, std::uint32_t upper);

}  // namespace tamarack
