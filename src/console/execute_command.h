// Running one console command: the checks made before anything is sent (on the window
// thread), then the command itself with its decoding (on a worker thread), reporting
// through a small host interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "console/command_catalogue.h"
#include "device/device_session.h"
#include "form/decoder.h"
#include "job/job.h"
#include "job/job_host.h"
#include "util/message_catalogue.h"

namespace tamarack {

// Bytes prepared per block of a read command, and the largest transfer length in blocks.
inline constexpr std::size_t kBlockBufferBytes = 2656;
inline constexpr int kMaxTransferBlocks = 100;

inline constexpr const char* kTooManyBlocksMessage =
    TR_NOOP("転送長が最大数を超えました(最大数は100です)");
inline constexpr const char* kOutOfMemoryMessage = TR_NOOP("ﾒﾓﾘ不足です");
inline constexpr const char* kNoLengthMessage = TR_NOOP("ﾃﾞｰﾀを伴うｺﾏﾝﾄﾞですが転送長が0です");

// What execution takes from the console, captured on the window thread.
struct CommandInput {
  std::size_t row = 0;
  bool user_order = false;  // the list is in User order (the row is a slot)
  Cdb cdb{};
  int transfer_blocks = 0;
  DataDirection direction = DataDirection::kNone;
  std::vector<std::uint8_t> out_data;  // data-out commands: exactly the bytes sent
  std::uint32_t slot_length = 0;       // user order: the slot's data length
  std::uint32_t receive_request_length = 0;
  Decoder decoder = nullptr;
  int group_size = 4;
};

// A command ready to be sent: the buffer to prepare and what to request.
struct CommandPlan {
  CommandInput input;
  bool data_out = false;
  std::size_t buffer_size = 0;       // data-in buffer to allocate
  std::uint32_t request_length = 0;  // bytes requested (filled with 0x5A first)
  bool show_sense_dialog = true;
};

struct PlanResult {
  std::optional<CommandPlan> plan;
  std::string message;  // an error message box when nothing is to be sent
};

// Steps 3 to 5 of execution: the transfer length checks and the buffer the command gets.
PlanResult PlanCommand(CommandInput input);

struct CommandReport {
  bool sent = false;     // false: stopped before sending (the host showed why)
  bool success = false;  // the command ended good
  CommandStatus status = CommandStatus::kNoDevice;
  Cdb sent_cdb{};  // the last sent CDB
  std::uint32_t request_length = 0;
  std::uint32_t transferred = 0;      // as reported, never more than the buffer
  std::uint32_t received_length = 0;  // as the decoder saw it
  std::chrono::microseconds duration{0};
  DecodeOutput output;  // "Command Error!?" on failure
  // Bytes the console's receive buffer takes over (replies read into it, data sent from a
  // slot, data a slot read); empty when it keeps its content.
  std::optional<std::vector<std::uint8_t>> receive_data;
};

// Sends the planned command through `session` and decodes the reply. Thread: any one worker;
// touches no console state, only the session (which serialises its transport) and `host`.
// Error messages go to `host`; the Request Sense dialog (a check condition, or a Request Sense
// reply) to the session's host.
CommandReport ExecuteCommand(DeviceSession& session, const CommandPlan& plan, JobHost& host);

// A console command as a job of the job frame: one command, marked busy while it runs. Its
// report is read after the host's Finished call.
class ConsoleCommandJob final : public Job {
 public:
  explicit ConsoleCommandJob(CommandPlan plan) : plan_(std::move(plan)) {}
  void Run(JobContext& ctx) override;
  const CommandReport& report() const { return report_; }

 private:
  CommandPlan plan_;
  CommandReport report_;
};

// A duration as the console's millisecond text ("%d ms").
std::string DurationText(std::chrono::microseconds duration);

}  // namespace tamarack
