// The wall-clock time of an ageing run's log lines and messages: the time the run started plus
// what its Clock says has passed since, so a run on a simulated clock stamps its lines with
// exact, repeatable times.
#pragma once

#include <ctime>
#include <string>

#include "device/clock.h"

namespace tamarack {

struct CivilTime {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Thread: the run's worker. `clock` must outlive it.
class RunTime {
 public:
  // Times are `origin` (seconds since the epoch) plus the clock's time since construction, as
  // local time, or as UTC with `utc` (tests: the same text whatever the machine's zone).
  RunTime(Clock& clock, std::time_t origin, bool utc);

  CivilTime Now();

 private:
  Clock& clock_;
  Clock::Duration started_;
  std::time_t origin_;
  bool utc_;
  std::time_t cached_second_ = -1;
  CivilTime cached_;
};

// "%02d/%02d/%04d %02d:%02d:%02d\n" (month, day, year, hour, minute, second).
std::string TimeLine(const CivilTime& t);
// The same with a blank before it: " %02d/%02d/%04d %02d:%02d:%02d\n".
std::string SpacedTimeLine(const CivilTime& t);
// The event stamp: " %02d/%02d/%04d:%02d:%02d:%02d".
std::string EventStamp(const CivilTime& t);

}  // namespace tamarack
