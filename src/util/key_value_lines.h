// The syntax of the system's key=value text files (the settings file, saved command and ageing
// files): lines read one at a time, numbers scanned as "%d %d ...", two-digit indexed keys, hex
// byte text and text values kept on one line. Every feature that owns such lines reads and
// writes them with these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "util/strings.h"  // DecimalValue, the reader's number conversion

namespace tamarack {

// Reads the lines one at a time ("\n" ends a line; the line stops at its first CR); a reader
// of a block of lines (a user slot's data) takes further lines from the same reader.
class KeyValueLineReader {
 public:
  explicit KeyValueLineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view* line);

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// "%d %d ..." scanning: as many numbers as there are, the rest of `fields` unchanged. Returns
// how many were read.
template <std::size_t N>
std::size_t ScanNumbers(std::string_view text, std::array<int, N>* fields) {
  std::size_t p = 0;
  for (std::size_t i = 0; i < N; ++i) {
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    const std::size_t begin = p;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) ++p;
    const std::size_t digits = p;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p;
    if (p == digits) return i;  // not a number: the scan stops here
    (*fields)[i] = DecimalValue(text.substr(begin, p - begin));
  }
  return N;
}

// The value after an indexed key ("Com07=..."): the index and the text after "=". False
// when the line has no two-digit index and "=" there.
bool IndexedValue(std::string_view line, std::size_t key_length, int* index,
                  std::string_view* value);

// Hex byte text as the reader takes it: two characters per byte; "*" counts as 0; a pair
// whose second character is a blank, CR, LF or the end is its first character alone; digits
// count as their value and any other character as its low four bits + 9. Reads at most
// `max_bytes`; returns the bytes read.
std::size_t ReadHexBytes(std::string_view text, std::uint8_t* out, std::size_t max_bytes);

// Bytes as the writer puts them: two lower-case hex digits each, no separator.
std::string HexText(std::span<const std::uint8_t> bytes);

// A text value (a path, a font, a name) without control characters: a NUL would cut the value
// where it is written and a line break would start a new key, so that a hand-edited file would
// not read back to itself.
std::string TextValue(std::string_view text);

}  // namespace tamarack
