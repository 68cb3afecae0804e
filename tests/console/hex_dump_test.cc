#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "form/hex_dump.h"

namespace tamarack {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(DumpHex, TwentyBytesGroupedByFourPadTheLastLine) {
  std::string out;
  DumpHex(Bytes("ABCDEFGHIJKLMNOPQRST"), &out, false, 4);
  EXPECT_EQ(out,
            "000000 0000h 41424344 45464748 494a4b4c 4d4e4f50 :ABCDEFGHIJKLMNOP\r\n"
            "000016 0010h 51525354" +
                std::string(27, ' ') + " :QRST\r\n");
}

TEST(DumpHex, EveryGrouping) {
  std::vector<std::uint8_t> d(16);
  std::iota(d.begin(), d.end(), std::uint8_t{0x30});
  const std::string chars = " :0123456789:;<=>?\r\n";
  auto line = [&](int g) {
    std::string out;
    DumpHex(d, &out, true, g);
    return out;
  };
  EXPECT_EQ(line(128), "000000 0000h 303132333435363738393a3b3c3d3e3f" + chars);
  EXPECT_EQ(line(16), "000000 0000h 303132333435363738393a3b3c3d3e3f" + chars);
  EXPECT_EQ(line(8), "000000 0000h 3031323334353637 38393a3b3c3d3e3f" + chars);
  EXPECT_EQ(line(2), "000000 0000h 3031 3233 3435 3637 3839 3a3b 3c3d 3e3f" + chars);
  EXPECT_EQ(line(1), "000000 0000h 30 31 32 33 34 35 36 37 38 39 3a 3b 3c 3d 3e 3f" + chars);
  std::vector<std::uint8_t> three = {1, 2, 3};
  std::string out;
  DumpHex(three, &out, true, 1);
  EXPECT_EQ(out, "000000 0000h 01 02 03" + std::string(39, ' ') + " :   \r\n");
  EXPECT_EQ(GroupSize(0), 128);
  EXPECT_EQ(GroupSize(3), 4);
  EXPECT_EQ(GroupSize(5), 16);
  EXPECT_EQ(GroupSize(99), 4);
  EXPECT_STREQ(GroupingLabel(0), "まとめない");
  EXPECT_STREQ(GroupingLabel(4), "8 ﾊﾞｲﾄ毎");
  EXPECT_EQ(GroupingIndexOfSize(16), 5);
  EXPECT_EQ(GroupingIndexOfSize(0), 0);
  EXPECT_EQ(GroupingIndexOfSize(3), -1);
}

TEST(DumpHex, WithoutTheWholeFlagStopsAfter2656BytesWithItLongOffsetsGrow) {
  std::vector<std::uint8_t> d(3000, 0x5A);
  std::string out;
  DumpHex(d, &out, false, 4);
  const std::string omitted = "...The following are omitted. ...\r\n";
  ASSERT_GE(out.size(), omitted.size());
  EXPECT_EQ(out.substr(out.size() - omitted.size()), omitted);
  // 2656 bytes are exactly 166 lines.
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 167);
  EXPECT_NE(out.find("002640 0a50h "), std::string::npos);
  EXPECT_EQ(out.find("002656 0a60h "), std::string::npos);

  std::string whole;
  DumpHex(d, &whole, true, 4);
  EXPECT_EQ(std::count(whole.begin(), whole.end(), '\n'), 188);  // 187 full lines and one of 8
  EXPECT_EQ(whole.find("omitted"), std::string::npos);
  EXPECT_NE(whole.find("002992 0bb0h 5a5a5a5a 5a5a5a5a "), std::string::npos);

  std::string exact;
  DumpHex(std::vector<std::uint8_t>(2656, 0), &exact, false, 4);
  EXPECT_EQ(exact.find("omitted"), std::string::npos);
  std::string empty;
  DumpHex({}, &empty, false, 4);
  EXPECT_EQ(empty, "");
  // Offsets beyond four hex digits keep growing.
  std::string long_dump;
  DumpHex(std::vector<std::uint8_t>(0x10010, 0), &long_dump, true, 4);
  EXPECT_NE(long_dump.find("\r\n065536 10000h 00000000 "), std::string::npos);
}

TEST(DumpHex, CharacterColumnOfEveryByteClass) {
  // Control bytes, "`" shown as "~", DEL and the upper half blank but for the half-width
  // katakana (A1h ".", A6h-DFh as themselves, B0h "-").
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0x00, " "}, {0x1F, " "}, {0x20, " "}, {0x41, "A"}, {0x5F, "_"}, {0x60, "~"},
      {0x61, "a"}, {0x7E, "~"}, {0x7F, " "}, {0x80, " "}, {0xA0, " "}, {0xA1, "."},
      {0xA2, " "}, {0xA5, " "}, {0xA6, "ｦ"}, {0xAF, "ｯ"}, {0xB0, "-"}, {0xB1, "ｱ"},
      {0xBF, "ｿ"}, {0xC0, "ﾀ"}, {0xDF, "ﾟ"}, {0xE0, " "}, {0xFF, " "}};
  for (const auto& [byte, text] : cases) EXPECT_EQ(DumpCharacter(byte), text) << int{byte};
  std::string out;
  DumpHex(std::vector<std::uint8_t>{0xB6, 0xC0, 0xB6, 0xC5, 0x60}, &out, true, 4);
  EXPECT_NE(out.find(" :ｶﾀｶﾅ~\r\n"), std::string::npos);
}

TEST(ShowHexDump, TitleThenEveryByteAndTheHeader) {
  std::vector<std::uint8_t> d(3000, 0x41);
  const std::string text = ShowHexDumpText("----------------Data---------------------\r\n", d, 4);
  EXPECT_EQ(text.rfind("----------------Data---------------------\r\n000000 0000h ", 0), 0u);
  EXPECT_EQ(text.find("omitted"), std::string::npos);
  EXPECT_NE(text.find("002992 0bb0h "), std::string::npos);
  EXPECT_EQ(DumpColumnHeader(4), " Offset       00010203 04050607 08090a0b 0c0d0e0f");
  EXPECT_EQ(DumpColumnHeader(128), " Offset       000102030405060708090a0b0c0d0e0f");
  EXPECT_EQ(DumpColumnHeader(1), " Offset       00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f");
}

}  // namespace
}  // namespace tamarack
