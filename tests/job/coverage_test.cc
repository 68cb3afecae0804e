#include "job/coverage.h"

#include <gtest/gtest.h>

#include "golden.h"
#include "job/job_verdict.h"
#include "util/strings.h"

namespace tamarack {
namespace {

// Accounts built step by step, each step's state in tests/data/job/coverage.txt: what is not
// reached and not compared, whether the account is complete and a verdict holding it good, its
// closing text and its JSON members. Adjacent runs join; a block whose own EDC failed came with
// good status, yet is a failure of its own kind; the gap between two sessions is no block a
// drive reads: listed, never asked, never missing; a reason is named once for the runs that
// share it, and only the first eight.
TEST(CoverageTest, EachStepOfTheAccounts) {
  std::string t;
  JobVerdict v;
  Coverage* c = &v.coverage();
  const auto step = [&](const std::string& what) {
    t += "> " + what + "\n" +
         StrFormat("not reached %llu, not compared %llu, complete %d, good %d\n",
                   static_cast<unsigned long long>(c->not_reached()),
                   static_cast<unsigned long long>(c->not_compared()), c->complete(), v.good()) +
         "  " + c->Text() + "\n  " + c->JsonMembers() + "\n";
  };
  const auto next = [&](const std::string& what) {
    v = JobVerdict();
    c = &v.coverage();
    t += "\n## " + what + "\n";
  };
  step("nothing asked");
  c->Ask(3);
  step("3 asked");
  c->ReadWhole(3);
  step("3 read");

  next("checked run");
  c->Ask(100, /*check=*/true);
  c->ReadWhole(90);
  c->Compared(90);
  c->Failed(90, 4);
  c->Failed(94, 2);
  step("100 asked, 90 read and compared, 90-93 and 94-95 failed");
  c->Skipped(96, 4, SkipReason::kBeyondDisc);
  step("96-99 skipped beyond the disc");

  next("checked run");
  c->Ask(10, true);
  c->ReadWhole(10);
  c->Compared(7);
  step("10 asked and read, 7 compared");
  c->Compared(3);
  step("3 more compared");
  c->PassedOver(100, 50, SkipReason::kBetweenSessions);
  c->PassedOver(150, 10, SkipReason::kBetweenSessions);
  step("100-149 and 150-159 passed over between sessions");

  next("audio");
  c->Ask(5, true);
  c->CheckSkipped(20, 5, SkipReason::kNoBlockSize);
  step("5 asked, the check of 20-24 skipped: no block size");

  next("EDC");
  c->Ask(16, true);
  c->ReadWhole(12);
  c->Compared(12);
  c->EdcFailed(100, 3);
  c->EdcFailed(103, 1);
  step("16 asked, 12 read and compared, EDC failed at 100-102 and 103");

  next("skips");
  c->Ask(11);
  for (std::int64_t i = 0; i < 9; ++i) c->Skipped(i * 2, 1, SkipReason::kBeyondDisc);
  c->Skipped(100, 2, SkipReason::kNoBlockSize);
  step("11 asked, 9 single blocks beyond the disc and 2 without a block size skipped");
  testing::ExpectGoldenFile("coverage.txt", t, "job");
}

TEST(CoverageTest, ListedRunsAreBoundedButCountsAreNot) {
  Coverage c;
  for (std::int64_t i = 0; i < 1000; ++i) c.Failed(i * 2, 1);
  EXPECT_EQ(c.failed(), 1000u);
  EXPECT_EQ(c.failed_runs().size(), Coverage::kListedRuns);
}

}  // namespace
}  // namespace tamarack
