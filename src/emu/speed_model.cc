#include "emu/speed_model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tamarack::emu {

namespace {

constexpr double kInnerRadiusMm = 25.0;
// Track pitch (mm) times linear velocity (mm/s) over pi: the area swept per second.
constexpr double kAreaPerSecond = 1.6e-3 * 1200.0 / 3.14159265358979323846;
constexpr double kBlocksPerSecondAtX1 = 75.0;

Clock::Duration Seconds(double s) {
  return Clock::Duration{static_cast<Clock::Duration::rep>(std::llround(s * 1e6))};
}

}  // namespace

double RadiusAt(std::int32_t lba) {
  const double seconds = std::max(0.0, (static_cast<double>(lba) + 150.0) / kBlocksPerSecondAtX1);
  return std::sqrt(kInnerRadiusMm * kInnerRadiusMm + kAreaPerSecond * seconds);
}

std::uint32_t FactorToKbps(double factor) {
  return static_cast<std::uint32_t>(std::lround(factor * 176.4));
}

int KbpsToFactor(std::uint32_t kbps) {
  const long x = std::lround(static_cast<double>(kbps) / 176.4);
  return static_cast<int>(std::clamp<long>(x, 1, kMaxSpeedFactor));
}

void SpeedModel::SetReadSpeedKbps(std::uint32_t kbps) {
  cap_ = kbps >= kSpeedMaxKbps ? kMaxSpeedFactor : KbpsToFactor(kbps);
}

int SpeedModel::Factor() const { return std::min(setting_.factor, cap_); }

double SpeedModel::SpeedAt(std::int32_t lba) const {
  const double factor = Factor();
  if (setting_.mode != SpeedMode::kCav) return factor;
  // Constant angular velocity: the linear speed, hence the data rate, grows with the radius.
  return factor * std::min(1.0, RadiusAt(lba) / kOuterRadiusMm);
}

Clock::Duration SpeedModel::TransferTime(std::int32_t lba, std::int32_t blocks) const {
  if (setting_.mode == SpeedMode::kUnlimited || blocks <= 0) return Clock::Duration{0};
  const double speed = SpeedAt(lba + blocks / 2);
  return Seconds(blocks / (kBlocksPerSecondAtX1 * speed));
}

Clock::Duration SpeedModel::SeekTime(std::int32_t from, std::int32_t to) const {
  if (setting_.mode == SpeedMode::kUnlimited || from == to) return Clock::Duration{0};
  const double stroke = kOuterRadiusMm - kInnerRadiusMm;
  const double distance = std::min(1.0, std::abs(RadiusAt(to) - RadiusAt(from)) / stroke);
  // A short settle, then a move that slows down less than linearly with the distance.
  return Seconds(0.015 + 0.120 * std::sqrt(distance));
}

Clock::Duration SpeedModel::SpinUpTime() const {
  return setting_.mode == SpeedMode::kUnlimited ? Clock::Duration{0} : Seconds(1.2);
}

Clock::Duration SpeedModel::TrayTime() const {
  return setting_.mode == SpeedMode::kUnlimited ? Clock::Duration{0} : Seconds(0.8);
}

}  // namespace tamarack::emu
