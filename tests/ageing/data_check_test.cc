// The data check on buffers made by hand: the test sector checks, the block count check, a
// reference file too short or gone, and the dump lines of a block found NG. The reference
// offset, from the lower end of the range either way, and its messages are the
// reference_upwards and reference_downwards runs' (ageing_run_test.cc).
#include "ageing/data_check.h"

#include <gtest/gtest.h>

#include <cstring>
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
// off nothing is looked for. A reference file too short for the read marks the blocks it does
// not have; one that is gone is NG without a message. Last a failed check's dump lines (of a
// 52-byte block with one byte changed, with and without markers): the short line padded so
// that " |" keeps its column, the one marker under byte 33.
TEST(DataCheck, HandMadeBuffers) {
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

  testing::TempDir dir("tamarack-refcheck-");
  dir.Write("short.dat", std::vector<std::uint8_t>(2048 + 100, 0x11));
  Checker short_file(DataCheckType::kOther), gone(DataCheckType::kOther);
  short_file.s.end_lba = 100;
  short_file.s.data_file = dir.File("short.dat");
  gone.s.data_file = dir.File("gone.dat");
  b.assign(2 * 2656, 0x5A);
  std::fill_n(b.begin(), 4096, 0x11);
  t += Checked(short_file, Read(0, b, 4096, 2)) + Checked(gone, Read(0, b, 4096, 2));

  std::vector<std::uint8_t> block(52);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>('A' + i % 26);
  std::vector<std::uint8_t> reference = block;
  reference[33] = 0;
  t += BlockDumpLines(block, reference, true) + BlockDumpLines(block, reference, false);
  testing::ExpectGoldenFile("data_checks.txt", t, "ageing");
}

}  // namespace
}  // namespace tamarack
