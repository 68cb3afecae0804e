#include "tools/dump_number.h"

#include "util/strings.h"

namespace tamarack {

std::optional<std::uint32_t> ParseDumpNumber(std::string_view text, bool hex) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    hex = true;
  }
  if (hex && text.size() > 8) return std::nullopt;
  const auto value = ParseDigits(text, hex ? 16 : 10, 0xFFFFFFFFu);
  if (!value) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

}  // namespace tamarack
