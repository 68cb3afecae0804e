// The run state word every long job shares with the window: one atomic integer, written by the
// window (cancel, interruption) and by the worker (data error, end), read by the worker between
// commands.
#pragma once

#include <atomic>

namespace tamarack {

// The values are those of the ageing run's state word; every job uses the same word.
enum class RunState : int {
  kIdle = 0,
  kRunning = 1,
  kCancelRequested = 2,  // the user pressed Cancel (or a command came from another tab)
  kInterrupted = 3,  // the window is closing, the tray is to be ejected, a dialog wants the drive
  kDataError = 4,    // a data check failed with "stop on data error" set
};

// True when the job should stop after its current command.
constexpr bool StopRequested(RunState s) { return static_cast<int>(s) >= 2; }

// Thread-safe: every access is one atomic operation.
class RunStateWord {
 public:
  RunState Get() const { return state_.load(); }
  void Set(RunState s) { state_.store(s); }
  // Changes the state only when it is `from`; true when it did.
  bool Change(RunState from, RunState to) { return state_.compare_exchange_strong(from, to); }

 private:
  std::atomic<RunState> state_{RunState::kIdle};
};

}  // namespace tamarack
