#include "tools/dump_number.h"

namespace tamarack {

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::uint32_t> ParseDumpNumber(std::string_view text, bool hex) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    hex = true;
  }
  if (text.empty() || (hex && text.size() > 8)) return std::nullopt;
  const std::uint64_t base = hex ? 16 : 10;
  std::uint64_t value = 0;
  for (char c : text) {
    const int d = DigitValue(c);
    if (d < 0 || static_cast<std::uint64_t>(d) >= base) return std::nullopt;
    value = value * base + static_cast<std::uint64_t>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace tamarack
