#include "util/key_value_lines.h"

namespace tamarack {

namespace {

bool IsLineBreakOrBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }

int HexCharValue(char c) {
  if (c == '*') return 0;
  if (c >= '0' && c <= '9') return c - '0';
  return (static_cast<unsigned char>(c) & 0x0F) + 9;
}

}  // namespace

bool KeyValueLineReader::Next(std::string_view* line) {
  if (pos_ >= text_.size()) return false;
  std::size_t end = text_.find('\n', pos_);
  if (end == std::string_view::npos) end = text_.size();
  std::string_view l = text_.substr(pos_, end - pos_);
  pos_ = end + 1;
  const std::size_t cut = l.find_first_of("\r\n");
  if (cut != std::string_view::npos) l = l.substr(0, cut);
  *line = l;
  return true;
}

bool IndexedValue(std::string_view line, std::size_t key_length, int* index,
                  std::string_view* value) {
  const std::string_view rest = line.substr(key_length);
  if (rest.size() < 3 || rest[2] != '=') return false;
  *index = DecimalValue(rest.substr(0, 2));
  *value = rest.substr(3);
  return true;
}

std::size_t ReadHexBytes(std::string_view text, std::uint8_t* out, std::size_t max_bytes) {
  std::size_t n = 0, p = 0;
  while (n < max_bytes && p < text.size()) {
    const char first = text[p];
    const bool lone = p + 1 >= text.size() || IsLineBreakOrBlank(text[p + 1]);
    const int value =
        lone ? HexCharValue(first) : HexCharValue(first) * 16 + HexCharValue(text[p + 1]);
    out[n++] = static_cast<std::uint8_t>(value & 0xFF);
    p += 2;
  }
  return n;
}

std::string HexText(std::span<const std::uint8_t> bytes) { return HexBytes(bytes, ""); }

std::string TextValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) out.push_back(c);
  }
  return out;
}

}  // namespace tamarack
