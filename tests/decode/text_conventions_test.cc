#include "decode/text_conventions.h"

#include <gtest/gtest.h>

namespace tamarack {
namespace {

TEST(FormatBits, OnOffForOneBitDigitsAndBForWiderFields) {
  EXPECT_EQ(FormatBits(1, 1), "On");
  EXPECT_EQ(FormatBits(2, 1), "Off") << "only the low bit counts";
  EXPECT_EQ(FormatBits(5, 3), "101b");
  EXPECT_EQ(FormatBits(0, 2), "00b");
  EXPECT_EQ(FormatBits(0xA5, 8), "10100101b");
  EXPECT_EQ(FormatBits(0x1FF, 8), "11111111b");
}

TEST(LookupDescription, KnownValuesAndUndefine) {
  EXPECT_EQ(LookupDescription(kPeripheralDeviceTypeTable, 0x11), "Object-based Storage device");
  EXPECT_EQ(LookupDescription(kPeripheralDeviceTypeTable, 0x0A), "Undefine");  // a gap
  EXPECT_EQ(LookupDescription(7, 0x00), "Undefine");                           // no such table
}

TEST(Readers, BigEndianAndTheTwentyEightBitReader) {
  const std::uint8_t b[] = {0xF1, 0x23, 0x45, 0x67};
  EXPECT_EQ(ReadBe16(b, 0), 0xF123u);
  EXPECT_EQ(ReadBe24(b, 1), 0x234567u);
  EXPECT_EQ(ReadBe32(b, 0), 0xF1234567u);
  EXPECT_EQ(ReadBe28(b, 0), 0x01234567u);
  EXPECT_EQ(ReadBe32(b, 2), 0x45670000u) << "bytes past the end read as zero";
}

}  // namespace
}  // namespace tamarack
