#include "job/coverage.h"

#include <string>

#include "util/strings.h"

namespace tamarack {
namespace {

std::string RunText(std::int64_t first, std::uint64_t count) {
  if (count == 1) return std::to_string(first);
  return std::to_string(first) + "-" + std::to_string(first + static_cast<std::int64_t>(count) - 1);
}

// Appends a run, joined to the last one when it follows it with the same reason.
template <typename Run, typename Same>
void AddRun(std::vector<Run>& runs, Run run, Same same) {
  if (!runs.empty()) {
    Run& last = runs.back();
    if (same(last, run) && last.first + static_cast<std::int64_t>(last.count) == run.first) {
      last.count += run.count;
      return;
    }
  }
  if (runs.size() < Coverage::kListedRuns) runs.push_back(run);
}

// " (beyond disc 96-99, ...)" of runs with reasons; nothing without runs.
// " (beyond disc 96-99, ...)" of runs with reasons, the reason said once for runs that share
// it; at most kTextRuns runs, then how many more; nothing without runs.
std::string ReasonRunsText(const std::vector<SkippedBlocks>& runs) {
  if (runs.empty()) return {};
  constexpr std::size_t kTextRuns = 8;
  std::string t = " (";
  for (std::size_t i = 0; i < runs.size() && i < kTextRuns; ++i) {
    if (i != 0) t += ", ";
    if (i == 0 || runs[i].reason != runs[i - 1].reason) {
      t += SkipReasonText(runs[i].reason);
      t += ' ';
    }
    t += RunText(runs[i].first, runs[i].count);
  }
  if (runs.size() > kTextRuns) t += StrFormat(", %zu more", runs.size() - kTextRuns);
  return t + ")";
}

// " (100-111, 150)" of runs without reasons, at most kTextRuns, then how many more.
std::string RunsText(const std::vector<FailedBlocks>& runs) {
  if (runs.empty()) return {};
  constexpr std::size_t kTextRuns = 8;
  std::string t = " (";
  for (std::size_t i = 0; i < runs.size() && i < kTextRuns; ++i) {
    if (i != 0) t += ", ";
    t += RunText(runs[i].first, runs[i].count);
  }
  if (runs.size() > kTextRuns) t += StrFormat(", %zu more", runs.size() - kTextRuns);
  return t + ")";
}

std::string RunsJson(const std::vector<FailedBlocks>& runs) {
  std::string t = "[";
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (i != 0) t += ", ";
    t += "{\"first\": " + std::to_string(runs[i].first) +
         ", \"count\": " + std::to_string(runs[i].count) + "}";
  }
  return t + "]";
}

std::string ReasonRunsJson(const std::vector<SkippedBlocks>& runs) {
  std::string t = "[";
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (i != 0) t += ", ";
    t += "{\"first\": " + std::to_string(runs[i].first) +
         ", \"count\": " + std::to_string(runs[i].count) + ", \"reason\": \"" +
         SkipReasonText(runs[i].reason) + "\"}";
  }
  return t + "]";
}

}  // namespace

const char* SkipReasonText(SkipReason reason) {
  switch (reason) {
    case SkipReason::kUnreadInReference:
      return "unread in reference";
    case SkipReason::kBeyondDisc:
      return "beyond disc";
    case SkipReason::kBeyondReference:
      return "beyond reference";
    case SkipReason::kPartialReference:
      return "partial reference block";
    case SkipReason::kNoBlockSize:
      return "no block size";
    case SkipReason::kNotChecked:
      return "not checked";
    case SkipReason::kBetweenSessions:
      return "between sessions";
  }
  return "skipped";
}

void Coverage::Failed(std::int64_t first, std::uint64_t count) {
  if (count == 0) return;
  failed_ += count;
  AddRun(failed_runs_, FailedBlocks{first, count}, [](const auto&, const auto&) { return true; });
}

void Coverage::EdcFailed(std::int64_t first, std::uint64_t count) {
  if (count == 0) return;
  edc_failed_ += count;
  AddRun(edc_failed_runs_, FailedBlocks{first, count},
         [](const auto&, const auto&) { return true; });
}

void Coverage::Recovered(std::int64_t first, std::uint64_t count) {
  if (count == 0) return;
  recovered_ += count;
  AddRun(recovered_runs_, FailedBlocks{first, count},
         [](const auto&, const auto&) { return true; });
}

void Coverage::Skipped(std::int64_t first, std::uint64_t count, SkipReason reason) {
  if (count == 0) return;
  skipped_ += count;
  AddRun(skipped_runs_, SkippedBlocks{first, count, reason},
         [](const SkippedBlocks& a, const SkippedBlocks& b) { return a.reason == b.reason; });
}

void Coverage::CheckSkipped(std::int64_t first, std::uint64_t count, SkipReason reason) {
  if (count == 0) return;
  read_whole_ += count;
  check_skipped_ += count;
  AddRun(skipped_runs_, SkippedBlocks{first, count, reason},
         [](const SkippedBlocks& a, const SkippedBlocks& b) { return a.reason == b.reason; });
}

void Coverage::PassedOver(std::int64_t first, std::uint64_t count, SkipReason reason) {
  if (count == 0) return;
  passed_over_ += count;
  AddRun(passed_over_runs_, SkippedBlocks{first, count, reason},
         [](const SkippedBlocks& a, const SkippedBlocks& b) { return a.reason == b.reason; });
}

std::string Coverage::Text() const {
  std::string t = "asked " + std::to_string(asked_) + ", read " + std::to_string(read_whole_);
  if (check_asked_ != 0) t += ", compared " + std::to_string(compared_);
  t += ", failed " + std::to_string(failed_);
  if (edc_failed_ != 0)
    t += ", EDC failed " + std::to_string(edc_failed_) + RunsText(edc_failed_runs_);
  if (recovered_ != 0) t += ", recovered " + std::to_string(recovered_) + RunsText(recovered_runs_);
  t += ", skipped " + std::to_string(skipped_ + check_skipped_);
  t += ReasonRunsText(skipped_runs_);
  if (not_reached() != 0) t += ", not reached " + std::to_string(not_reached());
  if (passed_over_ != 0) {
    t += ", passed over " + std::to_string(passed_over_) + ReasonRunsText(passed_over_runs_);
  }
  return t;
}

std::string Coverage::JsonMembers() const {
  std::string t =
      "\"asked\": " + std::to_string(asked_) + ", \"read\": " + std::to_string(read_whole_) +
      ", \"compared\": " + std::to_string(compared_) + ", \"failed\": " + std::to_string(failed_) +
      ", \"skipped\": " + std::to_string(skipped_ + check_skipped_) +
      ", \"not_reached\": " + std::to_string(not_reached()) +
      ", \"failed_runs\": " + RunsJson(failed_runs_) +
      ", \"skipped_runs\": " + ReasonRunsJson(skipped_runs_);
  if (passed_over_ != 0) {
    t += ", \"passed_over\": " + std::to_string(passed_over_) +
         ", \"passed_over_runs\": " + ReasonRunsJson(passed_over_runs_);
  }
  if (edc_failed_ != 0) {
    t += ", \"edc_failed\": " + std::to_string(edc_failed_) +
         ", \"edc_failed_runs\": " + RunsJson(edc_failed_runs_);
  }
  if (recovered_ != 0) {
    t += ", \"recovered\": " + std::to_string(recovered_) +
         ", \"recovered_runs\": " + RunsJson(recovered_runs_);
  }
  return t;
}

}  // namespace tamarack
