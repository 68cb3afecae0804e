// Finding the bytes per block of a read from what the path left: the pure ways and their
// texts. The probe and the whole discovery against a drive are in tests/emu.
#include "device/block_size.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "device/device_session.h"  // MakeCdb
#include "golden.h"

namespace tamarack {
namespace {

const Cdb kReadCdUser = MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 16, 0x10, 0});

// A reply as a 5Ah-filled buffer of `requested` bytes that got `sent` bytes of `data_byte`.
std::vector<std::uint8_t> Filled(std::size_t requested, std::size_t sent,
                                 std::uint8_t data_byte = 0x00) {
  std::vector<std::uint8_t> b(requested, kReplyFill);
  std::fill_n(b.begin(), sent, data_byte);
  return b;
}

// The sizes a read can return by its command and selection, for each CDB of
// candidate_block_sizes.txt: Read CD and Read CD MSF by the same selection bytes; raw blocks
// with sub-channel, C2 pointers (294) or with the block error byte and its pad (296);
// headers of 4 bytes and 8 more of sub-header on XA blocks, none on audio; an expected sector
// type narrows the choice to its own size; Read(10) and Read(12) alike; none for other
// commands and illegal selections.
TEST(CandidateBlockSizes, FollowTheCommandAndItsSelection) {
  const std::string golden = testing::ReadGoldenFile("candidate_block_sizes.txt", "device");
  std::istringstream lines(golden);
  std::string t;
  for (std::string line; std::getline(lines, line);) {
    const std::string cdb = line.substr(0, line.find(':'));
    std::istringstream bytes(cdb);
    Cdb c{};
    for (unsigned b, i = 0; i < c.size() && bytes >> std::hex >> b; ++i) {
      c[i] = static_cast<std::uint8_t>(b);
    }
    t += cdb + ":";
    for (std::uint32_t size : CandidateBlockSizes(c)) t += " " + std::to_string(size);
    t += "\n";
  }
  testing::ExpectGoldenFile("candidate_block_sizes.txt", t, "device");
}

TEST(BlockSizeFromFill, TheEndOfTheDataGivesTheSize) {
  const auto user = CandidateBlockSizes(kReadCdUser);
  const std::uint32_t request = 16 * 2656;
  EXPECT_EQ(BlockSizeFromFill(Filled(request, 16 * 2048), request, 16, user), 2048u);
  EXPECT_EQ(BlockSizeFromFill(Filled(request, 16 * 2328), request, 16, user), 2328u);
  EXPECT_EQ(BlockSizeFromFill(Filled(request, 16 * 2352), request, 16, user), 2352u);
  EXPECT_EQ(BlockSizeFromFill(Filled(2656, 2336), 2656, 1, user), 2336u);
  // Genuine data ending in 5Ah bytes counts them back in, rather than coming out short.
  auto tail = Filled(request, 16 * 2048);
  std::fill_n(tail.begin() + 16 * 2048 - 3, 3, kReplyFill);
  EXPECT_EQ(BlockSizeFromFill(tail, request, 16, user), 2048u);
  tail = Filled(2656, 2352);
  std::fill_n(tail.begin() + 2352 - 5, 5, kReplyFill);
  EXPECT_EQ(BlockSizeFromFill(tail, 2656, 1, user), 2352u);
  // A transfer that broke off inside its last block still shows the size.
  EXPECT_EQ(BlockSizeFromFill(Filled(request, 15 * 2048 + 1024), request, 16, user), 2048u);
}

TEST(BlockSizeFromFill, NoFillNoAnswer) {
  const auto user = CandidateBlockSizes(kReadCdUser);
  const std::uint32_t request = 16 * 2656;
  // A zeroed or padded tail, or a buffer the reply filled: no fill is left.
  EXPECT_EQ(BlockSizeFromFill(Filled(request, request), request, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromFill(std::vector<std::uint8_t>(request, 0), request, 16, user), 0u);
  // Nothing sent, no blocks, no buffer.
  EXPECT_EQ(BlockSizeFromFill(Filled(request, 0), request, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromFill(Filled(request, 2048), request, 0, user), 0u);
  EXPECT_EQ(BlockSizeFromFill({}, request, 16, user), 0u);
  // Whole blocks missing: the reply is short by more than its last block.
  EXPECT_EQ(BlockSizeFromFill(Filled(request, 15 * 2048), request, 16, user), 0u);
  // A size the command cannot return.
  EXPECT_EQ(BlockSizeFromFill(Filled(request, 16 * 1000), request, 16, user), 0u);
  // Only the requested bytes count: a fill beyond them is not the reply's.
  EXPECT_EQ(BlockSizeFromFill(Filled(4096, 2048), 2048, 1, user), 0u);
}

TEST(BlockSizeFromFill, WithoutCandidatesTheBlocksMustDivide) {
  EXPECT_EQ(BlockSizeFromFill(Filled(4096, 2 * 1000), 4096, 2, {}), 1000u);
  EXPECT_EQ(BlockSizeFromFill(Filled(4096, 2001), 4096, 2, {}), 0u);
  EXPECT_EQ(BlockSizeFromFill(Filled(8192, 2 * 2745), 8192, 2, {}), 0u);  // too large a block
}

TEST(BlockSizeFromResidual, OnlyAWholeNumberOfPlausibleBlocks) {
  const auto user = CandidateBlockSizes(kReadCdUser);
  EXPECT_EQ(BlockSizeFromResidual(16 * 2352, 16 * 2656, 16, user), 2352u);
  EXPECT_EQ(BlockSizeFromResidual(16 * 2048, 16 * 2656, 16, user), 2048u);
  // libata: the whole request; some adapters: a residual of everything.
  EXPECT_EQ(BlockSizeFromResidual(16 * 2656, 16 * 2656, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(0, 16 * 2656, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(16 * 2048 + 8, 16 * 2656, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(16 * 1024, 16 * 2656, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(99999, 16 * 2656, 16, user), 0u);  // more than asked
  EXPECT_EQ(BlockSizeFromResidual(2048, 2656, 0, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(2 * 1000, 4096, 2, {}), 1000u);
}

TEST(BlockSizeFinding, TextsForTheStatusLine) {
  EXPECT_EQ((BlockSizeFinding{2048, BlockSizeWay::kFill, 0}).Text(),
            "block size 2048 (from the reply's fill)");
  EXPECT_EQ((BlockSizeFinding{2352, BlockSizeWay::kResidual, 0}).Text(),
            "block size 2352 (from the transferred count)");
  EXPECT_EQ((BlockSizeFinding{2328, BlockSizeWay::kSectorType, kSectorTypeMode2Form2}).Text(),
            "block size 2328 (from the sector type Mode 2 form 2)");
  EXPECT_EQ(BlockSizeFinding{}.Text(), "block size not found");
}

}  // namespace
}  // namespace tamarack
