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

// Each byte as "%02x" followed by `separator`.
std::string HexBytes(std::span<const std::uint8_t> bytes, std::string_view separator = " ");

// Text of a fixed-width field: cut at its first zero byte, otherwise all of it.
std::string FixedText(std::span<const std::uint8_t> bytes);

}  // namespace tamarack
