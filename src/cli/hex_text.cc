#include "cli/hex_text.h"

#include "util/regular_file.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseInhexText(std::string_view text, std::string* error) {
  std::vector<std::uint8_t> bytes;
  std::size_t line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = line.substr(0, line.find('#'));
    bool first = true;
    std::size_t at = 0;
    while (at < line.size()) {
      if (line[at] == ' ' || line[at] == '\t' || line[at] == ',' || line[at] == '\r') {
        ++at;
        continue;
      }
      std::size_t stop = at;
      while (stop < line.size() && line[stop] != ' ' && line[stop] != '\t' && line[stop] != ',' &&
             line[stop] != '\r') {
        ++stop;
      }
      std::string_view token = line.substr(at, stop - at);
      at = stop;
      const bool offset = first && token.size() > 1 && token.back() == ':';
      first = false;
      if (offset) token.remove_suffix(1);
      bool hex = true;
      for (char c : token) hex = hex && HexDigit(c) >= 0;
      if (!hex || (token.size() > 2 && token.size() % 2 != 0 && !offset)) {
        *error = StrFormat("line %zu: \"%.*s\" is not a hex byte", line_number,
                           static_cast<int>(token.size()), token.data());
        return std::nullopt;
      }
      if (offset) continue;
      if (token.size() <= 2) {
        bytes.push_back(static_cast<std::uint8_t>(
            token.size() == 1 ? HexDigit(token[0]) : HexDigit(token[0]) * 16 + HexDigit(token[1])));
        continue;
      }
      for (std::size_t i = 0; i < token.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(HexDigit(token[i]) * 16 + HexDigit(token[i + 1])));
      }
    }
  }
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadReplyFile(const std::string& path, bool raw,
                                                       std::string* error) {
  // A reply is at most 64 KiB; its hex text a few times that, with comments.
  constexpr std::uint64_t kMostReplyFileBytes = 16u << 20;
  const std::optional<std::string> text =
      ReadRegularFile(path, kMostReplyFileBytes, "captured reply", error);
  if (!text) return std::nullopt;
  const std::string& content = *text;
  if (raw) return std::vector<std::uint8_t>(content.begin(), content.end());
  std::string why;
  auto bytes = ParseInhexText(content, &why);
  if (!bytes) *error = path + " " + why;
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ParseTypedHexBytes(std::string_view text) {
  return ParseHexBytes(text, " ,\t\n\r");
}

std::string HexListing(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 16) {
    const auto line = bytes.subspan(i, std::min<std::size_t>(16, bytes.size() - i));
    StrAppendFormat(&out, "%04zx: ", i);
    out += HexBytes(line);
    out.append(3 * (16 - line.size()), ' ');
    for (std::uint8_t b : line) out.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.');
    out += '\n';
  }
  return out;
}

}  // namespace tamarack::cli
