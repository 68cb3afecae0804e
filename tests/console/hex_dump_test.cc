#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "form/hex_dump.h"
#include "golden.h"

namespace tamarack {
namespace {

std::vector<std::uint8_t> BytesOf(std::string_view s) { return {s.begin(), s.end()}; }

// Dumps of every grouping and length, the character column of every byte and the column
// headers, in tests/data/decode/hex_dumps.txt ("== " and what each is). Without the whole
// flag a dump stops after 2656 bytes (166 lines) with a line saying so; the last line is
// padded; the character column shows control bytes, DEL and the upper half blank but for the
// half-width katakana (A1h ".", A6h-DFh as themselves, B0h "-"), "`" as "~"; the grouping of
// each stored index.
TEST(DumpHex, EveryGroupingAndLength) {
  std::string t;
  const auto dump = [&t](const std::string& what, const std::vector<std::uint8_t>& d, bool whole,
                         int group) {
    t += "== " + what + "\r\n";
    DumpHex(d, &t, whole, group);
  };
  dump("20 bytes by four", BytesOf("ABCDEFGHIJKLMNOPQRST"), false, 4);
  std::vector<std::uint8_t> d(16);
  std::iota(d.begin(), d.end(), std::uint8_t{0x30});
  for (int group : {128, 16, 8, 2, 1}) dump("16 bytes by " + std::to_string(group), d, true, group);
  dump("3 bytes by one", {1, 2, 3}, true, 1);
  dump("3000 bytes", std::vector<std::uint8_t>(3000, 0x5A), false, 4);
  dump("3000 bytes whole", std::vector<std::uint8_t>(3000, 0x5A), true, 4);
  dump("2656 bytes", std::vector<std::uint8_t>(2656, 0), false, 4);
  dump("nothing", {}, false, 4);
  dump("katakana", {0xB6, 0xC0, 0xB6, 0xC5, 0x60}, true, 4);
  t += "== every byte's character\r\n";
  for (int byte = 0; byte < 256; ++byte) {
    t += DumpCharacter(static_cast<std::uint8_t>(byte));
    t += byte % 16 == 15 ? "|\r\n" : "|";
  }
  for (int group : {4, 128, 1}) t += DumpColumnHeader(group) + "\r\n";
  // The grouping a stored index means (beyond the list: four), and back.
  t += "== group sizes of the indices 0-6 and -1:";
  for (int index : {0, 1, 2, 3, 4, 5, 6, -1}) t += " " + std::to_string(GroupSize(index));
  t += "\r\n== indices of the sizes 128, 16, 1, 0 and 3:";
  for (int size : {128, 16, 1, 0, 3}) t += " " + std::to_string(GroupingIndexOfSize(size));
  t += "\r\n";
  testing::ExpectGoldenText("hex_dumps", t);
  // Offsets beyond four hex digits keep growing.
  std::string long_dump;
  DumpHex(std::vector<std::uint8_t>(0x10010, 0), &long_dump, true, 4);
  EXPECT_NE(long_dump.find("\r\n065536 10000h 00000000 "), std::string::npos);
}

}  // namespace
}  // namespace tamarack
