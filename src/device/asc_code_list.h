// The standard texts of additional sense codes (ASC and ASCQ), whatever the sense key.
#pragma once

#include <cstdint>
#include <span>

#include "device/sense_table.h"

namespace tamarack {

// The key of a code-list row: the list names codes whatever the sense key.
inline constexpr std::uint32_t kAnySenseKey = 0xFFFFFFFEu;

// The 241 codes of the list as rows (message with its leading blank), in ascending
// ASC/ASCQ order.
std::span<const SenseRow> AscCodeList();

// The code's row, or nothing when the list does not hold it.
const SenseRow* FindAscCode(std::uint32_t asc, std::uint32_t ascq);

}  // namespace tamarack
