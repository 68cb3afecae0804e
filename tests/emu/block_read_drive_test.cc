// Reading blocks through the one reader on every path a reply can take: data that end in 5Ah
// bytes come whole (after a second read over A5h), a short transfer is short wherever the path
// leaves a trace of it, and the received count is exact.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/block_read.h"
#include "emu/drive_harness.h"
#include "emu/resid_modes.h"
#include "golden.h"
#include "temp_dir.h"
#include "util/strings.h"

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

// Each read on each path, in block_reads.txt: 2 blocks of the image whose data end in 5Ah come
// whole, the fill alone saying short so the same blocks are read again over A5h (the last byte
// the drive's own 5Ah); a transfer stopping half-way into block 4 is short where the path leaves
// a trace of it (the residual, two fills), not where the unsent half is zeros reported as sent;
// room for the largest block gives the exact count, or the whole buffer on a zeroing or padding
// path; a failed read ends with its check condition and no second read.
TEST(BlockRead, EveryPath) {
  const FillTailImage image;
  const struct {
    const char* name;
    std::string id;
    Cdb cdb;
    std::size_t buffer;
    std::uint32_t expected;
  } reads[] = {
      {"2 blocks", image.Id("speed=max"), ReadCdCdb(3, 2), 2 * kBlock, 2 * kBlock},
      {"2 blocks, short=4", image.Id("speed=max&short=4"), ReadCdCdb(3, 2), 2 * kBlock, 2 * kBlock},
      {"4 blocks into room for the largest", image.Id("speed=max"), ReadCdCdb(0, 4), 4 * kBlockRoom,
       0},
      {"type13 bad=10", "emu:type13?speed=max&bad=10", ReadCdCdb(8, 4), 4 * kBlock, 4 * kBlock}};
  const char* const ways[] = {"whole", "residual", "fill", "two fills"};
  std::string t;
  for (const auto& r : reads) {
    for (const std::string& mode : tamarack::testing::ResidModes()) {
      DriveHarness h(tamarack::testing::WithResid(r.id, mode));
      std::vector<std::uint8_t> buffer(r.buffer);
      const BlockReply b = ReadBlocks(h.session, r.cdb, buffer, r.expected);
      t += StrFormat(
          "%s resid=%s: %s, received %u by %s%s%s, last byte %02x\n", r.name, mode.c_str(),
          b.good()                                             ? "good"
          : b.outcome.status == CommandStatus::kCheckCondition ? "check condition"
                                                               : "other failure",
          b.received, ways[static_cast<int>(b.way)], b.second_read ? ", second read" : "",
          b.short_reply ? ", short" : "", buffer[b.received ? b.received - 1 : 0]);
    }
  }
  tamarack::testing::ExpectGoldenFile("block_reads.txt", t, "emu");
}

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
