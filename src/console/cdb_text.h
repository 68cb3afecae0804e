// The CDB box of the Command tab: the current CDB as text, and the text typed into it once
// it is editable.
#pragma once

#include <string>
#include <string_view>

#include "device/scsi.h"

namespace tamarack {

// Twelve "%02x " groups.
std::string CdbLine(const Cdb& cdb);

// Reads a CDB box text: 12 bytes, each two hexadecimal digits followed by one separator
// character (the layout CdbLine writes). Upper-case digits read like lower-case ones. A
// position that holds no hexadecimal digit (the text ended early, or another character)
// counts as 0, so a short or mistyped text never reads outside the text.
Cdb ParseCdbBoxText(std::string_view text);

}  // namespace tamarack
