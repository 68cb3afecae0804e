#include "console/cdb_text.h"

#include "util/strings.h"

namespace tamarack {

std::string CdbLine(const Cdb& cdb) { return HexBytes(cdb, " "); }

namespace {

std::uint8_t DigitAt(std::string_view text, std::size_t i) {
  if (i >= text.size()) return 0;
  const char c = text[i];
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return 0;
}

}  // namespace

Cdb ParseCdbBoxText(std::string_view text) {
  Cdb cdb{};
  for (std::size_t i = 0; i < kCdbSize; ++i) {
    const std::size_t at = i * 3;
    cdb[i] = static_cast<std::uint8_t>((DigitAt(text, at) << 4) | DigitAt(text, at + 1));
  }
  return cdb;
}

}  // namespace tamarack
