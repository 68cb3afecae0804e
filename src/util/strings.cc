#include "util/strings.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace tamarack {

namespace {

// The callers' format attributes check the arguments; this one tells the compiler so.
__attribute__((format(printf, 2, 0))) void AppendV(std::string* out, const char* format,
                                                   va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  const int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof small) {
    out->append(small, static_cast<std::size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<std::size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), format, args);
  out->append(big.data(), static_cast<std::size_t>(n));
}

}  // namespace

std::optional<std::uint64_t> ParseDigits(std::string_view text, int base, std::uint64_t max) {
  if (text.empty()) return std::nullopt;
  const auto b = static_cast<std::uint64_t>(base);
  std::uint64_t value = 0;
  for (char c : text) {
    const int d = HexDigitValue(c);
    if (d < 0 || d >= base) return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(d);
    if (digit > max || value > (max - digit) / b) return std::nullopt;
    value = value * b + digit;
  }
  return value;
}

std::optional<std::uint64_t> ParseHexCode(std::string_view text, std::size_t max_digits,
                                          std::uint64_t max) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  } else if (text.ends_with('h') || text.ends_with('H')) {
    text.remove_suffix(1);
  }
  if (text.size() > max_digits) return std::nullopt;
  return ParseDigits(text, 16, max);
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text,
                                                       std::string_view separators) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (separators.find(c) != std::string_view::npos) {
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

std::string StrFormat(const char* format, ...) {
  std::string out;
  va_list args;
  va_start(args, format);
  AppendV(&out, format, args);
  va_end(args);
  return out;
}

void StrAppendFormat(std::string* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendV(out, format, args);
  va_end(args);
}

std::string HexBytes(std::span<const std::uint8_t> bytes, std::string_view separator) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * (2 + separator.size()));
  for (std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
    out.append(separator);
  }
  return out;
}

std::string FixedText(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::uint8_t b : bytes) {
    if (b == 0) break;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

int DecimalValue(std::string_view text) {
  std::size_t p = 0;
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == '-' || text[p] == '+')) negative = text[p++] == '-';
  long long v = 0;
  for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
    v = v * 10 + (text[p] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

std::string PlainLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

}  // namespace tamarack
