// Finding the bytes per block of a read from what the path left: the pure ways. The probe, the
// whole discovery against a drive and the findings' texts (block_sizes_found.txt) are in
// tests/emu.
#include "mmc/block_size.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/device_session.h"  // MakeCdb
#include "golden.h"

namespace tamarack {
namespace {

const Cdb kReadCdUser = MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 16, 0x10, 0});

// A reply as a 5Ah-filled buffer of `requested` bytes that got `sent` zero bytes.
std::vector<std::uint8_t> Filled(std::size_t requested, std::size_t sent) {
  std::vector<std::uint8_t> b(requested, kReplyFill);
  std::fill_n(b.begin(), sent, 0x00);
  return b;
}

// The sizes a read can return, by its command and selection: candidate_block_sizes.txt.
TEST(CandidateBlockSizes, FollowTheCommandAndItsSelection) {
  testing::ExpectEachHexLine(
      "candidate_block_sizes.txt", "device", [](const std::vector<std::uint8_t>& bytes) {
        Cdb cdb{};
        std::copy_n(bytes.begin(), std::min(bytes.size(), cdb.size()), cdb.begin());
        std::string sizes;
        for (std::uint32_t size : CandidateBlockSizes(cdb)) sizes += " " + std::to_string(size);
        return sizes.empty() ? sizes : sizes.substr(1);
      });
}

// The size from where the fill begins, among the command's sizes (without any, a plausible
// size the blocks divide): data ending in 5Ah bytes count back in; a transfer that broke off
// inside its last block still shows it. None without a fill (a zeroed or padded tail, a full
// reply), with nothing sent, no blocks, whole blocks missing, a size the command cannot
// return, or a fill only beyond the requested bytes.
TEST(BlockSizeFromFill, TheEndOfTheDataGivesTheSize) {
  const auto user = CandidateBlockSizes(kReadCdUser);
  const std::uint32_t r = 16 * 2656;
  const struct {
    std::size_t size, sent, fill_in_data;  // the last `fill_in_data` bytes sent are 5Ah
    std::uint32_t requested, blocks;
    bool candidates;
    std::uint32_t size_found;
  } cases[] = {{r, 16 * 2048, 0, r, 16, true, 2048},
               {r, 16 * 2328, 0, r, 16, true, 2328},
               {r, 16 * 2352, 0, r, 16, true, 2352},
               {2656, 2336, 0, 2656, 1, true, 2336},
               {r, 16 * 2048, 3, r, 16, true, 2048},
               {2656, 2352, 5, 2656, 1, true, 2352},
               {r, 15 * 2048 + 1024, 0, r, 16, true, 2048},
               {r, r, 0, r, 16, true, 0},
               {r, 0, 0, r, 16, true, 0},
               {r, 2048, 0, r, 0, true, 0},
               {0, 0, 0, r, 16, true, 0},
               {r, 15 * 2048, 0, r, 16, true, 0},
               {r, 16 * 1000, 0, r, 16, true, 0},
               {4096, 2048, 0, 2048, 1, true, 0},
               {4096, 2 * 1000, 0, 4096, 2, false, 1000},
               {4096, 2001, 0, 4096, 2, false, 0},
               {8192, 2 * 2745, 0, 8192, 2, false, 0}};
  for (const auto& c : cases) {
    std::vector<std::uint8_t> reply = Filled(c.size, c.sent);
    std::fill_n(reply.begin() + static_cast<std::ptrdiff_t>(c.sent - c.fill_in_data),
                c.fill_in_data, kReplyFill);
    EXPECT_EQ(BlockSizeFromFill(reply, c.requested, c.blocks,
                                c.candidates ? user : std::vector<std::uint32_t>{}),
              c.size_found)
        << c.size << " " << c.sent << " " << c.requested << " " << c.blocks;
  }
}

TEST(BlockSizeFromResidual, OnlyAWholeNumberOfPlausibleBlocks) {
  const auto user = CandidateBlockSizes(kReadCdUser);
  // libata: the whole request; some adapters: a residual of everything.
  EXPECT_EQ(BlockSizeFromResidual(16 * 2656, 16 * 2656, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(0, 16 * 2656, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(16 * 2048 + 8, 16 * 2656, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(16 * 1024, 16 * 2656, 16, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(99999, 16 * 2656, 16, user), 0u);  // more than asked
  EXPECT_EQ(BlockSizeFromResidual(2048, 2656, 0, user), 0u);
  EXPECT_EQ(BlockSizeFromResidual(2 * 1000, 4096, 2, {}), 1000u);
}

}  // namespace
}  // namespace tamarack
