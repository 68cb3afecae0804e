#include "tools/sector_dump_job.h"

#include <algorithm>
#include <array>
#include <span>

#include "console/execute_command.h"
#include "decode/status_commands.h"
#include "decode/volume_descriptor.h"

namespace tamarack {

DumpResult ReadSectorDump(DeviceSession& session, const DumpRequest& request, DumpBuffer buffer,
                          JobHost& host, SenseDialog sense_dialog) {
  DumpResult result;
  DumpRequest r = request;
  if (r.mode == DumpAddressMode::kVolumeDescriptor) {
    r.lba = FindVolumeDescriptor(session);
    r.blocks = 1;
    result.vds_lba = r.lba;
  }
  result.text = kNoDataText;
  if (!buffer.Prepare(r.blocks)) {
    result.message = Tr(kOutOfMemoryMessage);
    result.buffer = std::move(buffer);
    return result;
  }
  result.cdb = r.CommandCdb();
  host.Show(JobText::kStatusLine, kNowReadingText);
  host.SetBusy(true);
  result.outcome = session.Run(result.cdb, buffer.request(), {.sense_dialog = sense_dialog});
  host.SetBusy(false);
  const CommandStatus status = result.outcome.status;
  // A failure's own text stays in the status line.
  if (status == CommandStatus::kGood || status == CommandStatus::kNoDevice) {
    host.Show(JobText::kStatusLine, "");
  }
  result.success = status == CommandStatus::kGood;
  result.transferred = std::min<std::uint32_t>(result.outcome.result.transferred,
                                               static_cast<std::uint32_t>(buffer.request().size()));
  if (result.success && result.transferred != 0) {
    buffer.SetValid(result.transferred);
    result.text = FormatSectorDump(buffer.valid(), r.group_size);
  }
  result.buffer = std::move(buffer);
  return result;
}

void SectorDumpReadJob::Run(JobContext& ctx) {
  DumpBuffer buffer = std::move(result_.buffer);
  result_ = ReadSectorDump(ctx.session(), request_, std::move(buffer), ctx.host());
}

}  // namespace tamarack
