// The virtual drives as a provider of the drive directory: ids "emu:NAME[?OPTIONS]" (see
// virtual_drive_id.h), and "emu:PATH.jsonl", a command trace replayed (see replay_drive.h). One
// DriveUnit per id lives as long as the provider, so that the tray, the mode pages and the events
// of a drive persist across opens, as a real drive's do.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "device/clock.h"
#include "device/drive_directory.h"
#include "emu/disc.h"
#include "emu/drive_unit.h"
#include "emu/replay_drive.h"

namespace tamarack::emu {

// Makes the disc an id names: a built-in disc or an image file. Null with a reason.
using DiscFactory =
    std::function<std::unique_ptr<Disc>(const std::string& name, std::string* error)>;

// The default factory: the built-in discs by name, else an .iso, .cue, .toc or .nrg image by path.
std::unique_ptr<Disc> MakeDiscByName(const std::string& name, std::string* error);

// emu:type13, emu:type30, emu:audio, emu:multisession.
std::vector<std::string> DefaultVirtualDriveIds();
// The ids in `text`, separated by ";" (blanks around them dropped, empty ones skipped).
std::vector<std::string> VirtualDriveIdsFromText(std::string_view text);
// The ids from the environment variable TAMARACK_VIRTUAL_DRIVES when it is set, else the
// default ones.
std::vector<std::string> ConfiguredVirtualDriveIds();

// Thread-safe: Open and ListDrives may be called from any thread.
class VirtualDriveProvider final : public DriveProvider {
 public:
  // `clock` must outlive the provider and every drive it opens. `notice` hears of the commands
  // a replayed trace cannot answer.
  explicit VirtualDriveProvider(Clock& clock = RealClock(),
                                std::vector<std::string> listed = DefaultVirtualDriveIds(),
                                DiscFactory factory = MakeDiscByName, DriveNotice notice = {});

  std::vector<std::string> ListDrives() override { return listed_; }
  bool Handles(std::string_view id) const override;
  // Any valid id opens, listed or not. Opening consumes a pending unit attention, as the
  // kernel's open of /dev/srN does, unless the id asks for "poweron".
  OpenResult Open(std::string_view id) override;

 private:
  OpenResult OpenReplay(std::string_view id, const std::string& path);

  Clock& clock_;
  std::vector<std::string> listed_;
  DiscFactory factory_;
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<DriveUnit>, std::less<>> units_;
  DriveNotice notice_;
  std::map<std::string, std::shared_ptr<ReplayLog>, std::less<>> replays_;
};

}  // namespace tamarack::emu
