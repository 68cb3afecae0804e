#include "job/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <limits>
#include <memory>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/sense_table.h"
#include "job/scripted_job_host.h"

namespace tamarack {
namespace {

using testing::ScriptedJobHost;

// A job that holds its worker until the test lets it go, then polls the state like a real job
// between "commands" (each a simulated second).
class GatedJob : public Job {
 public:
  explicit GatedJob(int commands = 3, RunState interrupt_state = RunState::kInterrupted)
      : commands_(commands), interrupt_state_(interrupt_state) {}

  void Run(JobContext& ctx) override {
    entered.set_value();
    gate_.get_future().wait();
    for (int i = 0; i < commands_ && !ctx.stop_requested(); ++i) {
      ctx.host().Progress({static_cast<std::uint64_t>(i + 1), static_cast<std::uint64_t>(commands_),
                           std::uint32_t(i), 0});
      ctx.clock().Sleep(std::chrono::seconds(1));
      if (i == data_error_at) ctx.StopOnDataError();
      ++ran;
    }
    state_seen = ctx.state();
  }
  RunState InterruptState() const override { return interrupt_state_; }

  void Release() { gate_.set_value(); }

  std::promise<void> entered;
  std::atomic<int> ran{0};
  std::atomic<RunState> state_seen{RunState::kIdle};
  int data_error_at = -1;

 private:
  int commands_;
  RunState interrupt_state_;
  std::promise<void> gate_;
};

class JobRunnerTest : public ::testing::Test {
 protected:
  DeviceSession session{nullptr, BuiltInSenseTable()};
  SimulatedClock clock;
  JobRunner runner{session, clock};
  ScriptedJobHost host;
};

// How a run ends, reported once: at its end, by a cancel before the next command, by an
// interruption into the state the job asks for, by a data error. Then the runner is idle.
TEST_F(JobRunnerTest, EndsByItsEndACancelAnInterruptionOrADataError) {
  EXPECT_FALSE(runner.Interrupt(InterruptReason::kClose));  // nothing runs: allowed
  enum class Act { kNone, kCancel, kInterrupt };
  using enum RunState;
  const struct {
    Act act;
    RunState interrupt_state;
    int data_error_at, ran;
    RunState ended;
  } cases[] = {{Act::kNone, kInterrupted, -1, 3, kIdle},
               {Act::kCancel, kInterrupted, -1, 0, kCancelRequested},
               {Act::kInterrupt, kInterrupted, -1, 0, kInterrupted},
               {Act::kInterrupt, kCancelRequested, -1, 0, kCancelRequested},
               {Act::kNone, kInterrupted, 1, 2, kDataError}};
  for (const auto& c : cases) {
    ScriptedJobHost h;
    auto job = std::make_shared<GatedJob>(3, c.interrupt_state);
    job->data_error_at = c.data_error_at;
    ASSERT_EQ(runner.Start(job, h), StartResult::kStarted);
    job->entered.get_future().wait();
    EXPECT_TRUE(runner.running());
    if (c.act == Act::kCancel) runner.RequestCancel();
    if (c.act == Act::kInterrupt) {
      EXPECT_TRUE(runner.Interrupt(InterruptReason::kEject));
    }
    EXPECT_EQ(runner.state(), c.act == Act::kNone ? kRunning : c.ended);
    job->Release();
    runner.Wait();
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(runner.state(), kIdle);
    EXPECT_EQ(job->ran, c.ran);
    EXPECT_EQ(job->state_seen, c.ended == kIdle ? kRunning : c.ended);
    EXPECT_EQ(h.finished, std::vector<RunState>{c.ended});
    EXPECT_EQ(h.progress.size(), static_cast<std::size_t>(c.ran));
  }
  runner.RequestCancel();  // while idle: changes nothing
  EXPECT_EQ(runner.state(), kIdle);
  // Five simulated seconds (three and two commands) passed without waiting for them.
  EXPECT_EQ(clock.Now(), std::chrono::seconds(5));
}

// One job at a time: a second start is refused and touches nothing. A command sent from
// another tab while a run is active cancels the run, then runs itself.
TEST_F(JobRunnerTest, OneJobAtATimeButACommandFromAnotherTabCancelsTheRunThenRuns) {
  auto run = std::make_shared<GatedJob>(100);
  auto command = std::make_shared<GatedJob>(1);
  auto extra = std::make_shared<GatedJob>(1);
  ScriptedJobHost command_host, extra_host;
  runner.Start(run, host);
  run->entered.get_future().wait();
  EXPECT_EQ(runner.Start(extra, extra_host), StartResult::kBusy);
  EXPECT_EQ(runner.state(), RunState::kRunning);
  EXPECT_EQ(runner.Start(command, command_host, StartPolicy::kCancelRunning), StartResult::kQueued);
  EXPECT_EQ(runner.state(), RunState::kCancelRequested);
  // Only one job waits behind the running one.
  EXPECT_EQ(runner.Start(extra, extra_host, StartPolicy::kCancelRunning), StartResult::kBusy);
  run->Release();
  command->entered.get_future().wait();
  EXPECT_TRUE(runner.running());
  EXPECT_EQ(runner.state(), RunState::kRunning);  // the queued job starts with a fresh state
  command->Release();
  runner.Wait();
  EXPECT_EQ(run->ran, 0);
  EXPECT_EQ(host.finished, std::vector<RunState>{RunState::kCancelRequested});
  EXPECT_EQ(command->ran, 1);
  EXPECT_EQ(command_host.finished, std::vector<RunState>{RunState::kIdle});
  EXPECT_TRUE(extra_host.finished.empty());
}

// A window reacts to Finished on its own thread and may start the next job at once.
TEST_F(JobRunnerTest, NextJobCanStartAsSoonAsFinishedIsReported) {
  for (int i = 0; i < 20; ++i) {
    ScriptedJobHost h;
    auto job = std::make_shared<GatedJob>(1);
    job->Release();
    ASSERT_EQ(runner.Start(job, h), StartResult::kStarted) << i;
    h.WaitFinished();
  }
  runner.Wait();
  EXPECT_FALSE(runner.running());
}

TEST_F(JobRunnerTest, StartFromTheWorkerItselfIsRefused) {
  struct SelfStarter : Job {
    JobRunner* runner = nullptr;
    JobHost* host = nullptr;
    StartResult result = StartResult::kStarted;
    void Run(JobContext&) override { result = runner->Start(std::make_shared<GatedJob>(), *host); }
  };
  auto job = std::make_shared<SelfStarter>();
  job->runner = &runner;
  job->host = &host;
  runner.Start(job, host);
  runner.Wait();
  EXPECT_EQ(job->result, StartResult::kBusy);
  EXPECT_EQ(host.finished.size(), 1u);
}

TEST_F(JobRunnerTest, DestructorInterruptsAndWaits) {
  // Endless: only the destructor's interruption can end it.
  auto job = std::make_shared<GatedJob>(std::numeric_limits<int>::max());
  {
    JobRunner own{session, clock};
    own.Start(job, host);
    job->entered.get_future().wait();
    job->Release();
  }
  EXPECT_EQ(host.finished, std::vector<RunState>{RunState::kInterrupted});
}

TEST(JobHostDefaults, UnansweredQuestionsStopTheJob) {
  JobHost plain;
  EXPECT_EQ(plain.Ask({QuestionKind::kOkCancel, "?"}), Answer::kNo);
  EXPECT_EQ(plain.Ask({QuestionKind::kContinueSkipStop, "?"}), Answer::kStop);
  EXPECT_EQ(plain.Ask({QuestionKind::kRetryCancel, "?"}), Answer::kStop);
}

}  // namespace
}  // namespace tamarack
