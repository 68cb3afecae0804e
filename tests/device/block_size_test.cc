// Finding the bytes per block of a read from what the path left: the pure ways. The probe, the
// whole discovery against a drive and the findings' texts (block_sizes_found.txt) are in
// tests/emu.
#include "mmc/block_size.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_session.h"  // MakeCdb
#include "golden.h"

namespace tamarack {
namespace {

const Cdb kReadCdUser = MakeCdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 16, 0x10, 0});

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

// A read's words: "sent N" and the like, and whether the sizes of kReadCdUser are given.
std::map<std::string, std::uint32_t> Words(const std::string& line, bool* user) {
  std::istringstream in(line);
  std::map<std::string, std::uint32_t> v;
  for (std::string name; in >> name;) {
    if (name != "user" && name != "any") in >> v[name];
    if (name == "user" || name == "any") *user = name == "user";
  }
  return v;
}

std::string Found(std::uint32_t size) { return size ? "size " + std::to_string(size) : "none"; }

// The size from where the fill begins, each read of block_size_from_fill.txt (a buffer of
// `size` bytes, `sent` of them zeros whose last `fill` are 5Ah; the sizes of a Read CD of user
// data or any size), among the command's sizes (without any, a plausible size the blocks
// divide): data ending in 5Ah bytes count back in; a transfer that broke off inside its last
// block still shows it. None without a fill (a zeroed or padded tail, a full reply), with
// nothing sent, no blocks, whole blocks missing, a size the command cannot return, or a fill
// only beyond the requested bytes.
TEST(BlockSizeFromFill, TheEndOfTheDataGivesTheSize) {
  testing::ExpectEachInput("block_size_from_fill.txt", "device", [](const std::string& line) {
    bool user = false;
    auto v = Words(line, &user);
    // A buffer of 5Ah bytes whose first `sent` the path wrote: zeroes, then the fill.
    std::vector<std::uint8_t> reply(v["size"], kReplyFill);
    std::fill_n(reply.begin(), v["sent"] - v["fill"], 0x00);
    return Found(
        BlockSizeFromFill(reply, v["requested"], v["blocks"],
                          user ? CandidateBlockSizes(kReadCdUser) : std::vector<std::uint32_t>{}));
  });
}

// Only a whole number of plausible blocks, each of block_size_from_residual.txt: not libata's
// whole request, some adapters' residual of everything, more than asked or no blocks.
TEST(BlockSizeFromResidual, OnlyAWholeNumberOfPlausibleBlocks) {
  testing::ExpectEachInput("block_size_from_residual.txt", "device", [](const std::string& line) {
    bool user = false;
    auto v = Words(line, &user);
    return Found(BlockSizeFromResidual(
        v["received"], v["requested"], v["blocks"],
        user ? CandidateBlockSizes(kReadCdUser) : std::vector<std::uint32_t>{}));
  });
}

}  // namespace
}  // namespace tamarack
