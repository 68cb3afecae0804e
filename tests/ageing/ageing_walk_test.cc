// The walk over the range: the address methods, the length rules and the loop modes, asked in
// the order the run asks them, against tests/data/ageing/walks.txt.
#include "ageing/ageing_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
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

// Each walk of tests/data/ageing/walks.txt ("NAME | START END STEP METHOD LOOP LIMIT", then
// count=N, length=N, "random" for a random length, "next" to go on with the previous walk's
// step counter) as its step counter and commands, LBA/length (the length left out where it is
// 1); a walk of more than 60 commands by its count only. Downwards the upper end is Start LBA;
// Step 0 becomes 1; a negative Loop Count gives the first command only; Transfer Length 0 sends
// no data. The 52nd command of random-and-step is random, the walk going on from it; the counter
// is program-wide, so the next run's random address comes after 43 steps.
TEST(AgeingWalk, EveryMethodLengthAndLoopMode) {
  const std::vector<std::string> methods = {"two-point", "step", "random", "random-and-step"};
  const std::vector<std::string> loops = {"once", "endless", "counted", "counted-set"};
  int counter = 0;
  testing::ExpectEachInput("walks.txt", "ageing", [&](const std::string& line) {
    std::istringstream in(line.substr(line.find(" | ") + 3));
    std::int32_t start = 0, end = 0, step = 0;
    std::string method, loop;
    std::size_t limit = 0;
    in >> start >> end >> step >> method >> loop >> limit;
    AgeingSettings s =
        Range(start, end, step,
              static_cast<LbaMethod>(std::ranges::find(methods, method) - methods.begin()),
              static_cast<LoopMode>(std::ranges::find(loops, loop) - loops.begin()));
    bool next = false;
    for (std::string w; in >> w;) {
      if (w.starts_with("count=")) s.loop_count = std::stoi(w.substr(6));
      if (w.starts_with("length=")) s.transfer_length = std::stoi(w.substr(7));
      s.random_length |= w == "random";
      next |= w == "next";
    }
    if (!next) counter = 0;
    const auto commands = Walk(s, limit, counter);
    std::string t = std::to_string(commands.size()) + " commands";
    for (std::size_t i = 0; i < commands.size() && commands.size() <= 60; ++i) {
      t += (i == 0 ? ":" : "") + (" " + std::to_string(commands[i].lba));
      if (commands[i].length != 1) t += "/" + std::to_string(commands[i].length);
    }
    return t + ", counter " + std::to_string(counter);
  });
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
