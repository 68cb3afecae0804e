// Small text helpers shared by every layer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tamarack {

// printf-style formatting into a std::string (the system's texts are printf formats).
std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends printf-style output to `out`.
void StrAppendFormat(std::string* out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// The value of a hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Each byte as "%02x" followed by `separator`.
std::string HexBytes(std::span<const std::uint8_t> bytes, std::string_view separator = " ");

// Text of a fixed-width field: cut at its first zero byte, otherwise all of it.
std::string FixedText(std::span<const std::uint8_t> bytes);

// The decimal conversion of the settings reader and the number dialogs: leading blanks, a
// sign, digits up to the first non-digit; no number gives 0. Saturates instead of overflowing.
int DecimalValue(std::string_view text);

// The program's texts end their lines in "\r\n" (they are shown as the system wrote them);
// terminals and text views want "\n".
std::string PlainLines(std::string_view text);

}  // namespace tamarack
