// Reading and writing big-endian fields of replies and CDBs without reading past the bytes
// that are there: a byte beyond the end reads as zero.
#pragma once

#include <cstdint>
#include <span>

namespace tamarack {

inline std::uint8_t ByteAt(std::span<const std::uint8_t> b, std::size_t i) {
  return i < b.size() ? b[i] : 0;
}

inline std::uint16_t ReadBe16(std::span<const std::uint8_t> b, std::size_t i) {
  return static_cast<std::uint16_t>((ByteAt(b, i) << 8) | ByteAt(b, i + 1));
}

inline std::uint32_t ReadBe24(std::span<const std::uint8_t> b, std::size_t i) {
  return (static_cast<std::uint32_t>(ByteAt(b, i)) << 16) |
         (static_cast<std::uint32_t>(ByteAt(b, i + 1)) << 8) | ByteAt(b, i + 2);
}

inline std::uint32_t ReadBe32(std::span<const std::uint8_t> b, std::size_t i) {
  return (static_cast<std::uint32_t>(ByteAt(b, i)) << 24) |
         (static_cast<std::uint32_t>(ByteAt(b, i + 1)) << 16) |
         (static_cast<std::uint32_t>(ByteAt(b, i + 2)) << 8) | ByteAt(b, i + 3);
}

// Writers ignore the bytes that do not fit.
inline void WriteByte(std::span<std::uint8_t> b, std::size_t i, std::uint32_t v) {
  if (i < b.size()) b[i] = static_cast<std::uint8_t>(v & 0xFF);
}

inline void WriteBe16(std::span<std::uint8_t> b, std::size_t i, std::uint32_t v) {
  WriteByte(b, i, v >> 8);
  WriteByte(b, i + 1, v);
}

inline void WriteBe24(std::span<std::uint8_t> b, std::size_t i, std::uint32_t v) {
  WriteByte(b, i, v >> 16);
  WriteByte(b, i + 1, v >> 8);
  WriteByte(b, i + 2, v);
}

inline void WriteBe32(std::span<std::uint8_t> b, std::size_t i, std::uint32_t v) {
  WriteByte(b, i, v >> 24);
  WriteByte(b, i + 1, v >> 16);
  WriteByte(b, i + 2, v >> 8);
  WriteByte(b, i + 3, v);
}

}  // namespace tamarack
