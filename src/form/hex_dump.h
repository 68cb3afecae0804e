// The console's two hex dump formats: DumpHex (block data, at most one 2656-byte block unless
// the whole flag is set) and ShowHexDump (a title followed by every byte).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tamarack {

// Bytes per dump line, and the bytes DumpHex shows without the whole flag.
inline constexpr std::size_t kDumpLineBytes = 16;
inline constexpr std::size_t kDumpPartBytes = 2656;

// The entries of the grouping box, index 0 to 5 ("DumpKind=" stores the index).
inline constexpr int kGroupingCount = 6;
inline constexpr int kDefaultGroupingIndex = 3;  // "4 ﾊﾞｲﾄ毎"
// "まとめない", "1 ﾊﾞｲﾄ毎", "2 ﾊﾞｲﾄ毎", "4 ﾊﾞｲﾄ毎", "8 ﾊﾞｲﾄ毎", "16 ﾊﾞｲﾄ毎".
const char* GroupingLabel(int index);
// Bytes per group for an entry: 128 (no grouping), 1, 2, 4, 8, 16; an index outside the box
// reads as the default.
int GroupSize(int index);
// The entry of a group size (0 and 128 both mean no grouping); -1 for other sizes.
int GroupingIndexOfSize(int size);

// The character a dump shows for one byte, as UTF-8: 20h-5Fh and 61h-7Eh as themselves, 60h
// as "~", A6h-AFh and B1h-DFh as the matching half-width katakana, A1h as ".", B0h as "-",
// every other byte as a blank.
std::string_view DumpCharacter(std::uint8_t byte);

// Appends the dump of `data` to `out`: lines of 16 bytes, "%06d %04xh " offset, the bytes as
// "%02x" with a blank between groups of `group_size` bytes, " :" and the character column,
// "\r\n". The last line is padded so that its character column lines up. Without `whole`
// only the first 2656 bytes are dumped, followed by "...The following are omitted. ...\r\n"
// when there are more.
void DumpHex(std::span<const std::uint8_t> data, std::string* out, bool whole, int group_size);

// The column header line above a dump box: " Offset       " and 00 to 0f as "%02x", with the
// same group blanks.
std::string DumpColumnHeader(int group_size);

// The text ShowHexDump writes into the decoded-text box: `title` followed by a dump of every
// byte of `data`.
std::string ShowHexDumpText(std::string_view title, std::span<const std::uint8_t> data,
                            int group_size);

}  // namespace tamarack
