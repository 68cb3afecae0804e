// Virtual drive ids: "emu:" + a built-in disc name or an image path, then options after "?"
// joined by "&", for example "emu:type13?speed=cav48&bad=1000-1010,2000&flaky=5000-5100:0.25".
//
//   speed=max | clvN | cavN     timing model (N = 1..99; default cav48; max takes no time)
//   bad=LIST                    unreadable blocks (3/11/00)
//   flaky=LIST:P                blocks failing with probability P (0 < P <= 1)
//   corrupt=LIST                blocks returned with one byte flipped (C2 bit set)
//   c2=LIST:BITS                blocks returned with BITS C2 error bits set (1-2352)
//   short=LIST                  reads stop half-way into these blocks (good status)
//   qcrc=LIST                   the Q sub-channel of these blocks comes with a wrong CRC
//   formless=LIST               Read CD returns these Mode 1 blocks as Mode 2 formless ones
//   refuse=OPS[:host|:os|:drive] commands refused by the host adapter (default), the OS or
//                               the drive (5/20/00, an opcode it does not know)
//   slow=OPS                    commands that outlast the time-out
//   seed=N                      seed of the flaky blocks' generator (default 1)
//   tray=open | closed          tray state at power-on
//   nomedium                    no disc in the drive
//   poweron                     report 6/29/00 after opening, as /dev/sgN does
//   resid=exact|none|zero|pad|under
//                               how data-in replies arrive (see resid_mode.h; default exact)
//   model=classic|modern|plain  the drive it plays (see drive_model.h; default classic)
//   serial=TEXT                 the unit serial number (1-20 of A-Z a-z 0-9 . _ -; default
//                               derived from the id, see DriveSerialOfId)
//
// LIST is a comma-separated list of blocks N or ranges A-B (decimal); OPS a comma-separated
// list of opcodes in hexadecimal ("28", "be", "0xBE").
#pragma once

#include <string>
#include <string_view>

#include "emu/drive_model.h"
#include "emu/fault_plan.h"
#include "emu/resid_mode.h"
#include "emu/speed_model.h"

namespace tamarack::emu {

inline constexpr std::string_view kVirtualDrivePrefix = "emu:";

struct VirtualDriveConfig {
  std::string disc;  // built-in disc name or image path
  SpeedSetting speed;
  FaultPlan faults;
  bool tray_open = false;
  bool no_medium = false;
  bool power_on_attention = false;
  ResidMode resid = ResidMode::kExact;
  DriveModel model = DriveModel::kClassic;
  std::string serial;  // empty: DriveSerialOfId
};

bool IsVirtualDriveId(std::string_view id);

// The serial number a drive without serial= reports: "KV" and eight hex digits of a hash of
// the whole id, so that the same id always gives the same serial and two served drives of
// different ids are told apart (udev names devices by it).
std::string DriveSerialOfId(std::string_view id);

// False with a message naming the id and the bad part when `id` is not a valid id.
bool ParseVirtualDriveId(std::string_view id, VirtualDriveConfig* config, std::string* error);

}  // namespace tamarack::emu
