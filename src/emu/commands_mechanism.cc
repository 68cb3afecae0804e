// Tray, lock, power and speed commands of the virtual drive.
#include "emu/drive_commands.h"
#include "util/bytes.h"

namespace tamarack::emu {

namespace {

SenseCode Eject(CommandContext& c) {
  DriveUnit& u = c.unit;
  if (u.tray_open) return kNoSense;
  if (u.prevented) return kMediumRemovalPrevented;
  u.audio.Stop(c.now);
  u.tray_open = true;
  u.spun_down = true;
  c.time += u.speed.TrayTime();
  if (u.disc) u.events.media_event = kMediaRemoval;
  return kNoSense;
}

SenseCode Load(CommandContext& c) {
  DriveUnit& u = c.unit;
  if (!u.tray_open) return kNoSense;
  u.tray_open = false;
  c.time += u.speed.TrayTime();
  if (u.disc) {
    // The disc spins up on its first access; the host hears of the change once.
    u.spun_down = true;
    u.head = 0;
    u.position = 0;
    u.events.media_event = kMediaNewMedia;
    u.unit_attention = kMediumMayHaveChanged;
  }
  return kNoSense;
}

}  // namespace

SenseCode StartStopUnit(CommandContext& c) {
  DriveUnit& u = c.unit;
  const bool immediate = c.cdb[1] & 0x01;
  const int power = c.cdb[4] >> 4;
  const bool load_eject = c.cdb[4] & 0x02;
  const bool start = c.cdb[4] & 0x01;
  SenseCode sense = kNoSense;
  if (power != 0) {
    // A power condition: the start and load/eject bits are ignored.
    switch (power) {
      case 0x1:
        u.events.power_status = kPowerActive;
        break;
      case 0x2:
        u.events.power_status = kPowerIdle;
        break;
      case 0x3:
      case 0x5:
        u.events.power_status = kPowerStandby;
        break;
      case 0x7:
      case 0xA:
      case 0xB:
        break;
      default:
        return kInvalidFieldInCdb;
    }
    u.events.power_event = 1;  // power change successful
    return kNoSense;
  }
  if (load_eject) {
    sense = start ? Load(c) : Eject(c);
  } else if (start) {
    if (u.spun_down && u.MediumPresent()) c.time += u.speed.SpinUpTime();
    u.spun_down = false;
  } else {
    u.audio.Stop(c.now);
    u.spun_down = true;
  }
  // With IMMED the drive reports at once and finishes in the background.
  if (immediate) c.time = Clock::Duration{0};
  return sense;
}

SenseCode PreventAllowMediumRemoval(CommandContext& c) {
  DriveUnit& u = c.unit;
  const bool prevent = c.cdb[4] & 0x01;
  if (c.cdb[4] & 0x02) {
    u.persistent_prevent = prevent;  // 10b releases, 11b sets the persistent prevent state
  } else {
    u.prevented = prevent;
  }
  return kNoSense;
}

SenseCode LoadUnloadCd(CommandContext& c) {
  const bool load_unload = c.cdb[4] & 0x02;
  const bool start = c.cdb[4] & 0x01;
  const std::uint8_t slot = c.cdb[8];
  SenseCode sense = kNoSense;
  if (!load_unload) {
    if (start) return kInvalidFieldInCdb;  // 01b is reserved
    return kNoSense;                       // abort: nothing is in progress
  }
  if (start) {
    if (slot != 0) return kInvalidFieldInCdb;  // a one-slot drive
    sense = Load(c);
  } else {
    sense = Eject(c);
  }
  if (c.cdb[1] & 0x01) c.time = Clock::Duration{0};
  return sense;
}

SenseCode SetCdSpeed(CommandContext& c) {
  if ((c.cdb[1] & 0x03) > 1) return kInvalidFieldInCdb;  // rotational control: CLV or CAV
  c.unit.speed.SetReadSpeedKbps(ReadBe16(c.cdb, 2));
  return kNoSense;
}

}  // namespace tamarack::emu
