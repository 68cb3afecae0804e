#include "job/coverage.h"

#include <gtest/gtest.h>

#include "job/job_verdict.h"

namespace tamarack {
namespace {

TEST(CoverageTest, CountsAddUpAndOnlyAWholeComparedRunIsComplete) {
  Coverage c;
  c.Ask(100, /*check=*/true);
  c.ReadWhole(90);
  c.Compared(90);
  c.Failed(90, 4);
  c.Failed(94, 2);  // joins the run before it
  EXPECT_EQ(c.not_reached(), 4u);
  EXPECT_FALSE(c.complete());
  c.Skipped(96, 4, SkipReason::kBeyondDisc);
  EXPECT_EQ(c.not_reached(), 0u);
  EXPECT_EQ(c.read_whole() + c.failed() + c.skipped(), c.asked());
  ASSERT_EQ(c.failed_runs().size(), 1u);
  EXPECT_EQ(c.failed_runs()[0].count, 6u);
  EXPECT_EQ(c.Text(), "asked 100, read 90, compared 90, failed 6, skipped 4 (beyond disc 96-99)");
  EXPECT_FALSE(c.complete());
}

TEST(CoverageTest, ReadButNotComparedIsNotComplete) {
  Coverage c;
  c.Ask(10, true);
  c.ReadWhole(10);
  c.Compared(7);
  EXPECT_EQ(c.not_compared(), 3u);
  EXPECT_FALSE(c.complete());
  c.Compared(3);
  EXPECT_TRUE(c.complete());

  Coverage audio;
  audio.Ask(5, true);
  audio.CheckSkipped(20, 5, SkipReason::kNoBlockSize);
  EXPECT_EQ(audio.read_whole(), 5u);
  EXPECT_EQ(audio.not_compared(), 5u);
  EXPECT_FALSE(audio.complete());
  EXPECT_EQ(audio.JsonMembers(),
            "\"asked\": 5, \"read\": 5, \"compared\": 0, \"failed\": 0, \"skipped\": 5, "
            "\"not_reached\": 0, \"failed_runs\": [], \"skipped_runs\": [{\"first\": 20, "
            "\"count\": 5, \"reason\": \"no block size\"}]");
}

TEST(CoverageTest, AVerdictWithBlocksLeftOutIsNotGood) {
  JobVerdict v;
  EXPECT_TRUE(v.good());  // a job that asked for no blocks
  v.coverage().Ask(3);
  EXPECT_FALSE(v.good());
  EXPECT_TRUE(v.incomplete());
  v.coverage().ReadWhole(3);
  EXPECT_TRUE(v.good());
}

// The gap between two sessions is no block a drive reads: listed, never asked, never missing.
TEST(CoverageTest, BlocksPassedOverAreListedAndLeaveItComplete) {
  Coverage c;
  c.Ask(10, true);
  c.ReadWhole(10);
  c.Compared(10);
  c.PassedOver(100, 50, SkipReason::kBetweenSessions);
  c.PassedOver(150, 10, SkipReason::kBetweenSessions);
  EXPECT_TRUE(c.complete());
  EXPECT_EQ(c.passed_over(), 60u);
  EXPECT_EQ(c.Text(),
            "asked 10, read 10, compared 10, failed 0, skipped 0, passed over 60 (between "
            "sessions 100-159)");
  EXPECT_EQ(c.JsonMembers(),
            "\"asked\": 10, \"read\": 10, \"compared\": 10, \"failed\": 0, \"skipped\": 0, "
            "\"not_reached\": 0, \"failed_runs\": [], \"skipped_runs\": [], \"passed_over\": 60, "
            "\"passed_over_runs\": [{\"first\": 100, \"count\": 60, \"reason\": \"between "
            "sessions\"}]");
}

// A block whose own EDC failed came with good status: neither read whole nor compared, a
// failure of its own kind that keeps the run from being complete and names its blocks.
TEST(CoverageTest, BlocksThatFailedTheirEdcAreTheirOwnFailure) {
  JobVerdict v;
  Coverage& c = v.coverage();
  c.Ask(16, true);
  c.ReadWhole(12);
  c.Compared(12);
  c.EdcFailed(100, 3);
  c.EdcFailed(103, 1);  // joins the run before it
  EXPECT_EQ(c.not_reached(), 0u);
  EXPECT_EQ(c.not_compared(), 0u);
  EXPECT_FALSE(c.complete());
  EXPECT_EQ(v.edc_failures(), 4u);
  EXPECT_FALSE(v.good());
  EXPECT_EQ(c.Text(),
            "asked 16, read 12, compared 12, failed 0, EDC failed 4 (100-103), skipped 0");
  EXPECT_EQ(c.JsonMembers(),
            "\"asked\": 16, \"read\": 12, \"compared\": 12, \"failed\": 0, \"skipped\": 0, "
            "\"not_reached\": 0, \"failed_runs\": [], \"skipped_runs\": [], \"edc_failed\": 4, "
            "\"edc_failed_runs\": [{\"first\": 100, \"count\": 4}]");
}

TEST(CoverageTest, ListedRunsAreBoundedButCountsAreNot) {
  Coverage c;
  for (std::int64_t i = 0; i < 1000; ++i) c.Failed(i * 2, 1);
  EXPECT_EQ(c.failed(), 1000u);
  EXPECT_EQ(c.failed_runs().size(), Coverage::kListedRuns);

  // The closing line names a reason once for the runs that share it, and only the first eight.
  Coverage s;
  s.Ask(11);
  for (std::int64_t i = 0; i < 9; ++i) s.Skipped(i * 2, 1, SkipReason::kBeyondDisc);
  s.Skipped(100, 2, SkipReason::kNoBlockSize);
  EXPECT_EQ(s.Text(),
            "asked 11, read 0, failed 0, skipped 11 (beyond disc 0, 2, 4, 6, 8, 10, 12, 14, "
            "2 more)");
}

}  // namespace
}  // namespace tamarack
