// The data check on buffers made by hand: the test sector checks, the block count check, the
// reference file's offsets, and the dump lines of a block found NG.
#include "ageing/data_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <vector>

#include "ageing/ageing_log.h"
#include "emu/test_sector.h"
#include "golden.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

constexpr const char* kStamp = " 01/02/2026:03:04:05";

struct Checker {
  explicit Checker(DataCheckType type) {
    s.data_check = true;
    s.data_check_type = type;
  }
  AgeingSettings s;
  AgeingDataCheck check{s, [] { return std::string(kStamp); }};
};

// `blocks` test sectors from `lba` in a 5Ah-filled buffer of blocks x 2656 bytes.
std::vector<std::uint8_t> Sectors(std::int32_t lba, std::int32_t blocks) {
  std::vector<std::uint8_t> b(static_cast<std::size_t>(blocks) * 2656, 0x5A);
  for (std::int32_t i = 0; i < blocks; ++i) {
    emu::FillTestSector(
        lba + i, std::span<std::uint8_t>(b).subspan(static_cast<std::size_t>(i) * 2048, 2048));
  }
  return b;
}

// A read of `blocks` blocks of `size` bytes of which the drive sent `transferred`.
CheckedRead Read(std::int32_t lba, const std::vector<std::uint8_t>& buffer,
                 std::uint32_t transferred, std::int32_t blocks, std::uint32_t size = 2048) {
  return {lba, std::span<const std::uint8_t>(buffer).first(transferred), blocks, size};
}

void Write(std::vector<std::uint8_t>& b, std::size_t at, const char* text) {
  std::memcpy(b.data() + at, text, std::strlen(text));
}

void Reseal(std::vector<std::uint8_t>& b, std::size_t sector) {
  const auto s = std::span<std::uint8_t>(b).subspan(sector * 2048, 2048);
  const std::uint16_t sum = emu::TestSectorChecksum(s);
  s[2046] = static_cast<std::uint8_t>(sum & 0xFF);
  s[2047] = static_cast<std::uint8_t>(sum >> 8);
}

// A check as text: OK or NG, the message, the marked blocks among the first four.
std::string Checked(Checker& c, const CheckedRead& read) {
  std::string t = c.check.Check(read) ? "OK" : "NG";
  t += " \"" + c.check.message() + "\" marked";
  for (std::size_t block = 0; block < 4; ++block) {
    if (c.check.marked(block)) t += " " + std::to_string(block);
  }
  return t + "\n";
}

// Checks of hand-made buffers, in tests/data/ageing/data_checks.txt. Good sectors name the
// first block; letters in the address text matter to Type3.0 only (no message for them);
// address and checksum failures name the first bad block and mark each, the next check
// starting clean; the block count is checked against the bytes sent, and with the data check
// off nothing is looked for.
TEST(TestSectorCheck, HandMadeBuffers) {
  std::string t;
  Checker type30(DataCheckType::kType30), type13(DataCheckType::kType13);
  auto b = Sectors(0, 3);
  t += Checked(type30, Read(0, b, 3 * 2048, 3));
  b = Sectors(4500, 1);  // 01m02s00f
  Write(b, 13, "01x02y00z");
  Reseal(b, 0);
  Checker letters13(DataCheckType::kType13), letters30(DataCheckType::kType30);
  t += Checked(letters13, Read(4500, b, 2048, 1)) + Checked(letters30, Read(4500, b, 2048, 1));
  b = Sectors(0, 3);
  Write(b, 2048 + 13, "00m02s01f");  // block 1 (LBA 1) claims frame 1: right
  Write(b, 13, "00m02s01f");         // block 0 (LBA 0) claims frame 1: one too far
  Reseal(b, 0);
  b[2 * 2048 + 100] ^= 0xFF;  // block 2: checksum
  t += Checked(type13, Read(0, b, 3 * 2048, 3));
  const auto good = Sectors(7, 1);
  b = Sectors(7, 1);
  b[500] ^= 1;
  t += Checked(type13, Read(7, b, 2048, 1)) + Checked(type13, Read(7, good, 2048, 1));
  b = Sectors(10, 3);
  t += Checked(type13, Read(10, b, 4096, 3));
  Checker off(DataCheckType::kType13);
  off.s.data_check = false;
  t += Checked(off, Read(10, b, 4096, 3));
  testing::ExpectGoldenFile("data_checks.txt", t, "ageing");
}

// The reference offset, from the lower end of the range either way, and its messages are the
// reference_upwards and reference_downwards runs' (ageing_run_test.cc).
TEST(ReferenceCheck, AShortOrMissingFileIsNg) {
  testing::TempDir dir("tamarack-refcheck-");
  dir.Write("short.dat", std::vector<std::uint8_t>(2048 + 100, 0x11));
  Checker c(DataCheckType::kOther);
  c.s.end_lba = 100;
  c.s.data_file = dir.File("short.dat");
  std::vector<std::uint8_t> b(2 * 2656, 0x5A);
  std::fill_n(b.begin(), 4096, 0x11);
  EXPECT_FALSE(c.check.Check(Read(0, b, 4096, 2)));
  EXPECT_TRUE(c.check.marked(1)) << "the bytes the file does not have";
  EXPECT_FALSE(c.check.marked(0));
  EXPECT_EQ(c.check.message(), std::string("Data Check NG! lba:00000001(00000001h)") + kStamp);
  Checker gone(DataCheckType::kOther);
  gone.s.data_file = dir.File("gone.dat");
  EXPECT_FALSE(gone.check.Check(Read(0, b, 4096, 2)));
  EXPECT_EQ(gone.check.message(), "");
}

// A failed check's dump lines keep their columns however long the block.
TEST(AgeingLogFile, DumpLinesKeepTheirColumns) {
  std::vector<std::uint8_t> block(52);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>('A' + i % 26);
  std::vector<std::uint8_t> reference = block;
  reference[33] = 0;
  const std::string lines = BlockDumpLines(block, reference, true);
  std::istringstream in(lines);
  std::string full, part, marks, more;
  std::getline(in, full);
  std::getline(in, part);
  std::getline(in, marks);
  EXPECT_FALSE(std::getline(in, more)) << lines;
  // A 20-byte line is padded so that " |" stands where it stands on a full line.
  EXPECT_EQ(full.find(" |"), 80u) << lines;
  EXPECT_EQ(part.find(" |"), 80u) << lines;
  EXPECT_EQ(part.substr(0, 9), "00000020 ");
  // The only marker stands under byte 33, the second of the short line.
  EXPECT_EQ(marks.substr(0, 13), "^^^^^^^^   ^^");
  EXPECT_EQ(marks.find('^', 13), std::string::npos);
  EXPECT_EQ(BlockDumpLines(block, reference, false).find('^'), std::string::npos);
}

}  // namespace
}  // namespace tamarack
