#include "mmc/edc_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "emu/sector_encoder.h"

namespace tamarack {
namespace {

using emu::TrackMode;

// What the drive's bytes of one block are, and whether the host must take them for wrong.
struct BlockCase {
  std::string name;
  TrackMode mode;
  void (*spoil)(std::span<std::uint8_t> block);  // null: as encoded
  bool failed;
};

// Block i of a read at LBA 200, its user data bytes (i + 1) x 3 + offset.
std::vector<std::uint8_t> Encoded(TrackMode mode, std::int32_t lba) {
  std::vector<std::uint8_t> s(kEdcReadBlockBytes);
  const std::size_t at = emu::UserDataOffset(mode);
  for (std::size_t k = 0; k < kEdcUserBytes; ++k) {
    s[at + k] = static_cast<std::uint8_t>(static_cast<std::size_t>(lba + 1) * 3 + k);
  }
  emu::EncodeSector(mode, lba, {}, std::span<std::uint8_t, 2352>(s.data(), 2352));
  return s;
}

TEST(EdcReadTest, EachBlockIsCheckedAndItsUserDataMovedIntoPlace) {
  const std::vector<BlockCase> cases = {
      {"Mode 1", TrackMode::kMode1, nullptr, false},
      {"form 1", TrackMode::kMode2Form1, nullptr, false},
      {"one user data byte flipped", TrackMode::kMode1, [](auto b) { b[0x100] ^= 1; }, true},
      {"zeroed by the path (never sent)", TrackMode::kMode1,
       [](auto b) { std::fill(b.begin(), b.end(), 0); }, true},
      {"its second half zeroed (a transfer cut short)", TrackMode::kMode1,
       [](auto b) { std::fill(b.begin() + 1176, b.end(), 0); }, true},
      {"the header of another block", TrackMode::kMode1, [](auto b) { b[14] ^= 0x01; }, true},
      {"form 2: not a block of a 2048-byte track", TrackMode::kMode2Form2, nullptr, true},
  };
  // Every case as the middle block of three good ones around it, so that a case's failure and
  // the move of its neighbours' data are both seen.
  for (const BlockCase& c : cases) {
    SCOPED_TRACE(c.name);
    constexpr std::int64_t kLba = 200;
    std::vector<std::uint8_t> reply;
    for (std::int32_t i = 0; i < 3; ++i) {
      const auto lba = static_cast<std::int32_t>(kLba + i);
      std::vector<std::uint8_t> b = Encoded(i == 1 ? c.mode : TrackMode::kMode1, lba);
      if (i == 1 && c.spoil) c.spoil(b);
      reply.insert(reply.end(), b.begin(), b.end());
    }
    std::vector<bool> failed;
    EXPECT_EQ(VerifyAndCompact(reply, kLba, 3, &failed), c.failed ? 1u : 0u);
    EXPECT_EQ(failed, (std::vector<bool>{false, c.failed, false}));
    for (std::size_t i = 0; i < 3; ++i) {
      if (i == 1 && c.failed) continue;
      const TrackMode mode = i == 1 ? c.mode : TrackMode::kMode1;
      const std::vector<std::uint8_t> want =
          Encoded(mode, static_cast<std::int32_t>(kLba + static_cast<std::int64_t>(i)));
      const std::span<const std::uint8_t> user =
          std::span<const std::uint8_t>(want).subspan(emu::UserDataOffset(mode), kEdcUserBytes);
      const std::span<const std::uint8_t> moved =
          std::span<const std::uint8_t>(reply).subspan(i * kEdcUserBytes, kEdcUserBytes);
      EXPECT_TRUE(std::ranges::equal(user, moved)) << "block " << i;
    }
  }
}

TEST(EdcReadTest, RunsOfFlagsAreFoundWhole) {
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  ForEachFlaggedRun({true, true, false, true, false, false, true},
                    [&](std::size_t i, std::size_t n) { runs.emplace_back(i, n); });
  EXPECT_EQ(runs, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 2}, {3, 1}, {6, 1}}));
}

}  // namespace
}  // namespace tamarack
