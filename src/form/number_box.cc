#include "form/number_box.h"

#include <cctype>

#include "util/strings.h"

namespace tamarack {

std::uint32_t MaskToSize(std::uint32_t value, NumberSize size) {
  switch (size) {
    case NumberSize::kOne:
      return value & 0xFFu;
    case NumberSize::kTwo:
      return value & 0xFFFFu;
    case NumberSize::kFour:
      return value;
  }
  return value;
}

std::uint32_t SpinUpperLimit(NumberSize size) {
  switch (size) {
    case NumberSize::kOne:
      return 0xFFu;
    case NumberSize::kTwo:
      return 0xFFFFu;
    case NumberSize::kFour:
      return 0x7FFFFFFFu;
  }
  return 0;
}

std::uint32_t ParseNumberText(std::string_view text, bool hex) {
  if (hex) {
    if (text.empty()) return 0;
    if (text.size() > 8) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(ParseDigits(text, 16, 0xFFFFFFFFu).value_or(0xFFFFFFFFu));
  }
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint64_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (v > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  }
  const auto value = static_cast<std::uint32_t>(v);
  return negative ? 0u - value : value;
}

std::string FormatNumberText(std::uint32_t value, bool hex) {
  if (hex) return StrFormat("%x", value);
  return StrFormat("%d", static_cast<int>(value));
}

std::uint32_t SpinStep(std::uint32_t value, bool up, std::uint32_t lower, std::uint32_t upper) {
  if (up) {
    if (upper != 0 && value >= upper) return value;
    if (value == 0xFFFFFFFFu) return value;  // no wrap-around to 0 without a limit
    return value + 1;
  }
  if (value <= lower) return value;
  return value - 1;
}

}  // namespace tamarack
