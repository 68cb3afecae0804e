// Small text helpers shared by every layer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// The value of `text` written in `base` (10 or 16, either case): digits only, no sign, prefix
// or blank. Nothing when it is empty, holds another character or exceeds `max`. Every number
// the program reads from typed text goes through here.
std::optional<std::uint64_t> ParseDigits(std::string_view text, int base, std::uint64_t max);

// A code typed in hexadecimal as drives' codes are written: bare ("2a"), after "0x" or before
// "h" ("0x2a", "2Ah"), either case. Nothing when the digits are more than `max_digits` (leading
// zeros count) or the value exceeds `max`.
std::optional<std::uint64_t> ParseHexCode(std::string_view text, std::size_t max_digits,
                                          std::uint64_t max);

// Bytes as pairs of hexadecimal digits ("12 00 ff" or "1200ff"); any character of `separators`
// may stand between two bytes. Nothing when another character comes or a byte is left with
// one digit.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text,
                                                       std::string_view separators);

// Each byte as "%02x" followed by `separator`.
std::string HexBytes(std::span<const std::uint8_t> bytes, std::string_view separator = " ");

// Text of a fixed-width field: cut at its first zero byte, otherwise all of it.
std::string FixedText(std::span<const std::uint8_t> bytes);

// The decimal conversion of the settings reader and the number dialogs: leading blanks, a
// sign, digits up to the first non-digit; no number gives 0. Saturates instead of overflowing.
int DecimalValue(std::string_view text);

// What separates the folders of a path: "/", on Windows "\\" too; the one a path is joined
// with.
#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "/\\";
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr std::string_view kPathSeparators = "/";
inline constexpr char kPathSeparator = '/';
#endif

// What a file's own name cannot hold: a separator, and on Windows a drive's colon and the
// characters its file systems refuse.
#ifdef _WIN32
inline constexpr std::string_view kNotInFileNames = "/\\:*?\"<>|";
#else
inline constexpr std::string_view kNotInFileNames = "/";
#endif

// The program's texts end their lines in "\r\n" (they are shown as the system wrote them);
// terminals and text views want "\n".
std::string PlainLines(std::string_view text);

}  // namespace tamarack
