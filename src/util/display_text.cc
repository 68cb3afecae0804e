#include "util/display_text.h"

#include <cstdint>

#include "util/cp932.h"

namespace tamarack {

namespace {

// The code point of the well-formed sequence at `at` and its length; length 0 when the bytes
// there are no such sequence.
struct CodePoint {
  std::uint32_t value = 0;
  std::size_t length = 0;
};

CodePoint DecodeAt(std::string_view s, std::size_t at) {
  const auto c = static_cast<unsigned char>(s[at]);
  if (c < 0x80) return {c, 1};
  std::size_t more;
  std::uint32_t min;
  if ((c & 0xE0) == 0xC0) {
    more = 1;
    min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    more = 2;
    min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    more = 3;
    min = 0x10000;
  } else {
    return {};
  }
  std::uint32_t cp = c & (0x3Fu >> more);
  for (std::size_t k = 1; k <= more; ++k) {
    if (at + k >= s.size()) return {};
    const auto cc = static_cast<unsigned char>(s[at + k]);
    if ((cc & 0xC0) != 0x80) return {};
    cp = (cp << 6) | (cc & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
  return {cp, more + 1};
}

// Direction controls count too: an embedding, override or isolate in a volume label would
// reorder the rest of the line a reader sees.
bool IsDirectionControl(std::uint32_t cp) {
  return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
         (cp >= 0x2066 && cp <= 0x2069);
}

bool IsControl(std::uint32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 ||
         IsDirectionControl(cp);
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const CodePoint cp = DecodeAt(bytes, at);
    if (cp.length == 0) return false;
    at += cp.length;
  }
  return true;
}

std::string TextAsUtf8(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp932BytesToUtf8(bytes);
}

std::string DisplayText(std::string_view bytes) {
  const std::string text = TextAsUtf8(bytes);
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const CodePoint cp = DecodeAt(text, at);
    const std::size_t length = cp.length == 0 ? 1 : cp.length;  // a converter's slip: one byte
    if (cp.length == 0 || IsControl(cp.value)) {
      out += '?';
    } else {
      out.append(text, at, length);
    }
    at += length;
  }
  return out;
}

}  // namespace tamarack
