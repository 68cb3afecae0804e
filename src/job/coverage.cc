#include "job/coverage.h"

#include <string>

#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

// The words of a coverage line: the fixed English of the CLI and --json, or the window's
// language.
struct CoverageWords {
  const char* asked;
  const char* read;
  const char* compared;
  const char* failed;
  const char* edc_failed;
  const char* recovered;
  const char* skipped;
  const char* not_reached;
  const char* passed_over;
  std::string (*more)(std::size_t);  // "N more"
  const char* (*reason)(SkipReason);
};

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

// Each reason's words: the fixed English, and the window's text (looked up in the catalogue).
struct ReasonWords {
  SkipReason reason;
  const char* english;
  const char* local;
};
constexpr ReasonWords kReasonWords[] = {
    {SkipReason::kUnreadInReference, "unread in reference", TR_NOOP("参照ﾌｧｲﾙの未読")},
    {SkipReason::kBeyondDisc, "beyond disc", TR_NOOP("ﾃﾞｨｽｸの範囲外")},
    {SkipReason::kBeyondReference, "beyond reference", TR_NOOP("参照ﾌｧｲﾙの範囲外")},
    {SkipReason::kPartialReference, "partial reference block", TR_NOOP("参照ﾌｧｲﾙの不完全なﾌﾞﾛｯｸ")},
    {SkipReason::kNoBlockSize, "no block size", TR_NOOP("ﾌﾞﾛｯｸ長不明")},
    {SkipReason::kNotChecked, "not checked", TR_NOOP("ﾁｪｯｸ不可")},
    {SkipReason::kBetweenSessions, "between sessions", TR_NOOP("ｾｯｼｮﾝ間")},
};
constexpr ReasonWords kUnknownReason{SkipReason::kBeyondDisc, "skipped", TR_NOOP("ｽｷｯﾌﾟ")};

const ReasonWords& WordsOf(SkipReason reason) {
  for (const ReasonWords& w : kReasonWords) {
    if (w.reason == reason) return w;
  }
  return kUnknownReason;
}

const char* LocalReasonText(SkipReason reason) { return Tr(WordsOf(reason).local); }

constexpr CoverageWords kEnglishWords{
    "asked",       "read",
    "compared",    "failed",
    "EDC failed",  "recovered",
    "skipped",     "not reached",
    "passed over", [](std::size_t n) { return StrFormat("%zu more", n); },
    SkipReasonText};

CoverageWords LocalWords() {
  return {Tr("対象"),     Tr("読込"),
          Tr("比較"),     Tr("失敗"),
          Tr("EDC ｴﾗｰ"),  Tr("回復"),
          Tr("ｽｷｯﾌﾟ"),    Tr("未到達"),
          Tr("対象外"),   [](std::size_t n) { return StrFormat(Tr("他 %zu"), n); },
          LocalReasonText};
}

// " (beyond disc 96-99, ...)" of runs with reasons, the reason said once for runs that share
// it; at most kTextRuns runs, then how many more; nothing without runs.
std::string ReasonRunsText(const std::vector<SkippedBlocks>& runs, const CoverageWords& w) {
  if (runs.empty()) return {};
  constexpr std::size_t kTextRuns = 8;
  std::string t = " (";
  for (std::size_t i = 0; i < runs.size() && i < kTextRuns; ++i) {
    if (i != 0) t += ", ";
    if (i == 0 || runs[i].reason != runs[i - 1].reason) {
      t += w.reason(runs[i].reason);
      t += ' ';
    }
    t += RunText(runs[i].first, runs[i].count);
  }
  if (runs.size() > kTextRuns) t += ", " + w.more(runs.size() - kTextRuns);
  return t + ")";
}

// " (100-111, 150)" of runs without reasons, at most kTextRuns, then how many more.
std::string RunsText(const std::vector<FailedBlocks>& runs, const CoverageWords& w) {
  if (runs.empty()) return {};
  constexpr std::size_t kTextRuns = 8;
  std::string t = " (";
  for (std::size_t i = 0; i < runs.size() && i < kTextRuns; ++i) {
    if (i != 0) t += ", ";
    t += RunText(runs[i].first, runs[i].count);
  }
  if (runs.size() > kTextRuns) t += ", " + w.more(runs.size() - kTextRuns);
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

const char* SkipReasonText(SkipReason reason) { return WordsOf(reason).english; }

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

std::string Coverage::Text() const { return TextIn(kEnglishWords); }

std::string Coverage::LocalText() const { return TextIn(LocalWords()); }

std::string Coverage::TextIn(const CoverageWords& w) const {
  const auto count = [](const char* word, std::uint64_t n) {
    return std::string(word) + " " + std::to_string(n);
  };
  std::string t = count(w.asked, asked_) + ", " + count(w.read, read_whole_);
  if (check_asked_ != 0) t += ", " + count(w.compared, compared_);
  t += ", " + count(w.failed, failed_);
  if (edc_failed_ != 0)
    t += ", " + count(w.edc_failed, edc_failed_) + RunsText(edc_failed_runs_, w);
  if (recovered_ != 0) t += ", " + count(w.recovered, recovered_) + RunsText(recovered_runs_, w);
  t += ", " + count(w.skipped, skipped_ + check_skipped_) + ReasonRunsText(skipped_runs_, w);
  if (not_reached() != 0) t += ", " + count(w.not_reached, not_reached());
  if (passed_over_ != 0)
    t += ", " + count(w.passed_over, passed_over_) + ReasonRunsText(passed_over_runs_, w);
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
