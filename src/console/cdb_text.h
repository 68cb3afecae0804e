// The CDB box of the Command tab: the current CDB as text, and the text typed into it once
// it is editable.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "device/scsi.h"

namespace tamarack {

// Twelve "%02x " groups.
std::string CdbLine(const Cdb& cdb);

// A CDB box text read: the CDB, or where reading stopped and why.
struct CdbBoxParse {
  std::optional<Cdb> cdb;
  std::size_t stop = 0;  // the character (0-based) where reading stopped
  std::string error;     // empty when `cdb` is set
};

// Reads a typed CDB box text: up to 12 hexadecimal bytes separated by blanks, each one or two
// digits (a group of an even number of digits is that many bytes); bytes not typed are 0.
// Any other character, a group of an odd number of digits above one, or a 13th byte is an
// error: a typo must never send another command to the drive.
CdbBoxParse ParseCdbBoxText(std::string_view text);

}  // namespace tamarack
