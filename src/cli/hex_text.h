// Parsing hex byte text typed on the command line, and a plain hex listing of a reply.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamarack::cli {

// "12 00 00 00 ff" or "120000" (pairs), blanks and commas between bytes. Nothing when a
// character is not a hex digit or a byte is left with one digit.
std::optional<std::vector<std::uint8_t>> ParseTypedHexBytes(std::string_view text);

// A plain listing: "%04x: " offset, sixteen "%02x " bytes, and the printable characters.
std::string HexListing(std::span<const std::uint8_t> bytes);

}  // namespace tamarack::cli
