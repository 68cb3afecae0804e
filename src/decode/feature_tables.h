// The tables of Get Configuration: features (code, descriptor size, name and the decoder of
// the feature's own fields), profiles, physical interface standards and loading mechanisms.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "decode/text_conventions.h"
#include "form/decoder.h"

namespace tamarack {

// Appends the rows of one feature's own fields. `descriptor` starts at the feature code and
// holds only the bytes the drive returned (fields outside it are not shown); `rows` gets the
// rows in the feature list's column order (Offset, Key, Data).
using FeatureFieldDecoder = void (*)(std::span<const std::uint8_t> descriptor,
                                     std::vector<DecodedRow>& rows);

struct FeatureTableRow {
  std::uint32_t code;  // kFeatureTableEnd for the end row
  std::uint32_t size;  // descriptor bytes; 0: additional length (byte 3) plus 4
  FeatureFieldDecoder decode;
  const char* name;
};

inline constexpr std::uint32_t kFeatureTableEnd = 0xFFFFFFFFu;

// The rows in table order, the end row (size 0, "Undefine") last.
std::span<const FeatureTableRow> FeatureTable();

// The row of `code`, or the end row for a code the table does not know.
const FeatureTableRow& FindFeature(std::uint32_t code);

// The name of a profile number; "Undefine" when the table does not know it.
std::string ProfileName(std::uint32_t profile);

// The name of a physical interface standard (Core feature); "UnDefined" outside the table.
std::string PhysicalInterfaceName(std::uint32_t standard);

// The name of a loading mechanism type (Removable Medium feature); "Undefine" for others.
std::string LoadingMechanismName(std::uint32_t type);

}  // namespace tamarack
