#include "shell/disc_indicator.h"

#include <vector>

#include "device/sense.h"
#include "mmc/read_toc.h"
#include "mmc/test_unit_ready.h"

namespace tamarack {

namespace {

// One command on the poll's own handle. True for a good command without sense data.
bool PollCommand(Transport& t, const Cdb& cdb, std::vector<std::uint8_t>& buffer,
                 std::uint32_t timeout) {
  ScsiRequest request;
  request.cdb = cdb;
  request.buffer = buffer;
  request.direction = DataDirection::kIn;
  request.timeout_seconds = timeout;
  const ScsiResult r = t.Execute(request);
  if (r.status != TransportStatus::kCompleted) return false;
  // Any sense data (fixed or descriptor format) means the drive is not ready for us.
  if (ParseSense(r.sense).format != SenseFormat::kNone) return false;
  return r.scsi_status == 0;
}

}  // namespace

DiscState PollDisc(const DeviceSession& session) {
  OpenResult open = session.OpenDriveDevice();
  if (!open.transport) return DiscState::kNoDisc;
  Transport& t = *open.transport;
  std::vector<std::uint8_t> buffer(1000, 0);
  if (!PollCommand(t, mmc::TestUnitReadyCdb(), buffer, session.CommandTimeout())) {
    return DiscState::kNoDisc;
  }
  std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
  // A disc whose TOC cannot be read is not shown as an audio disc.
  if (!PollCommand(t, mmc::ReadTocCdb({.length = 1000}), buffer, session.CommandTimeout())) {
    return DiscState::kNoDisc;
  }
  // The first track descriptor's control field: bit 2 set means data.
  const std::optional<mmc::TrackToc> toc = mmc::ParseTrackToc(buffer, buffer.size());
  const bool data = toc && !toc->tracks.empty() && (toc->tracks.front().control & 0x04) != 0;
  return data ? DiscState::kDataDisc : DiscState::kAudioDisc;
}

TickAction DiscIndicatorSchedule::OnTick(const TickState& state) {
  if (!state.enabled) return {};
  if (state.window_minimised || state.job_running || state.poll_running) {
    return {false, kPeriodWithoutDisc};
  }
  return {true, 0};
}

PollAction DiscIndicatorSchedule::OnPoll(DiscState state, int selection) {
  PollAction action;
  if (selection != selection_) {
    action.stale = true;
    return action;
  }
  if (state == DiscState::kNoDisc) {
    disc_seen_ = false;
    action.next_period_ms = kPeriodWithoutDisc;
    return action;
  }
  action.next_period_ms = kPeriodWithDisc;
  action.reselect_drive = !disc_seen_;
  disc_seen_ = true;
  return action;
}

}  // namespace tamarack
