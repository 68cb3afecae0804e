// Get Event/Status Notification (polled) of the virtual drive: the pending events of each
// class and the reply that reports, and so clears, one of them.
#pragma once

#include <cstdint>
#include <vector>

namespace tamarack::emu {

// Notification classes (bit numbers of the class request mask).
inline constexpr int kClassOperational = 1;
inline constexpr int kClassPower = 2;
inline constexpr int kClassExternal = 3;
inline constexpr int kClassMedia = 4;
inline constexpr int kClassBusy = 6;
// Operational change, power management, external request, media, device busy.
inline constexpr std::uint8_t kSupportedEventClasses = 0x5E;

// Media event codes.
inline constexpr std::uint8_t kMediaNoChange = 0;
inline constexpr std::uint8_t kMediaEjectRequest = 1;
inline constexpr std::uint8_t kMediaNewMedia = 2;
inline constexpr std::uint8_t kMediaRemoval = 3;

// Power status codes.
inline constexpr std::uint8_t kPowerActive = 1;
inline constexpr std::uint8_t kPowerIdle = 2;
inline constexpr std::uint8_t kPowerStandby = 3;

struct EventState {
  std::uint8_t operational_event = 0;
  std::uint8_t power_event = 0;
  std::uint8_t power_status = kPowerActive;
  std::uint8_t external_event = 0;
  std::uint16_t external_request = 0;
  std::uint8_t media_event = kMediaNoChange;
  std::uint8_t busy_event = 0;
};

// What the media and external request classes report besides their events.
struct MechanismView {
  bool medium_present = false;
  bool tray_open = false;
  bool persistent_prevent = false;
};

// The reply to a polled request for the classes in `class_request` (bit n = class n): the
// lowest requested class with a pending event, else the lowest requested supported class with
// "no change". Its event is cleared. No supported class requested: the 4-byte header with NEA.
std::vector<std::uint8_t> BuildEventStatus(EventState& events, std::uint8_t class_request,
                                           const MechanismView& view);

}  // namespace tamarack::emu
