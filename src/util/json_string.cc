#include "util/json_string.h"

#include "util/strings.h"

namespace tamarack {

namespace {

// Bytes of the UTF-8 sequence starting at `i`, or 0 when it is not well formed.
std::size_t Utf8Length(std::string_view t, std::size_t i) {
  const auto lead = static_cast<unsigned char>(t[i]);
  std::size_t n = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
  } else {
    return 0;
  }
  if (i + n > t.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(t[i + k]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

}  // namespace

std::string JsonString(std::string_view t) {
  std::string out = "\"";
  for (std::size_t i = 0; i < t.size();) {
    const auto c = static_cast<unsigned char>(t[i]);
    if (c >= 0x80) {
      const std::size_t n = Utf8Length(t, i);
      if (n == 0) {
        StrAppendFormat(&out, "\\u%04x", static_cast<unsigned>(c));  // a stray byte
        ++i;
      } else {
        out.append(t.substr(i, n));
        i += n;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          StrAppendFormat(&out, "\\u%04x", static_cast<unsigned>(c));
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

}  // namespace tamarack
