#include "console/cdb_text.h"

#include "util/strings.h"

namespace tamarack {

std::string CdbLine(const Cdb& cdb) { return HexBytes(cdb, " "); }

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

CdbBoxParse Stopped(std::size_t at, std::string error) {
  CdbBoxParse r;
  r.stop = at;
  r.error = std::move(error);
  return r;
}

}  // namespace

CdbBoxParse ParseCdbBoxText(std::string_view text) {
  Cdb cdb{};
  std::size_t count = 0;
  std::size_t p = 0;
  while (p < text.size()) {
    if (IsBlank(text[p])) {
      ++p;
      continue;
    }
    const std::size_t begin = p;
    while (p < text.size() && !IsBlank(text[p])) {
      if (HexDigitValue(text[p]) < 0) {
        return Stopped(p, StrFormat("CDB: \"%c\" at character %zu is not a hexadecimal digit",
                                    text[p], p + 1));
      }
      ++p;
    }
    const std::size_t digits = p - begin;
    if (digits > 2 && digits % 2 != 0) {
      return Stopped(begin, StrFormat("CDB: the %zu digits at character %zu are not whole bytes",
                                      digits, begin + 1));
    }
    for (std::size_t d = begin; d < p; d += digits == 1 ? 1 : 2) {
      if (count == kCdbSize) {
        return Stopped(d, StrFormat("CDB: more than %zu bytes (character %zu)", kCdbSize, d + 1));
      }
      // Every character was checked above: the byte's digits always read.
      const auto value = ParseDigits(text.substr(d, digits == 1 ? 1 : 2), 16, 0xFF);
      cdb[count++] = static_cast<std::uint8_t>(value.value_or(0));
    }
  }
  CdbBoxParse r;
  r.cdb = cdb;
  r.stop = text.size();
  return r;
}

}  // namespace tamarack
