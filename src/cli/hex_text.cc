#include "cli/hex_text.h"

#include "util/strings.h"

namespace tamarack::cli {

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r') {
      if (high >= 0) return std::nullopt;  // a lone digit
      continue;
    }
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + d));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
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
