// Drive replies built from their parts, for the decoders' tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "golden.h"
#include "util/bytes.h"

namespace tamarack::testing {

// A list as text: its column titles joined by " | ", then its rows as RowsText shows them.
template <typename Columns, typename Rows>
std::string ListingText(const Columns& columns, const Rows& rows) {
  std::string titles;
  for (const auto& c : columns) titles += c.title + " | ";
  return titles + "\r\n" + RowsText(rows);
}

// Lines ending in "\r\n" as the output of ExpectEachInput: one line of it each, indented.
inline std::string Indented(std::string lines) {
  if (lines.ends_with("\r\n")) lines.resize(lines.size() - 2);
  for (std::size_t at = 0; (at = lines.find("\r\n", at)) != std::string::npos;) {
    lines.replace(at, 2, "\n  ");
  }
  return lines;
}

namespace mode {

// A mode page of `size` bytes: its code, its length byte, then `fill`.
inline std::vector<std::uint8_t> Page(std::uint8_t code, std::size_t size, std::uint8_t fill = 0) {
  std::vector<std::uint8_t> p(size, fill);
  p[0] = code;
  p[1] = static_cast<std::uint8_t>(size - 2);
  return p;
}

// A Mode Sense(10) reply: the header with the mode data length, medium type and block
// descriptor length, then `descriptor` and the pages.
inline std::vector<std::uint8_t> Reply(const std::vector<std::vector<std::uint8_t>>& pages,
                                       std::uint8_t medium = 0,
                                       const std::vector<std::uint8_t>& descriptor = {}) {
  std::size_t size = 8 + descriptor.size();
  for (const auto& p : pages) size += p.size();
  // Sized first and copied into: GCC 12 warns wrongly about inserts into a small vector.
  std::vector<std::uint8_t> r(size, 0);
  r[2] = medium;
  WriteBe16(r, 6, static_cast<std::uint32_t>(descriptor.size()));
  std::size_t at = 8;
  for (std::uint8_t b : descriptor) r[at++] = b;
  for (const auto& p : pages) {
    for (std::uint8_t b : p) r[at++] = b;
  }
  WriteBe16(r, 0, static_cast<std::uint32_t>(r.size() - 2));
  return r;
}

}  // namespace mode

namespace toc {

// A Read TOC reply of `descriptors` after the 4-byte header; the data length counts from
// byte 2.
inline std::vector<std::uint8_t> Reply(std::uint8_t first, std::uint8_t last,
                                       const std::vector<std::vector<std::uint8_t>>& descriptors) {
  std::vector<std::uint8_t> r(4, 0);
  r[2] = first;
  r[3] = last;
  for (const auto& d : descriptors) r.insert(r.end(), d.begin(), d.end());
  WriteBe16(r, 0, static_cast<std::uint32_t>(r.size() - 2));
  return r;
}

// A track descriptor of format 0.
inline std::vector<std::uint8_t> Track(std::uint8_t adr_control, std::uint8_t track,
                                       std::uint32_t address) {
  std::vector<std::uint8_t> d(8, 0);
  d[1] = adr_control;
  d[2] = track;
  WriteBe32(d, 4, address);
  return d;
}

}  // namespace toc

}  // namespace tamarack::testing
