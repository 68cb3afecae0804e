// How a run moves over its range: the address each command reads (by the LBA change method),
// its length, and whether another command follows (by the loop mode). Pure but for the random
// generator and the random-and-step counter it is given; one walk per run.
#pragma once

#include <cstdint>

#include "ageing/ageing_random.h"
#include "ageing/ageing_settings.h"

namespace tamarack {

// One random address after this many steps of the random-and-step method (the entry text says
// 50; its counter lets 51 steps pass).
inline constexpr int kStepsBeforeRandom = 50;

class AgeingWalk {
 public:
  // `settings` is read afresh at every call (the walk writes Step back when the counted
  // random-and-step mode finds it 0). `random_step_counter` is the program-wide counter of the
  // random-and-step method: it is not reset between runs. All three must outlive the walk.
  AgeingWalk(AgeingSettings& settings, AgeingRandom& random, int& random_step_counter);

  // The run's direction, fixed at its start: descending when End LBA is below Start LBA.
  bool descending() const { return descending_; }
  // Commands chosen so far (the step index k of the next choice).
  std::int64_t k() const { return k_; }

  // False when Start LBA equals End LBA or the range no longer has the run's direction.
  bool RangeUsable() const;

  // The address of the next command, clamped into the range; counts the command.
  std::int32_t NextLba(std::int32_t current);

  // Blocks the command at `lba` reads: Transfer Length (or a random length) cut at the upper
  // end of the range, never 0 unless Transfer Length is 0.
  std::int32_t Length(std::int32_t lba);

  // The loop mode's rule, asked at the start (k = 0) and after each command with its LBA.
  bool Continue(std::int32_t current);

  // 'i' after a step and 'r' after a random choice of the random-and-step method, else ' '.
  char StepMarker() const;

  // Commands the counted random-and-step mode allows in all (0 for every other mode); fixed
  // when the run starts, while the walk counts its own copy down.
  std::int64_t budget() const { return total_budget_; }

 private:
  std::int64_t Lo() const;
  std::int64_t Hi() const;
  std::int64_t SignedStep() const;
  std::int64_t StepChoice(std::int64_t current) const;
  std::int64_t RandomChoice();
  bool NextInRange(std::int64_t next) const;

  AgeingSettings& s_;
  AgeingRandom& random_;
  int& counter_;
  bool descending_;
  std::int64_t k_ = 0;
  std::int64_t passes_ = 0;
  std::int64_t budget_ = 0;
  std::int64_t total_budget_ = 0;
};

}  // namespace tamarack
