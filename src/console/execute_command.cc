#include "console/execute_command.h"

#include <algorithm>
#include <new>

#include "console/user_slot.h"
#include "util/strings.h"

namespace tamarack {

PlanResult PlanCommand(CommandInput input) {
  PlanResult r;
  CommandPlan plan;
  const int n = input.transfer_blocks;
  if (n < 0 || n > kMaxTransferBlocks) {
    r.message = Tr(kTooManyBlocksMessage);
    return r;
  }
  if (n > 0) {
    plan.buffer_size = static_cast<std::size_t>(n) * kBlockBufferBytes;
    plan.request_length = static_cast<std::uint32_t>(plan.buffer_size);
  } else if (!input.user_order) {
    plan.buffer_size = input.receive_request_length;
    // A command without a data phase requests nothing: it goes out with no data direction.
    plan.request_length = MovesNoData(input.cdb[0]) ? 0 : input.receive_request_length;
  } else if (input.direction != DataDirection::kNone) {
    if (input.slot_length == 0) {
      r.message = Tr(kNoLengthMessage);
      return r;
    }
    plan.buffer_size = std::max<std::size_t>(input.slot_length, kSlotMinBuffer);
    plan.request_length = input.slot_length;
  }
  plan.data_out = input.direction == DataDirection::kOut;
  plan.input = std::move(input);
  r.plan = std::move(plan);
  return r;
}

CommandReport ExecuteCommand(DeviceSession& session, const CommandPlan& plan, JobHost& host) {
  CommandReport report;
  const CommandInput& in = plan.input;
  std::vector<std::uint8_t> buffer;
  try {
    buffer.assign(plan.buffer_size, 0);
  } catch (const std::bad_alloc&) {
    host.Message(MessageIcon::kError, Tr(kOutOfMemoryMessage));
    return report;
  }
  const std::size_t request = std::min<std::size_t>(plan.request_length, buffer.size());
  std::fill_n(buffer.begin(), request, kFillByte);

  host.Show(JobText::kStatusLine, "");
  std::vector<std::uint8_t> out_data = in.out_data;  // the transport gets a writable span
  const std::span<std::uint8_t> data = plan.data_out
                                           ? std::span<std::uint8_t>(out_data)
                                           : std::span<std::uint8_t>(buffer).first(request);
  const auto start = std::chrono::steady_clock::now();
  const CommandOutcome outcome = session.Run(
      in.cdb, data, {.direction = plan.data_out ? DataDirection::kOut : DataDirection::kIn});
  report.duration = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  report.sent = outcome.status != CommandStatus::kNoDevice;
  report.status = outcome.status;
  report.success = outcome.status == CommandStatus::kGood;
  report.sent_cdb = in.cdb;
  report.request_length = static_cast<std::uint32_t>(data.size());
  // A transport that claims more than the buffer holds is not believed beyond it.
  report.transferred = TransferredCount(outcome.result.transferred, data.size());

  if (outcome.status == CommandStatus::kCheckCondition && plan.show_sense_dialog &&
      outcome.sense.format != SenseFormat::kNone && session.host() != nullptr) {
    session.host()->ShowSenseDialog(
        std::span<const std::uint8_t>(outcome.result.sense).first(outcome.sense.length));
  }

  if (plan.data_out) {
    // What was sent is what the receive buffer shows afterwards.
    const std::size_t n = std::min<std::size_t>(
        {in.receive_request_length, outcome.result.transferred, out_data.size()});
    report.receive_data.emplace(out_data.begin(),
                                out_data.begin() + static_cast<std::ptrdiff_t>(n));
    report.received_length = static_cast<std::uint32_t>(out_data.size());
  } else {
    report.received_length = report.transferred;
  }

  if (!report.success) {
    report.output.text = kCommandErrorText;
    return report;
  }
  report.received_length = ReceivedLength(report.received_length, report.request_length);

  const bool into_receive_buffer = !plan.data_out && in.transfer_blocks == 0 && !in.user_order;
  if (into_receive_buffer)
    report.receive_data.emplace(buffer.begin(),
                                buffer.begin() + static_cast<std::ptrdiff_t>(request));
  if (in.user_order && in.direction == DataDirection::kIn && report.transferred != 0) {
    const std::size_t n = std::min<std::size_t>(report.transferred, in.receive_request_length);
    report.receive_data.emplace(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  }

  if (in.decoder) {
    DecodeInput d;
    d.data = plan.data_out ? std::span<const std::uint8_t>(out_data)
                           : std::span<const std::uint8_t>(buffer).first(request);
    d.received_length = report.received_length;
    d.transferred = report.transferred;
    d.cdb = in.cdb;
    d.transfer_blocks = in.transfer_blocks;
    d.direction = in.direction;
    d.group_size = in.group_size;
    report.output = in.decoder(d);
    if (!report.output.sense_dialog.empty() && session.host() != nullptr) {
      session.host()->ShowSenseDialog(report.output.sense_dialog);
    }
  }
  return report;
}

void ConsoleCommandJob::Run(JobContext& ctx) {
  ctx.host().SetBusy(true);
  report_ = ExecuteCommand(ctx.session(), plan_, ctx.host());
  ctx.host().SetBusy(false);
}

std::string DurationText(std::chrono::microseconds duration) {
  return StrFormat("%lld ms", static_cast<long long>(duration.count() / 1000));
}

}  // namespace tamarack
