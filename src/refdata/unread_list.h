// The blocks a capture could not read. Their place in the reference file holds 5Ah filler, so
// every other block stays at its offset; the list beside the file ("FILE.unread": one range
// per line, "first-last", LBAs, both ends included) says which blocks those are, so that the
// filler is never taken for the disc's data. A check skips the blocks it names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamarack {

inline constexpr const char* kUnreadSuffix = ".unread";

// Both ends included.
struct UnreadRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  bool operator==(const UnreadRange&) const = default;
};

// A set of LBAs kept as sorted ranges that neither overlap nor touch.
class UnreadBlocks {
 public:
  // Adds `count` blocks from `first` (those past the 32-bit LBAs are left out).
  void Add(std::uint64_t first, std::uint64_t count);
  bool Contains(std::uint64_t lba) const;
  // How many of the `count` blocks from `first` the set holds.
  std::uint64_t CountIn(std::uint64_t first, std::uint64_t count) const;
  std::uint64_t blocks() const;
  bool empty() const { return ranges_.empty(); }
  const std::vector<UnreadRange>& ranges() const { return ranges_; }

 private:
  std::vector<UnreadRange> ranges_;
};

// The list file of the reference file `data_file`.
inline std::string UnreadListPath(const std::string& data_file) {
  return data_file + kUnreadSuffix;
}

// "first-last\n" for each range.
std::string FormatUnreadList(const UnreadBlocks& blocks);

// Reads the lines of a list ("\n" or "\r\n", an empty last line allowed; ranges in any order,
// overlapping ones joined). False with the line and what is wrong with it.
bool ParseUnreadList(std::string_view text, UnreadBlocks* out, std::string* error);

// "96-111, 200-200": the ranges on one line, for a target that has no list beside it.
std::string UnreadRangesText(const UnreadBlocks& blocks);

}  // namespace tamarack
