// Which rotation strategy a measured curve shows: CLV (flat), CAV (rising with the radius, so
// the square of the speed grows linearly with the data read), P-CAV (CAV up to a cap, then
// flat) or zoned CLV (flat steps rising zone by zone), with the speeds at the inner and outer
// edge of the range.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tamarack {

enum class Rotation { kUnknown, kClv, kCav, kPartialCav, kZonedClv };

struct RotationVerdict {
  Rotation rotation = Rotation::kUnknown;
  double inner = 0;  // "x" at the start of the range
  double outer = 0;  // "x" at its end

  // In the user's language: "回転: CAV x20.7 - x47.8", "回転: CLV x24.0", "回転: 判別できません"
  // ("Rotation: CAV x20.7 - x47.8", "Rotation: CLV x24.0", "Rotation: not clear" in English).
  std::string Text() const;
};

// Judges a run's samples (blocks per second). The first second (spin-up, seek) and the last
// (partial) are left out; short dips (a weak area, a retry) do not count. Too few seconds, or a
// curve none of the shapes fits, give kUnknown.
RotationVerdict JudgeRotation(std::span<const std::int32_t> samples);

}  // namespace tamarack
