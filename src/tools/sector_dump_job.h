// The sector dump's read: finds the volume descriptor when asked, prepares the dump buffer,
// sends Read CD or Read CD MSF and measures what came back. It runs as a job of the job frame.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/device_session.h"
#include "job/job.h"
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

// The read itself, on the calling thread: "Now Reading!" in the status line while the command
// runs (cleared afterwards unless the command failed, whose text stays), the busy mark around
// it through `host`.
DumpResult ReadSectorDump(DeviceSession& session, const DumpRequest& request, DumpBuffer buffer,
                          JobHost& host, SenseDialog sense_dialog = SenseDialog::kShow);

// The read as a job of the job frame. The result (with the buffer handed back) is read after the
// host's Finished call.
class SectorDumpReadJob final : public Job {
 public:
  // The buffer waits in the result until the job runs, so a job that never ran gives it back.
  SectorDumpReadJob(const DumpRequest& request, DumpBuffer buffer) : request_(request) {
    result_.buffer = std::move(buffer);
  }
  void Run(JobContext& ctx) override;
  DumpResult& result() { return result_; }

 private:
  DumpRequest request_;
  DumpResult result_;
};

}  // namespace tamarack
