// Serving on this machine: the real configfs and sysfs, the machine's clock and this process,
// shared by `tamarack-cli serve` and the window. `OneDriveServing` is the window's case: one
// drive served at a time, started and stopped from the drive box.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/transport.h"
#include "serve/serve_session.h"
#include "serve/sys_files.h"

namespace tamarack::serve {

// The file system, and a set-up for a `ServeSession` on it. TAMARACK_CONFIGFS_ROOT, when set,
// replaces the configfs root (tests point it at a folder of their own).
struct SystemServing {
  std::unique_ptr<SysFiles> fs;
  ServeSetup setup;
};
SystemServing MakeSystemServing(RingServer::Report report);

// What keeps this machine from serving drives now (rights, configfs, modules), one sentence
// each; empty when nothing does.
std::vector<std::string> MissingForServingHere(Fabric fabric = Fabric::kLoopback);
// This machine's name (for the iSCSI target's default name).
std::string HostName();

// One drive served until Stop or destruction. Start blocks until the kernel attached the drive
// (or gave up), so callers with a window run it off the window thread; the other members may be
// called from any thread.
class OneDriveServing {
 public:
  OneDriveServing() = default;
  ~OneDriveServing();
  OneDriveServing(const OneDriveServing&) = delete;
  OneDriveServing& operator=(const OneDriveServing&) = delete;

  // Serves `transport` as drive `id`; empty on success (`served` then names the devices), else
  // why not. Stops what was served before. The caller has asked MissingForServingHere first.
  std::string Start(const std::string& id, std::unique_ptr<Transport> transport,
                    ServedDrive* served);
  // Removes the drive from the kernel; what could not be removed, if anything.
  std::vector<std::string> Stop();
  bool Serving() const;

 private:
  mutable std::mutex mutex_;
  SystemServing system_;
  std::unique_ptr<Transport> transport_;
  std::unique_ptr<ServeSession> session_;
};

}  // namespace tamarack::serve
