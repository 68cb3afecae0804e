// The run state word every long job shares with the window: one atomic integer, written by the
// window (cancel, interruption) and by the worker (data error, end), read by the worker between
// commands.
#pragma once

#include <atomic>
#include <string>

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

// What asked a running job to stop. It travels with the state, so that every way of stopping a
// job ends in the same texts as the Cancel button, naming its cause.
enum class CancelCause : int {
  kNone = 0,
  kCancel,        // the Cancel button (or Ctrl-C in a terminal)
  kOtherCommand,  // a command from another tab
  kClose,         // the window is closing
  kEject,         // the tray is to be ejected
  kDialog,        // a dialog needs the drive
  kSaveOrLoad,    // a file is saved or opened
  kTabChange,     // the job's tab was left
};

// "window closed", "tab changed", ...; "" for kNone.
const char* CancelCauseText(CancelCause cause);
// What the closing texts of a stopped job add after their own "Canceled" words: "" for the
// Cancel button (its texts stay as they are) and for none, else " [window closed]" and so on.
std::string CancelCauseSuffix(CancelCause cause);

// Thread-safe: the state and its stop cause are one atomic word, so a worker that sees the
// stop sees its cause.
class RunStateWord {
 public:
  RunState Get() const { return static_cast<RunState>(word_.load() & 0xFF); }
  // Why the state left kRunning for a stop; kNone while running or after Set.
  CancelCause cause() const { return static_cast<CancelCause>(word_.load() >> 8); }
  void Set(RunState s) { word_.store(Pack(s, CancelCause::kNone)); }
  // Changes the state only when it is `from`; true when it did. A cause other than kNone
  // replaces the recorded one.
  bool Change(RunState from, RunState to, CancelCause cause = CancelCause::kNone) {
    int current = word_.load();
    while ((current & 0xFF) == static_cast<int>(from)) {
      const CancelCause kept =
          cause == CancelCause::kNone ? static_cast<CancelCause>(current >> 8) : cause;
      if (word_.compare_exchange_weak(current, Pack(to, kept))) return true;
    }
    return false;
  }

 private:
  static int Pack(RunState s, CancelCause c) {
    return static_cast<int>(s) | (static_cast<int>(c) << 8);
  }
  std::atomic<int> word_{0};
};

}  // namespace tamarack
