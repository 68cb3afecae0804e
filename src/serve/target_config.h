// The kernel's target configuration for one served drive, in configfs: a user-space backstore
// (its commands come to us through a uio device) exported through the loopback fabric, which
// the SCSI layer scans like any host adapter. Also the checks before and the clean-up of
// entries an earlier run left behind. Every name made here carries a fixed prefix and the
// process id, so a later run can tell its own stale entries from a live run's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/clock.h"
#include "serve/drive_worker.h"
#include "serve/sys_files.h"

namespace tamarack::serve {

struct ServeRoots {
  std::string configfs = "/sys/kernel/config";
  std::string sysfs = "/sys";
  std::string dev = "/dev";
};

// The backstore's HBA index (user_N); shared by every run, removed when empty.
inline constexpr int kUserHbaIndex = 8086;
inline constexpr std::string_view kBackstorePrefix = "tamarack_";
// "naa." and hex digits ("PTam", "PTan"), then the process id and the drive's index.
inline constexpr std::string_view kTargetWwnPrefix = "naa.5054616d";
inline constexpr std::string_view kInitiatorWwnPrefix = "naa.5054616e";
inline constexpr std::string_view kLunLinkName = "tamarack";

// How the kernel shows the served drives: to itself as /dev/srN (the loopback fabric), or to
// other machines as LUNs of an iSCSI target.
enum class Fabric { kLoopback, kIscsi };

// What stops serving on this machine, one sentence each with how to get it; empty when
// nothing does. `admin`: the process runs as root or holds CAP_SYS_ADMIN.
std::vector<std::string> MissingForServing(SysFiles& fs, const ServeRoots& roots, bool admin,
                                           Fabric fabric = Fabric::kLoopback);

// True when the CapEff line of a /proc/PID/status text holds CAP_SYS_ADMIN.
bool HasSysAdminCapability(std::string_view proc_status);
// This process runs as root or holds CAP_SYS_ADMIN.
bool RunningWithAdminRights();

struct TargetNames {
  std::string backstore;  // in core/user_N
  std::string target_wwn;
  std::string initiator_wwn;
  std::string dev_config;  // the drive id, in characters the kernel's option parser keeps
};
TargetNames NamesFor(int pid, int index, std::string_view drive_id);
// The process id in a backstore name made by NamesFor, or -1.
int PidOfBackstoreName(std::string_view name);

// One drive's entries, created step by step and removed in the reverse order; only what was
// created is removed, so a set-up that fails half-way cleans up after itself.
class TargetConfig {
 public:
  TargetConfig(SysFiles& fs, ServeRoots roots, TargetNames names);

  // The backstore, enabled, and the uio device the kernel made for it. `cmd_time_out` (in
  // seconds) is how long the kernel waits for a command before failing it itself.
  std::string CreateBackstore(std::uint64_t dev_size, std::uint32_t cmd_time_out, UioDevice* uio);
  // The loopback target with its nexus, then the LUN linked to the backstore (in that order: a
  // LUN made before the nexus is scanned without one and never appears).
  std::string CreateLoopback();
  // Waits (up to `limit`, on `clock`) for the sr and sg devices the kernel attached to the LUN.
  std::string FindDevices(Clock& clock, Clock::Duration limit, std::string* sr, std::string* sg);

  // The LUN link, the LUN, the target portal group and the target; what could not be removed
  // is added to `left`.
  void RemoveLoopback(std::vector<std::string>* left);
  // The backstore, and the HBA when no backstore is left in it.
  void RemoveBackstore(std::vector<std::string>* left);

  const TargetNames& Names() const { return names_; }
  std::string BackstorePath() const { return Backstore(); }

 private:
  std::string Core() const;
  std::string Backstore() const;
  std::string Naa() const;
  std::string Tpg() const;
  std::string Lun() const;

  SysFiles& fs_;
  ServeRoots roots_;
  TargetNames names_;
  bool made_hba_dir_ = false, made_backstore_ = false, made_loopback_dir_ = false;
  bool made_naa_ = false, made_tpg_ = false, made_lun_ = false, made_link_ = false;
};

// The uio device the kernel made for `backstore` (of our HBA); "" or why there is none.
std::string FindUio(SysFiles& fs, const ServeRoots& roots, const std::string& backstore,
                    UioDevice* uio);

// Answers the ring of a dead run's backstore while its LUN goes, so that the commands the
// kernel still sends it fail at once instead of waiting for the kernel's time-out.
using StaleRingAnswer = std::function<std::unique_ptr<DriveWorker>(const UioDevice& uio)>;

// Removes the entries of earlier runs whose process is gone (`alive` tells), in the order the
// kernel needs: iSCSI targets exporting their backstores, then the loopback's LUN links, LUNs,
// portal groups, targets, then the backstores. Returns one line per run
// cleaned up or entry that could not be removed.
std::vector<std::string> RemoveStaleEntries(SysFiles& fs, const ServeRoots& roots,
                                            const std::function<bool(int pid)>& alive,
                                            const StaleRingAnswer& answer = {});

}  // namespace tamarack::serve
