#include "job/job_runner.h"

#include <utility>

#include "util/thread_priority.h"

namespace tamarack {

JobRunner::JobRunner(DeviceSession& session, Clock& clock) : session_(session), clock_(clock) {}

JobRunner::~JobRunner() {
  Interrupt(InterruptReason::kClose);
  Wait();
}

StartResult JobRunner::Start(std::shared_ptr<Job> job, JobHost& host, StartPolicy policy) {
  std::thread previous;
  {
    std::lock_guard lock(mutex_);
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
      return StartResult::kBusy;  // from the worker itself: it cannot wait for itself
    }
    if (running_) {
      if (policy == StartPolicy::kRefuseWhileRunning || queued_.job) return StartResult::kBusy;
      queued_ = Entry{std::move(job), &host};
      state_.Change(RunState::kRunning, RunState::kCancelRequested, CancelCause::kOtherCommand);
      return StartResult::kQueued;
    }
    running_ = true;
    state_.Set(RunState::kRunning);
    previous = std::move(thread_);
  }
  // The previous worker may still be inside its last Finished call: let it leave first.
  if (previous.joinable()) previous.join();
  std::lock_guard lock(mutex_);
  thread_ = std::thread(&JobRunner::WorkerLoop, this, Entry{std::move(job), &host});
  return StartResult::kStarted;
}

void JobRunner::WorkerLoop(Entry entry) {
  bool lowered = false;
  while (entry.job) {
    if (entry.job->LowPriority() && !lowered) {
      LowerThisThreadPriority();
      lowered = true;
    }
    {
      std::lock_guard lock(mutex_);
      current_ = entry;
    }
    JobContext context(session_, *entry.host, clock_, state_);
    entry.job->Run(context);
    RunState ended_by = state_.Get();
    if (ended_by == RunState::kRunning) ended_by = RunState::kIdle;
    Entry next;
    {
      std::lock_guard lock(mutex_);
      current_ = Entry{};
      next = std::exchange(queued_, Entry{});
      if (next.job) {
        state_.Set(RunState::kRunning);
      } else {
        // Idle before Finished, so that a window reacting to Finished can start the next job.
        state_.Set(RunState::kIdle);
        running_ = false;
        idle_.notify_all();
      }
    }
    entry.host->Finished(ended_by);
    entry = std::move(next);
  }
}

bool JobRunner::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

std::shared_ptr<Job> JobRunner::current() const {
  std::lock_guard lock(mutex_);
  return current_.job;
}

void JobRunner::RequestCancel(CancelCause cause) {
  state_.Change(RunState::kRunning, RunState::kCancelRequested, cause);
}

bool JobRunner::Interrupt(InterruptReason reason) {
  std::lock_guard lock(mutex_);
  if (!running_) return false;
  const RunState to = current_.job ? current_.job->InterruptState() : RunState::kInterrupted;
  state_.Change(RunState::kRunning, to, CauseOf(reason));
  return true;
}

void JobRunner::Wait() {
  std::thread worker;
  {
    std::unique_lock lock(mutex_);
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) return;
    idle_.wait(lock, [this] { return !running_; });
    worker = std::move(thread_);
  }
  // Joined outside the lock: the worker may still be in its last Finished call.
  if (worker.joinable()) worker.join();
}

}  // namespace tamarack
