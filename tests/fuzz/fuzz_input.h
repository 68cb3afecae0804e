// The fuzzer's bytes read as a stream of small numbers; a read past the end gives zeroes, so
// that every input is a whole one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tamarack::fuzzing {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}
  explicit FuzzInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool empty() const { return at_ >= bytes_.size(); }
  std::size_t left() const { return empty() ? 0 : bytes_.size() - at_; }

  std::uint8_t Byte() { return empty() ? 0 : bytes_[at_++]; }
  // Big-endian, as the commands carry their numbers.
  std::uint16_t U16() {
    const unsigned high = Byte();  // read first: the operands of | are not ordered
    return static_cast<std::uint16_t>(high << 8 | Byte());
  }
  std::uint32_t U32() {
    const std::uint32_t high = U16();
    return high << 16 | U16();
  }
  // Up to `n` bytes (fewer at the end).
  std::span<const std::uint8_t> Take(std::size_t n) {
    const auto part = bytes_.subspan(std::min(at_, bytes_.size()), std::min(n, left()));
    at_ += part.size();
    return part;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace tamarack::fuzzing
