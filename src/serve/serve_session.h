// Serves a list of drives to the kernel: cleans up what a dead earlier run left (answering its
// ring meanwhile, as nobody else does), sets each drive up (backstore, worker, loopback),
// reports the devices the kernel attached, and on Stop (or a set-up that fails half-way)
// removes everything it created. With the iSCSI fabric the backstores become the LUNs of one
// iSCSI target instead of devices of this machine.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/transport.h"
#include "serve/iscsi_target.h"
#include "serve/ring_server.h"
#include "serve/sys_files.h"
#include "serve/target_config.h"
#include "serve/uio_worker.h"

namespace tamarack::serve {

struct ServedDrive {
  std::string id;
  std::string sr;  // /dev/srN (loopback)
  std::string sg;  // /dev/sgN (loopback)
  int lun = -1;    // its LUN in the iSCSI target
};

struct DriveToServe {
  std::string id;
  Transport* transport = nullptr;  // the caller's; outlives the session
};

using WorkerStarter = std::function<std::unique_ptr<DriveWorker>(
    const UioDevice& uio, Transport& transport, std::string* error)>;

struct ServeSetup {
  SysFiles* fs = nullptr;
  ServeRoots roots;
  Clock* clock = nullptr;  // for the wait for the kernel's devices and the held commands
  RingOptions ring;
  Clock::Duration attach_limit = std::chrono::seconds(20);
  int pid = 0;  // this process; its id goes into every name
  std::function<bool(int pid)> alive;
  // Notices: stale entries removed, ring entries skipped (from the workers' threads too).
  RingServer::Report report;
  // Null: the uio worker.
  WorkerStarter start_worker;
  Fabric fabric = Fabric::kLoopback;
  IscsiSettings iscsi;  // with Fabric::kIscsi
};

class ServeSession {
 public:
  explicit ServeSession(ServeSetup setup);
  ~ServeSession();
  ServeSession(const ServeSession&) = delete;
  ServeSession& operator=(const ServeSession&) = delete;

  // Sets up every drive in turn; `served` is called for each once the kernel attached it (with
  // the iSCSI fabric: once the target with every drive's LUN listens).
  // On failure everything made so far is removed again and the error names the drive.
  std::string Start(const std::vector<DriveToServe>& drives,
                    const std::function<void(const ServedDrive&)>& served);
  // Removes the iSCSI target and the loopback entries (the workers still answer what the kernel
  // sends on the way),
  // stops the workers, removes the backstores. Returns what could not be removed.
  std::vector<std::string> Stop();
  // Workers that stopped on their own, as "ID: reason".
  std::vector<std::string> WorkerErrors() const;

 private:
  struct Served {
    std::string id;
    std::unique_ptr<TargetConfig> config;
    std::unique_ptr<DriveWorker> worker;
  };
  // Removes what was made and adds what could not be removed to `error`.
  std::string Failed(std::string error);

  ServeSetup setup_;
  std::unique_ptr<Transport> gone_;  // answers the rings of dead runs
  std::vector<Served> served_;
  std::unique_ptr<IscsiTarget> iscsi_;
};

}  // namespace tamarack::serve
