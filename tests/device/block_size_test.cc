// Finding the bytes per block of a read from what the path left: the pure ways. The probe, the
// whole discovery against a drive and the findings' texts (block_sizes_found.txt) are in
// tests/emu.
#include "mmc/block_size.h"

#include <gtest/gtest.h>

#include <vector>

#include "device/device_session.h"  // MakeCdb

namespace tamarack {
namespace {

const Cdb kReadCdUser = MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 16, 0x10, 0});

// A reply as a 5Ah-filled buffer of `requested` bytes that got `sent` zero bytes.
std::vector<std::uint8_t> Filled(std::size_t requested, std::size_t sent) {
  std::vector<std::uint8_t> b(requested, kReplyFill);
  std::fill_n(b.begin(), sent, 0x00);
  return b;
}

// The sizes a read can return, by its command and selection (CD-DA 2352, Mode 1 2048, Mode 2
// formless 2336, form 1 2048, form 2 2328 bytes of user data).
TEST(CandidateBlockSizes, FollowTheCommandAndItsSelection) {
  using V = std::vector<std::uint32_t>;
  const struct {
    Cdb cdb;
    V sizes;
    const char* why;
  } cases[] = {
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 16, 0x10}), {2048, 2328, 2336, 2352}, "user data"},
      {MakeCdb({0xB9, 0, 0, 0, 2, 0, 0, 3, 0, 0x10}), {2048, 2328, 2336, 2352}, "MSF alike"},
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0xF8}), {2352}, "sync+headers+data+EDC: raw"},
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0xF8, 1}), {2448}, "raw + 96 sub-channel"},
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0xFA, 1}), {2742}, "+ 294 C2 pointers"},
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0xFC, 1}), {2744}, "+ C2, block error and pad"},
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x10, 2}), {2064, 2344, 2352, 2368}, "+ 16 Q"},
      // Header 4 bytes, XA sub-header 8 more (forms 1 and 2 only), audio none.
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x70}), {2052, 2060, 2340, 2352}, "headers"},
      {MakeCdb({0xBE, 0x14, 0, 0, 0, 0, 0, 0, 1, 0x10}), {2328}, "expected type form 2"},
      {MakeCdb({0x28, 0, 0, 0, 0, 0, 0, 0, 16}),
       {2048, 2056, 2324, 2332, 2336, 2340, 2352},
       "Read(10): the logical block lengths"},
      {MakeCdb({0xA8}), {2048, 2056, 2324, 2332, 2336, 2340, 2352}, "Read(12) alike"},
      {MakeCdb({0x00}), {}, "no read"},
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x11}), {}, "reserved bit 0 set: illegal"},
      {MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x00}), {}, "nothing selected"},
  };
  for (const auto& c : cases) EXPECT_EQ(CandidateBlockSizes(c.cdb), c.sizes) << c.why;
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
