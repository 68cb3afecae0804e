// The walk over the range: the address methods, the length rules and the loop modes, asked in
// the order the run asks them.
#include "ageing/ageing_walk.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace tamarack {
namespace {

struct Command {
  std::int32_t lba;
  std::int32_t length;
  bool operator==(const Command&) const = default;
};

// The run's order: the rule at k = 0, then per command the range check, the address, the
// length and the rule again; at most `limit` commands.
std::vector<Command> Walk(AgeingSettings s, std::size_t limit, int* counter = nullptr,
                          std::uint32_t seed = 1) {
  AgeingRandom random(seed);
  int own = 0;
  AgeingWalk walk(s, random, counter ? *counter : own);
  std::vector<Command> out;
  std::int32_t current = s.start_lba;
  bool go_on = walk.Continue(current);
  while (go_on && out.size() < limit && walk.RangeUsable()) {
    current = walk.NextLba(current);
    out.push_back({current, walk.Length(current)});
    go_on = walk.Continue(current);
  }
  return out;
}

std::vector<std::int32_t> Lbas(const std::vector<Command>& commands) {
  std::vector<std::int32_t> out;
  for (const Command& c : commands) out.push_back(c.lba);
  return out;
}

AgeingSettings Range(std::int32_t start, std::int32_t end, LbaMethod method, LoopMode loop,
                     std::int32_t step = 1) {
  AgeingSettings s;
  s.start_lba = start;
  s.end_lba = end;
  s.step = step;
  s.mode.set_method(static_cast<int>(method));
  s.mode.set_loop(static_cast<int>(loop));
  return s;
}

TEST(AgeingWalk, StepDownwardsWrapsInTheEndlessModeAndEndsInTheOnceMode) {
  const auto endless = Walk(Range(100, 0, LbaMethod::kStep, LoopMode::kEndless, 10), 13);
  EXPECT_EQ(Lbas(endless),
            (std::vector<std::int32_t>{100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 0, 100, 90}));
  const auto once = Walk(Range(100, 0, LbaMethod::kStep, LoopMode::kOnce, 10), 100);
  EXPECT_EQ(Lbas(once).size(), 11u);
  EXPECT_EQ(once.back().lba, 0);
  // Upwards the once mode stops before passing End LBA; an empty range sends nothing.
  EXPECT_EQ(Lbas(Walk(Range(0, 25, LbaMethod::kStep, LoopMode::kOnce, 10), 100)),
            (std::vector<std::int32_t>{0, 10, 20}));
  EXPECT_TRUE(Walk(Range(7, 7, LbaMethod::kStep, LoopMode::kEndless), 10).empty());
}

TEST(AgeingWalk, TwoPointAlternates) {
  EXPECT_EQ(Lbas(Walk(Range(0, 5000, LbaMethod::kTwoPoint, LoopMode::kEndless), 5)),
            (std::vector<std::int32_t>{0, 5000, 0, 5000, 0}));
  EXPECT_EQ(Lbas(Walk(Range(0, 5000, LbaMethod::kTwoPoint, LoopMode::kOnce), 10)),
            (std::vector<std::int32_t>{0, 5000}));
  // Counted: a pass ends when the next step leaves the range.
  AgeingSettings counted = Range(0, 5000, LbaMethod::kTwoPoint, LoopMode::kCounted);
  counted.loop_count = 3;
  EXPECT_EQ(Walk(counted, 100).size(), 6u);
}

TEST(AgeingWalk, CountedRandomAndStepSendsExactlyItsBudget) {
  AgeingSettings s = Range(0, 99, LbaMethod::kRandomAndStep, LoopMode::kCounted, 10);
  s.loop_count = 1;
  EXPECT_EQ(Walk(s, 1000).size(), 20u) << "1 x (99 / 10 + 1) x 2";
  // Step 0 becomes 1 (and stays so in the settings): 1 x (99 / 1 + 1) x 2.
  s.step = 0;
  s.mode.set_loop(static_cast<int>(LoopMode::kCountedSet));
  EXPECT_EQ(Walk(s, 1000).size(), 200u);
  // A negative Loop Count gives no budget: the first command only, no endless run.
  s.loop_count = -5;
  EXPECT_EQ(Walk(s, 1000).size(), 1u);
}

TEST(AgeingWalk, RandomAndStepTakesOneRandomAddressAfter51StepsAcrossRuns) {
  AgeingSettings s = Range(1000, 100000, LbaMethod::kRandomAndStep, LoopMode::kEndless, 1);
  int counter = 0;
  const auto first = Walk(s, 60, &counter);
  for (int i = 0; i < 51; ++i) EXPECT_EQ(first[static_cast<std::size_t>(i)].lba, 1000 + i);
  EXPECT_NE(first[51].lba, 1051) << "the 52nd command is random";
  EXPECT_EQ(first[52].lba, first[51].lba + 1) << "the walk goes on from the random address";
  EXPECT_EQ(counter, 8);
  // The counter is program-wide: the next run goes on counting, so its random address comes
  // after 43 steps.
  const auto second = Walk(s, 60, &counter);
  for (int i = 0; i < 43; ++i) EXPECT_EQ(second[static_cast<std::size_t>(i)].lba, 1000 + i);
  EXPECT_NE(second[43].lba, 1043);
}

TEST(AgeingWalk, RandomAddressesCoverRangesOfEverySize) {
  // A range of 1024 blocks (a size that divides 65536) still gets spread addresses.
  const AgeingSettings random = Range(0, 1023, LbaMethod::kRandom, LoopMode::kEndless);
  const auto commands = Walk(random, 2000);
  std::map<std::int32_t, int> seen;
  for (const Command& c : commands) {
    EXPECT_GE(c.lba, 0);
    EXPECT_LE(c.lba, 1023);
    ++seen[c.lba];
  }
  EXPECT_GT(seen.size(), 800u);
  // The same seed replays the same addresses; another seed does not.
  EXPECT_EQ(Walk(random, 50, nullptr, 7), Walk(random, 50, nullptr, 7));
  EXPECT_NE(Walk(random, 50, nullptr, 7), Walk(random, 50, nullptr, 8));
}

TEST(AgeingWalk, LengthIsCutAtTheUpperEnd) {
  AgeingSettings s = Range(990, 1000, LbaMethod::kStep, LoopMode::kOnce, 10);
  s.transfer_length = 16;
  EXPECT_EQ(Walk(s, 10), (std::vector<Command>{{990, 10}, {1000, 1}}));
  // Downwards the upper end is Start LBA.
  s = Range(1000, 990, LbaMethod::kStep, LoopMode::kOnce, 5);
  s.transfer_length = 16;
  EXPECT_EQ(Walk(s, 10), (std::vector<Command>{{1000, 1}, {995, 5}, {990, 10}}));
  // Transfer Length 0 sends commands without data.
  s.transfer_length = 0;
  s.random_length = true;
  for (const Command& c : Walk(s, 10)) EXPECT_EQ(c.length, 0);
}

TEST(AgeingWalk, RandomLengthFavoursTheFullLength) {
  AgeingSettings s = Range(0, 1000000, LbaMethod::kStep, LoopMode::kEndless, 1);
  s.transfer_length = 8;
  s.random_length = true;
  std::map<std::int32_t, int> counts;
  for (const Command& c : Walk(s, 90000)) ++counts[c.length];
  ASSERT_EQ(counts.size(), 8u) << "lengths 1..8 only";
  EXPECT_EQ(counts.begin()->first, 1);
  for (std::int32_t n = 1; n <= 7; ++n) {
    EXPECT_NEAR(counts[n], 10000, 600) << "length " << n;
  }
  EXPECT_NEAR(counts[8], 20000, 900) << "a draw of 0 also gives the full length";
}

}  // namespace
}  // namespace tamarack
