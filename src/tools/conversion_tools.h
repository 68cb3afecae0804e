// The small conversions of the Tools dialog and of tamarack-cli lba2msf, msf2lba and subq-crc:
// the program's definition of the LBA/MSF relation, and the Sub-Q CRC of a typed record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tamarack {

// The result line of text that cannot be converted.
inline constexpr char kConversionErrorText[] = "Error!";

// LBA to MSF: `text` is the LBA in decimal, or in hexadecimal when `hex`. Both take the same
// LBAs, -150 (the start of the lead-in's last two seconds) to 2147483647: decimal with a leading
// minus, hexadecimal as the 32-bit field a drive is sent (FFFFFF6A to FFFFFFFF for -150 to -1,
// 0 to 7FFFFFFF). Leading zeros are allowed. a = LBA + 150, minutes =
// a / 4500, seconds = a % 4500 / 75, frames = a % 75:
// "%d (%04xh) -> %02d %02d %02d(%02xh %02xh %02xh)". "Error!" for anything else.
std::string LbaToMsfText(std::string_view text, bool hex);

// MSF to LBA: the last six characters of `text` are minutes, seconds and frames, two each
// (characters missing at the front count as nothing). With `bcd` each pair is two decimal
// digits, else a hexadecimal number ("16212c" is 22:33:44). Seconds above 59, frames above 74,
// a negative LBA or a character that is not a digit of the chosen base give "Error!".
// Otherwise "%s -> %d (%04xh)" with the text as typed and the LBA.
std::string MsfToLbaText(std::string_view text, bool bcd);

// The Sub-Q CRC of a typed record: blanks removed, padded on the right with "0" to 20
// hexadecimal digits, read as 10 bytes: each as "%02x ", then " -> %04x" with the CRC.
// "Error!" for other characters or more than 20 digits.
std::string SubQCrcText(std::string_view text);

}  // namespace tamarack
