#include "job/coverage.h"

#include <gtest/gtest.h>

#include <sstream>

#include "golden.h"
#include "job/job_verdict.h"
#include "util/strings.h"

namespace tamarack {
namespace {

// Accounts built step by step, each step a script of tests/data/job/coverage.txt ("new" starts
// another account; "ask N", "check N" (asked with a check), "read N", "compared N", "failed
// FIRST N", "edc FIRST N", and "skipped", "passed" (over) or "unchecked" FIRST N REASON) with
// the state after it: what is not reached and not compared, whether the account is complete
// and a verdict holding it good, its closing text and its JSON members. Adjacent runs join; a
// block whose own EDC failed came with good status, yet is a failure of its own kind; the gap
// between two sessions is no block a drive reads: listed, never asked, never missing; a reason
// is named once for the runs that share it, and only the first eight.
TEST(CoverageTest, EachStepOfTheAccounts) {
  std::string t;
  JobVerdict v;
  for (std::string_view step : testing::StepsOf("coverage", "job")) {
    std::istringstream actions{std::string(step)};
    for (std::string action; std::getline(actions, action, ',');) {
      std::istringstream in(action);
      std::string verb, reason_text;
      std::uint64_t first = 0, count = 0;
      in >> verb >> first >> count;
      std::getline(in >> std::ws, reason_text);
      auto reason = SkipReason::kUnreadInReference;
      while (reason_text != SkipReasonText(reason) && reason != SkipReason::kBetweenSessions)
        reason = static_cast<SkipReason>(static_cast<int>(reason) + 1);
      const auto at = static_cast<std::int64_t>(first);
      EXPECT_NE(std::string(" new ask check read compared failed edc skipped passed unchecked ")
                    .find(" " + verb + " "),
                std::string::npos)
          << action;
      Coverage& c = v.coverage();
      if (verb == "new") v = JobVerdict();
      if (verb == "ask" || verb == "check") c.Ask(first, verb == "check");
      if (verb == "read") c.ReadWhole(first);
      if (verb == "compared") c.Compared(first);
      if (verb == "failed") c.Failed(at, count);
      if (verb == "edc") c.EdcFailed(at, count);
      if (verb == "skipped") c.Skipped(at, count, reason);
      if (verb == "passed") c.PassedOver(at, count, reason);
      if (verb == "unchecked") c.CheckSkipped(at, count, reason);
    }
    const Coverage& c = v.coverage();
    t += "> " + std::string(step) + "\n" +
         StrFormat("not reached %llu, not compared %llu, complete %d, good %d\n",
                   static_cast<unsigned long long>(c.not_reached()),
                   static_cast<unsigned long long>(c.not_compared()), c.complete(), v.good()) +
         "  " + c.Text() + "\n  " + c.JsonMembers() + "\n";
  }
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
