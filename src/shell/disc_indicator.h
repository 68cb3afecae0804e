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

// The indicator's memory between polls. Pure; the window owns one.
class DiscIndicatorSchedule {
 public:
  static constexpr int kPeriodWithoutDisc = 1000;
  static constexpr int kPeriodWithDisc = 5000;

  PollAction OnPoll(DiscState state);
  // Drive selection saw the disc (or not) itself: no need to reselect on the next poll.
  void SetDiscKnown(bool present) { disc_seen_ = present; }

 private:
  bool disc_seen_ = false;
};

}  // namespace tamarack
