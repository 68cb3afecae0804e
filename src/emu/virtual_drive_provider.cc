#include "emu/virtual_drive_provider.h"

#include <cstdlib>

#include "emu/built_in_discs.h"
#include "emu/image_disc.h"
#include "emu/virtual_drive.h"
#include "emu/virtual_drive_id.h"

namespace tamarack::emu {

std::unique_ptr<Disc> MakeDiscByName(const std::string& name, std::string* error) {
  if (auto disc = MakeBuiltInDisc(name)) return disc;
  // Anything else names an image: a path, or at least a file name with its extension.
  if (name.find('/') != std::string::npos || name.find('.') != std::string::npos) {
    return OpenImage(name, error);
  }
  std::string known;
  for (const std::string& n : BuiltInDiscNames()) {
    if (!known.empty()) known += ", ";
    known += n;
  }
  error->assign("No built-in disc \"")
      .append(name)
      .append("\" (known: ")
      .append(known)
      .append("; an image is named by its path, ending in .iso, .cue, .toc or .nrg)");
  return nullptr;
}

std::vector<std::string> DefaultVirtualDriveIds() {
  return {"emu:type13", "emu:type30", "emu:audio", "emu:multisession"};
}

std::vector<std::string> VirtualDriveIdsFromText(std::string_view text) {
  std::vector<std::string> ids;
  while (!text.empty()) {
    const std::size_t semi = text.find(';');
    std::string_view item = text.substr(0, semi);
    text = semi == std::string_view::npos ? std::string_view{} : text.substr(semi + 1);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (!item.empty()) ids.emplace_back(item);
  }
  return ids;
}

std::vector<std::string> ConfiguredVirtualDriveIds() {
  if (const char* text = std::getenv("TAMARACK_VIRTUAL_DRIVES")) {
    return VirtualDriveIdsFromText(text);
  }
  return DefaultVirtualDriveIds();
}

VirtualDriveProvider::VirtualDriveProvider(Clock& clock, std::vector<std::string> listed,
                                           DiscFactory factory, DriveNotice notice)
    : clock_(clock),
      listed_(std::move(listed)),
      factory_(std::move(factory)),
      notice_(std::move(notice)) {}

bool VirtualDriveProvider::Handles(std::string_view id) const { return IsVirtualDriveId(id); }

OpenResult VirtualDriveProvider::Open(std::string_view id) {
  OpenResult result;
  VirtualDriveConfig config;
  if (!ParseVirtualDriveId(id, &config, &result.error)) return result;
  if (IsTracePath(config.disc)) return OpenReplay(id, config.disc);
  std::shared_ptr<DriveUnit> unit;
  {
    std::lock_guard lock(mutex_);
    auto it = units_.find(id);
    if (it != units_.end()) {
      unit = it->second;
    } else {
      std::unique_ptr<Disc> disc;
      if (!config.no_medium) {
        std::string error;
        disc = factory_(config.disc, &error);
        if (!disc) {
          result.error = error.empty() ? "Cannot open the disc " + config.disc : error;
          return result;
        }
      }
      unit = std::make_shared<DriveUnit>(std::move(disc), config.speed, config.faults);
      unit->tray_open = config.tray_open;
      unit->model = config.model;
      unit->mode_pages = ModePages(ReportsC2(config.model));
      unit->serial = config.serial.empty() ? DriveSerialOfId(id) : config.serial;
      units_.emplace(std::string(id), unit);
    }
  }
  if (!config.power_on_attention) {
    std::lock_guard unit_lock(unit->mutex);
    unit->unit_attention.reset();
  }
  result.transport = std::make_unique<VirtualDrive>(std::string(id), unit, clock_, config.resid);
  return result;
}

OpenResult VirtualDriveProvider::OpenReplay(std::string_view id, const std::string& path) {
  OpenResult result;
  // The trace holds every answer; faults, speed or a tray would contradict it.
  if (id.find('?') != std::string_view::npos) {
    result.error = "A trace replay takes no options: " + std::string(id);
    return result;
  }
  std::shared_ptr<ReplayLog> log;
  {
    std::lock_guard lock(mutex_);
    auto it = replays_.find(id);
    if (it != replays_.end()) {
      log = it->second;
    } else {
      log = ReplayLog::Load(path, &result.error);
      if (!log) return result;
      replays_.emplace(std::string(id), log);
    }
  }
  result.transport = std::make_unique<ReplayDrive>(std::string(id), std::move(log), notice_);
  return result;
}

}  // namespace tamarack::emu
