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
  PollAction OnPoll(DiscState state);
  // Drive selection saw the disc (or not) itself: no need to reselect on the next poll.
  void SetDiscKnown(bool present) { disc_seen_ = present; }

 private:
  bool disc_seen_ = false;
};

}  // namespace tamarack
