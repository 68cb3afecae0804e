// The disc indicator: a poll of the selected drive on a second handle, and the schedule that
// decides when to poll next and when a newly seen disc re-runs drive selection.
#pragma once

#include "device/device_session.h"

namespace tamarack {

enum class DiscState {
  kNoDisc = 0,
  kDataDisc = 1,
  kAudioDisc = 2,
};

// Opens a second handle on the session's drive, sends Test Unit Ready and Read TOC on it and
// closes it again; the session's own handle is not touched. Any failure reads as no disc.
DiscState PollDisc(const DeviceSession& session);

// What the window does after a poll.
struct PollAction {
  int next_period_ms = 1000;
  bool reselect_drive = false;  // first sight of a disc since start or since it was gone
  // Sent before the last drive selection: its answer may be the old drive's and says nothing
  // of this one (shown as nothing, selecting nothing again).
  bool stale = false;
};

// What the window finds when its timer fires.
struct TickState {
  bool enabled = false;           // the option is on
  bool window_minimised = false;  // nobody looks at the icon
  bool job_running = false;       // a job talks to the drive: no poll then
  bool poll_running = false;      // the previous poll has not answered yet
};

// What a timer tick does: poll now, or not and try again after `retry_ms` (0: no timer at all).
struct TickAction {
  bool poll = false;
  int retry_ms = 0;
};

// The indicator's memory between polls. Pure; the window owns one.
class DiscIndicatorSchedule {
 public:
  static constexpr int kPeriodWithoutDisc = 1000;
  static constexpr int kPeriodWithDisc = 5000;

  // A switched-off indicator sends nothing and keeps no timer; a busy moment only delays it.
  static TickAction OnTick(const TickState& state);
  // `selection`: selection() when the poll was sent.
  PollAction OnPoll(DiscState state, int selection);
  // Drive selection saw the disc (or not) itself: no need to reselect on the next poll. Polls
  // sent before it are stale.
  void SetDiscKnown(bool present) {
    disc_seen_ = present;
    ++selection_;
  }
  int selection() const { return selection_; }

 private:
  bool disc_seen_ = false;
  int selection_ = 0;
};

}  // namespace tamarack
