#include "job/coverage.h"

#include <string>

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
  }
  return "skipped";
}

void Coverage::Failed(std::int64_t first, std::uint64_t count) {
  if (count == 0) return;
  failed_ += count;
  AddRun(failed_runs_, FailedBlocks{first, count}, [](const auto&, const auto&) { return true; });
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

std::string Coverage::Text() const {
  std::string t = "asked " + std::to_string(asked_) + ", read " + std::to_string(read_whole_);
  if (check_asked_ != 0) t += ", compared " + std::to_string(compared_);
  t += ", failed " + std::to_string(failed_);
  t += ", skipped " + std::to_string(skipped_ + check_skipped_);
  if (!skipped_runs_.empty()) {
    t += " (";
    for (std::size_t i = 0; i < skipped_runs_.size(); ++i) {
      if (i != 0) t += ", ";
      t += SkipReasonText(skipped_runs_[i].reason);
      t += ' ';
      t += RunText(skipped_runs_[i].first, skipped_runs_[i].count);
    }
    t += ")";
  }
  if (not_reached() != 0) t += ", not reached " + std::to_string(not_reached());
  return t;
}

std::string Coverage::JsonMembers() const {
  std::string t =
      "\"asked\": " + std::to_string(asked_) + ", \"read\": " + std::to_string(read_whole_) +
      ", \"compared\": " + std::to_string(compared_) + ", \"failed\": " + std::to_string(failed_) +
      ", \"skipped\": " + std::to_string(skipped_ + check_skipped_) +
      ", \"not_reached\": " + std::to_string(not_reached()) + ", \"failed_runs\": [";
  for (std::size_t i = 0; i < failed_runs_.size(); ++i) {
    if (i != 0) t += ", ";
    t += "{\"first\": " + std::to_string(failed_runs_[i].first) +
         ", \"count\": " + std::to_string(failed_runs_[i].count) + "}";
  }
  t += "], \"skipped_runs\": [";
  for (std::size_t i = 0; i < skipped_runs_.size(); ++i) {
    if (i != 0) t += ", ";
    t += "{\"first\": " + std::to_string(skipped_runs_[i].first) +
         ", \"count\": " + std::to_string(skipped_runs_[i].count) + ", \"reason\": \"" +
         SkipReasonText(skipped_runs_[i].reason) + "\"}";
  }
  t += "]";
  return t;
}

}  // namespace tamarack
