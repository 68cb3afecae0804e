#include "cli/job_terminal.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/sense_table.h"

namespace tamarack::cli {
namespace {

using std::chrono::microseconds;
using std::chrono::seconds;

TEST(ProgressLine, ShowsWhatIsKnown) {
  JobProgress p;
  p.done = 250;
  p.total = 1000;
  p.address = 4711;
  p.bytes_per_second = 75.0 * 2048 * 8;  // x8
  EXPECT_EQ(FormatProgressLine(p, seconds(30), "blocks"),
            "250/1000 blocks  25.0%  LBA 4711  1.23 MB/s (x8.0)  0:30 elapsed  1:30 left");
  // An endless run: no total, no remaining time; nothing measured yet.
  JobProgress endless;
  endless.done = 12;
  EXPECT_EQ(FormatProgressLine(endless, seconds(3725), "commands"), "12 commands  1:02:05 elapsed");
  // Nothing done yet: no remaining time (no division by zero).
  JobProgress start;
  start.total = 10;
  EXPECT_EQ(FormatProgressLine(start, microseconds(0), "blocks"),
            "0/10 blocks  0.0%  0:00 elapsed");
}

// Asks one question of each kind, then counts until cancelled.
class AskingJob : public Job {
 public:
  void Run(JobContext& ctx) override {
    for (QuestionKind k : {QuestionKind::kOkCancel, QuestionKind::kContinueSkipStop,
                           QuestionKind::kContinueSkipStop, QuestionKind::kRetryCancel}) {
      answers.push_back(ctx.host().Ask({k, "Go on?"}));
    }
    ctx.host().Show(JobText::kResultLine, "line one");
    ctx.host().Show(JobText::kCounters, "not for the terminal");
    if (raise_interrupt) {
      while (!ctx.stop_requested()) {
        ++commands;
        ctx.host().Progress({static_cast<std::uint64_t>(commands), 0, std::nullopt, 0});
        if (commands == 3) std::raise(SIGINT);
        ctx.clock().Sleep(std::chrono::milliseconds(20));
      }
    }
  }
  std::vector<Answer> answers;
  bool raise_interrupt = false;
  int commands = 0;
};

struct TerminalRun {
  DeviceSession session{nullptr, BuiltInSenseTable()};
  SimulatedClock clock;
  JobRunner runner{session, clock};
  std::ostringstream out, err;
  std::istringstream in;
  // The asking job's answers on a host reading `in` (when `input`), on a terminal or not.
  std::vector<Answer> Answers(bool input, bool terminal, AnswerPolicy policy) {
    TerminalJobHost host(out, err, input ? &in : nullptr, terminal, policy, clock);
    auto job = std::make_shared<AskingJob>();
    RunJobFromTerminal(runner, job, host);
    return job->answers;
  }
};

// The prompt's answers (an unknown one stops), --yes's, and a prompt without a terminal (a
// script, a pipe), which must not hang: the job is stopped.
TEST(TerminalJobHost, AnswersFromThePromptTheFlagOrStops) {
  TerminalRun prompt;
  prompt.in.str("y\ns\nnonsense\nr\n");
  EXPECT_EQ(prompt.Answers(true, true, AnswerPolicy::kPrompt),
            (std::vector<Answer>{Answer::kYes, Answer::kSkip, Answer::kStop, Answer::kRetry}));
  EXPECT_NE(prompt.err.str().find("[c]ontinue, [s]kip further questions, [q]uit: "),
            std::string::npos);
  EXPECT_EQ(prompt.out.str(), "line one\n");
  EXPECT_EQ(
      TerminalRun().Answers(false, false, AnswerPolicy::kYes),
      (std::vector<Answer>{Answer::kYes, Answer::kContinue, Answer::kContinue, Answer::kRetry}));
  TerminalRun script;
  EXPECT_EQ(script.Answers(true, false, AnswerPolicy::kPrompt),
            (std::vector<Answer>{Answer::kNo, Answer::kStop, Answer::kStop, Answer::kStop}));
  EXPECT_NE(script.err.str().find("no terminal to ask"), std::string::npos);
}

TEST(TerminalJobHost, CtrlCIsTheJobsOwnCancel) {
  TerminalRun r;
  TerminalJobHost host(r.out, r.err, nullptr, false, AnswerPolicy::kYes, r.clock);
  auto job = std::make_shared<AskingJob>();
  job->raise_interrupt = true;
  const RunState ended = RunJobFromTerminal(r.runner, job, host);
  EXPECT_EQ(ended, RunState::kCancelRequested);
  EXPECT_GE(job->commands, 3);
  EXPECT_NE(r.err.str().find("cancelling after the current command"), std::string::npos);
  // The handler is gone again: the process's own SIGINT handling is back.
  void (*now)(int) = std::signal(SIGINT, SIG_DFL);
  EXPECT_EQ(now, SIG_DFL);
}

}  // namespace
}  // namespace tamarack::cli
