#include "ageing/ageing_walk.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tamarack {

AgeingWalk::AgeingWalk(AgeingSettings& settings, AgeingRandom& random, int& random_step_counter)
    : s_(settings),
      random_(random),
      counter_(random_step_counter),
      descending_(settings.end_lba < settings.start_lba) {}

std::int64_t AgeingWalk::Lo() const { return std::min(s_.start_lba, s_.end_lba); }
std::int64_t AgeingWalk::Hi() const { return std::max(s_.start_lba, s_.end_lba); }
std::int64_t AgeingWalk::SignedStep() const {
  return descending_ ? -std::int64_t{s_.step} : std::int64_t{s_.step};  // Step may be INT_MIN
}

bool AgeingWalk::RangeUsable() const {
  if (s_.start_lba == s_.end_lba) return false;
  return descending_ ? s_.start_lba > s_.end_lba : s_.start_lba < s_.end_lba;
}

std::int64_t AgeingWalk::StepChoice(std::int64_t current) const {
  if (k_ == 0) return s_.start_lba;
  const std::int64_t step = SignedStep();
  const std::int64_t next = current + step;
  if (step >= 0) return next <= s_.end_lba ? next : s_.start_lba;
  return next >= s_.end_lba ? next : s_.start_lba;
}

std::int64_t AgeingWalk::RandomChoice() {
  const std::int64_t lo = Lo(), hi = Hi();
  if (hi == lo) return lo;
  return lo +
         static_cast<std::int64_t>(random_.Value32() % static_cast<std::uint64_t>(hi - lo + 1));
}

std::int32_t AgeingWalk::NextLba(std::int32_t current) {
  std::int64_t lba = 0;
  switch (s_.mode.method()) {
    case LbaMethod::kTwoPoint:
      lba = k_ == 0 || current != s_.start_lba ? s_.start_lba : s_.end_lba;
      break;
    case LbaMethod::kStep:
      lba = StepChoice(current);
      break;
    case LbaMethod::kRandom:
      lba = RandomChoice();
      break;
    case LbaMethod::kRandomAndStep:
      if (counter_ <= kStepsBeforeRandom) {
        ++counter_;
        lba = StepChoice(current);
      } else {
        counter_ = 0;
        lba = RandomChoice();
      }
      break;
  }
  ++k_;
  return static_cast<std::int32_t>(std::clamp(lba, Lo(), Hi()));
}

std::int32_t AgeingWalk::Length(std::int32_t lba) {
  const std::int64_t total = s_.transfer_length;
  std::int64_t length = total;
  if (s_.random_length) {
    if (total > 0) {
      const std::int64_t r = random_.Draw() % (total + 1);
      length = r == 0 ? total : r;
    }
  }
  if (!(s_.random_length && total == 0) && lba + length > Hi()) length = Hi() - lba;
  if (length == 0 && total != 0) length = 1;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(length, 0, kMaxAgeingTransfer));
}

bool AgeingWalk::NextInRange(std::int64_t next) const {
  if (descending_) return next >= s_.end_lba;
  return (s_.end_lba == 0 || next <= s_.end_lba) && (s_.last_lba == 0 || next <= s_.last_lba);
}

bool AgeingWalk::Continue(std::int32_t current) {
  const std::int64_t next = current + SignedStep();
  switch (s_.mode.loop()) {
    case LoopMode::kOnce:
      if (descending_) return next >= s_.end_lba;
      if (s_.end_lba != 0 && next > s_.end_lba) return false;
      return s_.last_lba == 0 || next <= s_.last_lba;
    case LoopMode::kEndless:
      return true;
    case LoopMode::kCounted:
    case LoopMode::kCountedSet:
      break;
  }
  if (s_.mode.method() != LbaMethod::kRandomAndStep) {
    if (k_ == 0) passes_ = 0;
    if (NextInRange(next)) return true;
    ++passes_;
    return passes_ < s_.loop_count;
  }
  if (k_ == 0) {
    if (s_.step == 0) s_.step = 1;
    const std::int64_t span = std::abs(static_cast<std::int64_t>(s_.end_lba) - s_.start_lba);
    const std::int64_t per_loop = (span / s_.step + 1) * 2;
    const std::int64_t loops = s_.loop_count;
    // Saturates: a budget beyond 2^63 commands is endless in practice.
    if (loops <= 0 || per_loop <= 0) {
      budget_ = 0;  // a negative Step or Loop Count: the one command already chosen
    } else {
      budget_ = per_loop > INT64_MAX / loops ? INT64_MAX : loops * per_loop;
    }
    total_budget_ = budget_;
    return true;
  }
  // Exactly `budget` commands; a budget the settings make 0 or less still lets one through.
  return budget_-- > 1;
}

char AgeingWalk::StepMarker() const {
  if (s_.mode.method() != LbaMethod::kRandomAndStep) return ' ';
  return counter_ > 0 ? 'i' : 'r';
}

}  // namespace tamarack
