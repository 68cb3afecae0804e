// Reading blocks through the one reader on every path a reply can take: data that end in 5Ah
// bytes come whole (after a second read over A5h), a short transfer is short wherever the path
// leaves a trace of it, and the received count is exact.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/block_read.h"
#include "emu/drive_harness.h"
#include "emu/resid_modes.h"
#include "temp_dir.h"

namespace tamarack::emu::testing {
namespace {

constexpr std::uint32_t kBlock = 2048;
constexpr std::uint32_t kTailFill = 300;  // bytes of 5Ah at the end of every block of the image

// An ISO image of 32 blocks whose user data end in 5Ah bytes, as a disc's data may.
class FillTailImage {
 public:
  FillTailImage() {
    std::vector<std::uint8_t> bytes(32 * kBlock);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = i % kBlock >= kBlock - kTailFill ? kReplyFill : static_cast<std::uint8_t>(i / 7);
    }
    dir_.Write("tail.iso", bytes);
  }
  std::string Id(const std::string& options) const {
    return "emu:" + dir_.File("tail.iso") + "?" + options;
  }

 private:
  tamarack::testing::TempDir dir_;
};

class BlockReadPaths : public tamarack::testing::ResidModeTest {};

TEST_P(BlockReadPaths, DataEndingInTheFillAreWhole) {
  const FillTailImage image;
  DriveHarness h(Id(image.Id("speed=max")));
  ASSERT_TRUE(h.opened);
  std::vector<std::uint8_t> buffer(2 * kBlock);
  const BlockReply r = ReadBlocks(h.session, ReadCdCdb(3, 2), buffer, 2 * kBlock);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.received, 2 * kBlock);
  // The fill alone said short: the same blocks were read again over A5h.
  EXPECT_TRUE(r.second_read);
  EXPECT_EQ(buffer[2 * kBlock - 1], kReplyFill);  // the drive's own 5Ah, kept
}

TEST_P(BlockReadPaths, AShortTransferIsShortWhereThePathShowsIt) {
  const FillTailImage image;
  DriveHarness h(Id(image.Id("speed=max&short=4")));
  std::vector<std::uint8_t> buffer(2 * kBlock);
  const BlockReply r = ReadBlocks(h.session, ReadCdCdb(3, 2), buffer, 2 * kBlock);
  EXPECT_TRUE(r.good());
  if (GetParam() == "zero" || GetParam() == "pad") {
    // The unsent half is zeros reported as sent: nothing tells it from data.
    EXPECT_FALSE(r.short_reply);
    EXPECT_EQ(r.received, 2 * kBlock);
    return;
  }
  EXPECT_TRUE(r.short_reply);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.received, kBlock + kBlock / 2);
  EXPECT_EQ(r.way, GetParam() == "exact" ? ReceivedWay::kResidual : ReceivedWay::kTwoFills);
}

TEST_P(BlockReadPaths, RoomForTheLargestBlockGivesTheExactCount) {
  const FillTailImage image;
  DriveHarness h(Id(image.Id("speed=max")));
  std::vector<std::uint8_t> buffer(4 * kBlockRoom);
  const BlockReply r = ReadBlocks(h.session, ReadCdCdb(0, 4), buffer, 0);
  EXPECT_TRUE(r.ok());
  if (GetParam() == "zero" || GetParam() == "pad") {
    EXPECT_EQ(r.way, ReceivedWay::kWhole);
    EXPECT_EQ(r.received, 4 * kBlockRoom);
  } else {
    EXPECT_EQ(r.received, 4 * kBlock);
  }
  EXPECT_EQ(r.second_read, GetParam() == "none");
}

TEST_P(BlockReadPaths, AFailedReadIsNoData) {
  DriveHarness h(Id("emu:type13?speed=max&bad=10"));
  std::vector<std::uint8_t> buffer(4 * kBlock);
  const BlockReply r = ReadBlocks(h.session, ReadCdCdb(8, 4), buffer, 4 * kBlock);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.outcome.status, CommandStatus::kCheckCondition);
  EXPECT_FALSE(r.second_read);
}

TAMARACK_ON_EVERY_RESID_MODE(BlockReadPaths);

TEST(ReceivedCount, FromTheResidualTheFillOrTwoFills) {
  std::vector<std::uint8_t> b(100, kReplyFill);
  for (int i = 0; i < 60; ++i) b[static_cast<std::size_t>(i)] = 1;
  ReceivedWay way{};
  bool fill_short = false;
  EXPECT_EQ(ReceivedFromFirstRead(b, 80, &way, &fill_short), 80u);  // a residual is believed
  EXPECT_EQ(way, ReceivedWay::kResidual);
  EXPECT_FALSE(fill_short);
  EXPECT_EQ(ReceivedFromFirstRead(b, 100, &way, &fill_short), 60u);
  EXPECT_EQ(way, ReceivedWay::kFill);
  EXPECT_TRUE(fill_short);
  // The second read: 70 bytes sent whose last ten were 5Ah; over A5h they show.
  std::vector<std::uint8_t> second(100, kSecondFill);
  for (int i = 0; i < 70; ++i) second[static_cast<std::size_t>(i)] = i < 60 ? 1 : kReplyFill;
  EXPECT_EQ(ReceivedFromTwoFills(60, second), 70u);
  // Sent bytes ending in A5h: the first read already saw them.
  EXPECT_EQ(ReceivedFromTwoFills(70, std::vector<std::uint8_t>(100, kSecondFill)), 70u);
  EXPECT_EQ(ReceivedFromTwoFills(0, std::vector<std::uint8_t>(100, kSecondFill)), 0u);
}

}  // namespace
}  // namespace tamarack::emu::testing
