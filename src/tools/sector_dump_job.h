// The sector dump's read: finds the volume descriptor when asked, prepares the dump buffer,
// sends Read CD or Read CD MSF and measures what came back. It runs as a job on a worker
// thread of its own and talks to the window through SectorDumpHost.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "device/device_session.h"
#include "tools/dump_buffer.h"
#include "tools/sector_dump.h"

namespace tamarack {

struct DumpResult {
  bool success = false;  // the read ended good
  CommandOutcome outcome;
  Cdb cdb{};                             // the command as sent (when one was)
  std::optional<std::uint32_t> vds_lba;  // volume descriptor mode: the LBA read
  std::uint32_t transferred = 0;         // as reported, never more than the buffer
  DumpBuffer buffer;                     // the dump buffer back, with its valid bytes
  std::string text;                      // the dump display: the dump, or "No Data"
  std::string message;  // an error message box ("ﾒﾓﾘ不足です"); empty if none
};

// What the read asks of the window. Called on the worker thread.
class SectorDumpHost {
 public:
  virtual ~SectorDumpHost() = default;
  // The window is busy for the command's duration (the disc indicator does not poll).
  virtual void SetBusy(bool busy) = 0;
  // The read is over: called exactly once for every read the job started.
  virtual void Finished(DumpResult result) = 0;
};

// The read itself, on the calling thread: "Now Reading!" in the status line while the command
// runs (cleared afterwards unless the command failed, whose text stays), the busy mark around
// it. Does not call Finished.
DumpResult ReadSectorDump(DeviceSession& session, const DumpRequest& request, DumpBuffer buffer,
                          SectorDumpHost& host, bool show_sense_dialog = true);

// One read at a time on a worker thread of the lowest priority. Window-thread object;
// `session` and `host` must outlive it. The destructor waits for a running read.
class SectorDumpJob {
 public:
  SectorDumpJob(DeviceSession& session, SectorDumpHost& host);
  ~SectorDumpJob();
  SectorDumpJob(const SectorDumpJob&) = delete;
  SectorDumpJob& operator=(const SectorDumpJob&) = delete;

  // Starts a read with `buffer` (handed back in the result). False, with nothing started,
  // while a read is running.
  bool Start(const DumpRequest& request, DumpBuffer buffer);
  bool running() const { return running_.load(); }
  // Waits until the current read (if any) has finished.
  void Wait();

 private:
  DeviceSession& session_;
  SectorDumpHost& host_;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace tamarack
