#include "ageing/run_time.h"

#include <chrono>

#include "platform/env.h"
#include "util/strings.h"

namespace tamarack {

RunTime::RunTime(Clock& clock, std::time_t origin, bool utc)
    : clock_(clock), started_(clock.Now()), origin_(origin), utc_(utc) {}

CivilTime RunTime::Now() {
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(clock_.Now() - started_);
  const std::time_t t = origin_ + static_cast<std::time_t>(elapsed.count());
  if (t == cached_second_) return cached_;  // one conversion a second, not one per command
  const std::tm tm = Env::Default().CalendarTimeOf(t, utc_);
  cached_ = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  cached_second_ = t;
  return cached_;
}

std::string TimeLine(const CivilTime& t) {
  return StrFormat("%02d/%02d/%04d %02d:%02d:%02d\n", t.month, t.day, t.year, t.hour, t.minute,
                   t.second);
}

std::string SpacedTimeLine(const CivilTime& t) { return " " + TimeLine(t); }

std::string EventStamp(const CivilTime& t) {
  return StrFormat(" %02d/%02d/%04d:%02d:%02d:%02d", t.month, t.day, t.year, t.hour, t.minute,
                   t.second);
}

}  // namespace tamarack
