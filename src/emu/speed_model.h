// How long the virtual drive takes: reading at a constant linear velocity (CLV), at a constant
// angular velocity (CAV, the speed growing with the radius), or without any time at all;
// seeks that grow with the radial distance; spin-up after a load. "x1" is 75 blocks a second.
#pragma once

#include <cstdint>

#include "device/clock.h"

namespace tamarack::emu {

enum class SpeedMode { kUnlimited, kClv, kCav };

struct SpeedSetting {
  SpeedMode mode = SpeedMode::kCav;
  int factor = 48;  // the CLV speed, or the CAV speed at the outer edge of the disc
  bool operator==(const SpeedSetting&) const = default;
};

inline constexpr int kMaxSpeedFactor = 99;
// Set CD Speed's "as fast as possible".
inline constexpr std::uint32_t kSpeedMaxKbps = 0xFFFF;

// The radius in millimetres at which block `lba` lies on a 120 mm CD (1.6 µm track pitch,
// 1.2 m/s, program area from 25 mm).
double RadiusAt(std::int32_t lba);
// The radius at which the CAV speed reaches its maximum.
inline constexpr double kOuterRadiusMm = 58.0;

// x factor to kB/s as MMC drives report it (x1 = 176.4 kB/s), and back (rounded, at least 1).
std::uint32_t FactorToKbps(double factor);
int KbpsToFactor(std::uint32_t kbps);

// Not thread-safe; the drive serialises its use.
class SpeedModel {
 public:
  explicit SpeedModel(SpeedSetting setting = {}) : setting_(setting) {}

  const SpeedSetting& setting() const { return setting_; }
  // Set CD Speed: caps the speed at `kbps` (kSpeedMaxKbps lifts the cap).
  void SetReadSpeedKbps(std::uint32_t kbps);
  // The factor in use: the setting's, lowered by Set CD Speed.
  int Factor() const;

  // The reading speed at `lba` as an x factor (the cap for unlimited).
  double SpeedAt(std::int32_t lba) const;
  // Time to read `blocks` blocks from `lba` once the head is there.
  Clock::Duration TransferTime(std::int32_t lba, std::int32_t blocks) const;
  // Time to move the head from block `from` to block `to` (none when they are equal).
  Clock::Duration SeekTime(std::int32_t from, std::int32_t to) const;
  Clock::Duration SpinUpTime() const;
  // Time for the tray to open or close.
  Clock::Duration TrayTime() const;

  // What Mode Sense page 2Ah reports, in kB/s.
  std::uint32_t MaxReadSpeedKbps() const { return FactorToKbps(setting_.factor); }
  std::uint32_t CurrentReadSpeedKbps() const { return FactorToKbps(Factor()); }

 private:
  SpeedSetting setting_;
  int cap_ = kMaxSpeedFactor;
};

}  // namespace tamarack::emu
