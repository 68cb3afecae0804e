#include "cli/hex_text.h"

#include "util/strings.h"

namespace tamarack::cli {

std::optional<std::vector<std::uint8_t>> ParseTypedHexBytes(std::string_view text) {
  return ParseHexBytes(text, " ,\t\n\r");
}

std::string HexListing(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 16) {
    const auto line = bytes.subspan(i, std::min<std::size_t>(16, bytes.size() - i));
    StrAppendFormat(&out, "%04zx: ", i);
    out += HexBytes(line);
    out.append(3 * (16 - line.size()), ' ');
    for (std::uint8_t b : line) out.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.');
    out += '\n';
  }
  return out;
}

}  // namespace tamarack::cli
