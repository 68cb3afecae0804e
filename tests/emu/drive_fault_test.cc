// The fault plan of a virtual drive, observed through SendScsiCommand and the status texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "emu/drive_harness.h"
#include "emu/fault_plan.h"
#include "emu/sub_q.h"

namespace tamarack::emu::testing {
namespace {

std::vector<bool> FlakyPattern(const std::string& id) {
  DriveHarness h(id);
  std::vector<bool> failed;
  std::vector<std::uint8_t> buffer(2048);
  for (std::uint32_t lba = 100; lba < 300; ++lba) {
    failed.push_back(
        !SendScsiCommand(h.session, Read10Command(lba, 1), buffer, false, nullptr, false));
  }
  return failed;
}

TEST(VirtualDriveFaults, FlakyBlocksAreRepeatablePerSeed) {
  const auto a = FlakyPattern("emu:type13?speed=max&flaky=100-199:0.5&seed=7");
  const auto b = FlakyPattern("emu:type13?speed=max&flaky=100-199:0.5&seed=7");
  const auto c = FlakyPattern("emu:type13?speed=max&flaky=100-199:0.5&seed=8");
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  const auto failures = std::count(a.begin(), a.begin() + 100, true);
  EXPECT_GT(failures, 25);
  EXPECT_LT(failures, 75);
  EXPECT_EQ(std::count(a.begin() + 100, a.end(), true), 0);  // outside the range
  const auto always = FlakyPattern("emu:type13?speed=max&flaky=150:1");
  EXPECT_TRUE(always[50]);
  EXPECT_EQ(std::count(always.begin(), always.end(), true), 1);
}

TEST(VirtualDriveFaults, CorruptedBytesAndTheirC2Bits) {
  DriveHarness h("emu:type13?speed=max&corrupt=300");
  const auto disc = MakeType13Disc();
  const RawSector clean = ReadRaw(*disc, 300);
  Reply r = h.In({0x28, 0, 0, 0, 0x01, 0x2C, 0, 0, 1}, 2048);
  ASSERT_TRUE(r.good());  // the data comes back, wrong, with good status
  for (std::size_t i = 0; i < 2048; ++i) {
    const bool flipped = i + 16 == kCorruptedByteOffset;
    EXPECT_EQ(r.data[i], flipped ? (clean.main[16 + i] ^ 0xFF) : clean.main[16 + i]) << i;
  }
  // Read CD with C2 error pointers (byte 9 = FAh): the bit of that byte is set, no other.
  r = h.In({0xBE, 0, 0, 0, 0x01, 0x2C, 0, 0, 1, 0xFA}, 2352 + 294);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.data[kCorruptedByteOffset], clean.main[kCorruptedByteOffset] ^ 0xFF);
  for (std::size_t i = 0; i < 294; ++i) {
    EXPECT_EQ(r.data[2352 + i], i == kCorruptedByteOffset / 8 ? 0x80 : 0x00) << i;
  }
  r = h.In({0xBE, 0, 0, 0, 0x01, 0x2D, 0, 0, 1, 0xFA}, 2352 + 294);
  for (std::size_t i = 0; i < 294; ++i) EXPECT_EQ(r.data[2352 + i], 0x00);
}

TEST(VirtualDriveFaults, SpoiltQCrcInEverySubChannelForm) {
  DriveHarness h("emu:audio?speed=max&qcrc=1000-1001");
  for (std::uint32_t lba : {999u, 1000u, 1001u, 1002u}) {
    const bool spoilt = lba == 1000 || lba == 1001;
    const auto l = static_cast<std::uint8_t>(lba >> 8), b = static_cast<std::uint8_t>(lba);
    const Reply q = h.In({0xBE, 0, 0, 0, l, b, 0, 0, 1, 0x10, 2}, 2352 + 16);
    ASSERT_TRUE(q.good());
    EXPECT_EQ(SubQCrcOk(std::span(q.data).subspan(2352, 12)), !spoilt) << lba;
    const Reply raw = h.In({0xBE, 0, 0, 0, l, b, 0, 0, 1, 0x00, 1}, 96);
    ASSERT_TRUE(raw.good());
    SubQ record{};
    for (std::size_t i = 0; i < 96; ++i) {
      if (raw.data[i] & 0x40) record[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    }
    EXPECT_EQ(SubQCrcOk(record), !spoilt) << lba;
    // Both forms carry the same record.
    EXPECT_TRUE(std::equal(record.begin(), record.end(), q.data.begin() + 2352)) << lba;
  }
}

TEST(VirtualDriveFaults, SlowCommandsTimeOutAfterTheTimeOut) {
  DriveHarness h("emu:type13?speed=max&slow=28");
  h.session.command_timeout = 9;
  const auto before = h.clock.Now();
  const Reply r = h.In({0x28, 0, 0, 0, 0, 0, 0, 0, 1}, 2048);
  EXPECT_EQ(r.result.status, TransportStatus::kTimedOut);
  EXPECT_EQ(r.status_line, "Error Notified(The command timed out)");
  EXPECT_EQ(h.clock.Now() - before, std::chrono::seconds(9));
  EXPECT_TRUE(h.NoData({0x00}).good());
}

TEST(VirtualDriveFaults, ACommandOutlastingItsTimeOutByTheModel) {
  // 1000 blocks at x1 take over 13 seconds: past the 7-second time-out.
  DriveHarness h("emu:type13?speed=clv1");
  const auto before = h.clock.Now();
  const Reply r = h.In({0x28, 0, 0, 0, 0, 0, 0, 0x03, 0xE8}, 1000 * 2048);
  EXPECT_EQ(r.result.status, TransportStatus::kTimedOut);
  EXPECT_EQ(h.clock.Now() - before, std::chrono::seconds(7));
}

}  // namespace
}  // namespace tamarack::emu::testing
