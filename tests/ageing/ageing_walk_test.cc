// The walk over the range: the address methods, the length rules and the loop modes, asked in
// the order the run asks them, against tests/data/ageing/walks.txt.
#include "ageing/ageing_walk.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "golden.h"

namespace tamarack {
namespace {

struct Command {
  std::int32_t lba;
  std::int32_t length;
};

// The run's order: the rule at k = 0, then per command the range check, the address, the
// length and the rule again; at most `limit` commands.
std::vector<Command> Walk(AgeingSettings s, std::size_t limit, int& counter,
                          std::uint32_t seed = 1) {
  AgeingRandom random(seed);
  AgeingWalk walk(s, random, counter);
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

AgeingSettings Range(std::int32_t start, std::int32_t end, std::int32_t step, LbaMethod method,
                     LoopMode loop) {
  AgeingSettings s;
  s.start_lba = start;
  s.end_lba = end;
  s.step = step;
  s.mode.set_method(static_cast<int>(method));
  s.mode.set_loop(static_cast<int>(loop));
  return s;
}

struct WalkCase {
  const char* name;
  std::int32_t start, end, step;
  LbaMethod method;
  LoopMode loop;
  std::size_t limit;
  std::function<void(AgeingSettings&)> more = nullptr;
  bool next_run = false;  // goes on with the previous walk's step counter
};

// Each walk's commands as LBA/length (the length left out where it is 1); a walk of more than
// 60 commands by its count only. Downwards the upper end is Start LBA; Step 0 becomes 1; a
// negative Loop Count gives the first command only; Transfer Length 0 sends no data.
TEST(AgeingWalk, EveryMethodLengthAndLoopMode) {
  const WalkCase cases[] = {
      {"step down, endless: wraps", 100, 0, 10, LbaMethod::kStep, LoopMode::kEndless, 13},
      {"step down, once", 100, 0, 10, LbaMethod::kStep, LoopMode::kOnce, 100},
      {"step up, once: stops before End", 0, 25, 10, LbaMethod::kStep, LoopMode::kOnce, 100},
      {"empty range", 7, 7, 1, LbaMethod::kStep, LoopMode::kEndless, 10},
      {"two-point, endless", 0, 5000, 1, LbaMethod::kTwoPoint, LoopMode::kEndless, 5},
      {"two-point, once", 0, 5000, 1, LbaMethod::kTwoPoint, LoopMode::kOnce, 10},
      {"two-point, 3 counted passes", 0, 5000, 1, LbaMethod::kTwoPoint, LoopMode::kCounted, 100,
       [](AgeingSettings& s) { s.loop_count = 3; }},
      {"random-and-step, 1 x (99 / 10 + 1) x 2", 0, 99, 10, LbaMethod::kRandomAndStep,
       LoopMode::kCounted, 1000, [](AgeingSettings& s) { s.loop_count = 1; }},
      {"random-and-step, step 0, 1 x (99 / 1 + 1) x 2", 0, 99, 0, LbaMethod::kRandomAndStep,
       LoopMode::kCountedSet, 1000, [](AgeingSettings& s) { s.loop_count = 1; }},
      {"random-and-step, loop count -5", 0, 99, 0, LbaMethod::kRandomAndStep, LoopMode::kCountedSet,
       1000, [](AgeingSettings& s) { s.loop_count = -5; }},
      {"length 16 cut at the upper end", 990, 1000, 10, LbaMethod::kStep, LoopMode::kOnce, 10,
       [](AgeingSettings& s) { s.transfer_length = 16; }},
      {"length 11 ending just past the upper end", 990, 1000, 10, LbaMethod::kStep, LoopMode::kOnce,
       10, [](AgeingSettings& s) { s.transfer_length = 11; }},
      {"length 16 cut at Start, downwards", 1000, 990, 5, LbaMethod::kStep, LoopMode::kOnce, 10,
       [](AgeingSettings& s) { s.transfer_length = 16; }},
      {"length 0, random", 1000, 990, 5, LbaMethod::kStep, LoopMode::kOnce, 10,
       [](AgeingSettings& s) {
         s.transfer_length = 0;
         s.random_length = true;
       }},
      // The 52nd command is random, the walk going on from it; the counter is program-wide,
      // so the next run's random address comes after 43 steps.
      {"random-and-step, first run", 1000, 100000, 1, LbaMethod::kRandomAndStep, LoopMode::kEndless,
       60},
      {"random-and-step, second run", 1000, 100000, 1, LbaMethod::kRandomAndStep,
       LoopMode::kEndless, 60, nullptr, true},
  };
  std::string t;
  int counter = 0;
  for (const WalkCase& c : cases) {
    if (!c.next_run) counter = 0;
    AgeingSettings s = Range(c.start, c.end, c.step, c.method, c.loop);
    if (c.more) c.more(s);
    const auto commands = Walk(s, c.limit, counter);
    t += std::string(c.name) + ": " + std::to_string(commands.size()) + " commands";
    for (std::size_t i = 0; i < commands.size() && commands.size() <= 60; ++i) {
      t += (i == 0 ? ":" : "") + (" " + std::to_string(commands[i].lba));
      if (commands[i].length != 1) t += "/" + std::to_string(commands[i].length);
    }
    t += "\n";
  }
  t += "random-and-step counter after both runs: " + std::to_string(counter) + "\n";
  testing::ExpectGoldenFile("walks.txt", t, "ageing");
}

// A range of 1024 blocks (a size that divides 65536) still gets spread addresses, the same
// seed the same ones; a random length of 8 is 1..8, 8 twice as often (a draw of 0 gives it too).
TEST(AgeingWalk, RandomAddressesAndLengths) {
  const AgeingSettings random = Range(0, 1023, 1, LbaMethod::kRandom, LoopMode::kEndless);
  int counter = 0;
  std::map<std::int32_t, int> seen;
  for (const Command& c : Walk(random, 2000, counter)) {
    EXPECT_GE(c.lba, 0);
    EXPECT_LE(c.lba, 1023);
    ++seen[c.lba];
  }
  EXPECT_GT(seen.size(), 800u);
  const auto lbas = [&](std::uint32_t seed) {
    std::vector<std::int32_t> out;
    for (const Command& c : Walk(random, 50, counter, seed)) out.push_back(c.lba);
    return out;
  };
  EXPECT_EQ(lbas(7), lbas(7));
  EXPECT_NE(lbas(7), lbas(8));

  AgeingSettings s = Range(0, 1000000, 1, LbaMethod::kStep, LoopMode::kEndless);
  s.transfer_length = 8;
  s.random_length = true;
  std::map<std::int32_t, int> counts;
  for (const Command& c : Walk(s, 90000, counter)) ++counts[c.length];
  ASSERT_EQ(counts.size(), 8u) << "lengths 1..8 only";
  EXPECT_EQ(counts.begin()->first, 1);
  for (std::int32_t n = 1; n <= 7; ++n) EXPECT_NEAR(counts[n], 10000, 600) << "length " << n;
  EXPECT_NEAR(counts[8], 20000, 900);
}

}  // namespace
}  // namespace tamarack
