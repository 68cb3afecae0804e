// The state of one virtual drive: its disc and tray, timing model, fault plan, mode pages,
// events and sense. Every handle opened on the same id shares one DriveUnit, as every open of
// /dev/srN reaches the same drive; `mutex` guards everything else in it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>

#include "device/clock.h"
#include "emu/audio_player.h"
#include "emu/disc.h"
#include "emu/drive_model.h"
#include "emu/event_status.h"
#include "emu/fault_plan.h"
#include "emu/mode_pages.h"
#include "emu/sense_codes.h"
#include "emu/speed_model.h"

namespace tamarack::emu {

struct DriveUnit {
  // A drive at power-on with `disc` in it (null: empty), the tray closed.
  DriveUnit(std::unique_ptr<Disc> disc, SpeedSetting speed, FaultPlan faults);

  bool MediumPresent() const { return disc != nullptr && !tray_open; }
  const DiscLayout* Layout() const { return MediumPresent() ? &disc->Layout() : nullptr; }
  // The layout of the disc in the drive; only for commands that the medium gate let through.
  const DiscLayout& MediumLayout() const { return disc->Layout(); }
  // The "medium not present" sense for the tray's state.
  SenseCode NoMediumSense() const { return tray_open ? kNoMediumTrayOpen : kNoMediumTrayClosed; }

  std::mutex mutex;

  DriveModel model = DriveModel::kClassic;
  std::string serial;          // Inquiry's unit serial number
  std::unique_ptr<Disc> disc;  // the disc in the drive or on the open tray
  bool tray_open = false;
  bool prevented = false;  // Prevent/Allow Medium Removal
  bool persistent_prevent = false;
  bool spun_down = false;     // the next access first spins the disc up
  std::int32_t head = 0;      // the block under the pick-up
  std::int32_t position = 0;  // last block read, sought or played (Read Sub-Channel)

  SpeedModel speed;
  FaultPlan faults;
  std::mt19937_64 flaky_rng;
  ModePages mode_pages;
  EventState events;
  AudioPlayer audio;

  std::optional<SenseCode> unit_attention;  // reported by the next command that heeds it
  SenseCode last_sense = kNoSense;          // for Request Sense
  std::optional<std::uint32_t> last_information;
  // How much the clock's sleeps overshot the modelled durations, paid back by later sleeps.
  Clock::Duration sleep_overshoot{0};
};

}  // namespace tamarack::emu
