#include "cli/reference_cli.h"

#include <ostream>

#include "cli/exit_codes.h"
#include "cli/job_terminal.h"
#include "job/job_runner.h"
#include "tools/dump_number.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

std::string MegabytesPerSecond(std::uint64_t bytes, Clock::Duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  if (seconds <= 0) return StrFormat("%llu bytes", static_cast<unsigned long long>(bytes));
  return StrFormat("%llu bytes in %.2f s, %.2f MB/s", static_cast<unsigned long long>(bytes),
                   seconds, static_cast<double>(bytes) / seconds / 1e6);
}

}  // namespace

bool ReferenceRangeOptions(const ReferenceOptions& o, const char* command, std::ostream& err,
                           ReferenceRequest* request) {
  request->confirm_range = false;
  request->start = 0;
  request->end = 0;
  const auto start =
      o.start.empty() ? std::optional<std::uint32_t>(0) : ParseDumpNumber(o.start, false);
  const auto end = o.end.empty() ? std::optional<std::uint32_t>(o.start.empty() ? 0 : 0xFFFFFFFFu)
                                 : ParseDumpNumber(o.end, false);
  if (!start || !end) {
    err << "tamarack-cli " << command
        << ": --start and --end take an LBA, decimal or hexadecimal with 0x\n";
    return false;
  }
  if (*start > *end) {
    err << "tamarack-cli " << command << ": --start is after --end\n";
    return false;
  }
  request->start = *start;
  request->end = *end;
  return true;
}

int ReferenceExitCode(const ReferenceResult& r, RunState ended_by) {
  auto failure_code = [&r] {
    return r.failure.status == CommandStatus::kNoDevice ? kExitOther : ExitCodeFor(r.failure);
  };
  switch (r.end) {
    case ReferenceEnd::kCompleted:
      return r.mismatches != 0 ? kExitMiscompare : kExitGood;
    case ReferenceEnd::kStopped:
      switch (r.stop_cause) {
        case StopCause::kDifference:
          return kExitMiscompare;
        case StopCause::kReadError:
          return failure_code();
        case StopCause::kUser:
        case StopCause::kNone:
          break;
      }
      return ended_by == RunState::kIdle ? failure_code() : kExitOther;
    case ReferenceEnd::kNoDevice:
      return kExitCannotOpen;
    case ReferenceEnd::kNoDisc:
      return r.failure.status == CommandStatus::kNoDevice ? kExitNotReady : failure_code();
    case ReferenceEnd::kRangeDeclined:
      return kExitOther;
    case ReferenceEnd::kOutsideDisc:
      return kExitBadArguments;
    case ReferenceEnd::kFirstReadFailed:
    case ReferenceEnd::kTailReadFailed:
      return failure_code();
    case ReferenceEnd::kFileError:
    case ReferenceEnd::kCheckFileMissing:
    case ReferenceEnd::kNoCheckData:
      return kExitCannotOpen;
  }
  return kExitOther;
}

int RunReferenceJob(DeviceSession& session, const std::shared_ptr<Job>& job,
                    const ReferenceResult& r, const ReferenceOptions& o, CliContext& context) {
  std::ostream& out = *context.out;
  JobRunner runner(session);
  TerminalJobHost host(out, *context.err, context.in, context.terminal,
                       o.yes ? AnswerPolicy::kYes : AnswerPolicy::kPrompt, runner.clock());
  const RunState ended_by = RunJobFromTerminal(runner, job, host);
  host.EndProgressLine();
  if (r.block_size.bytes != 0) {
    out << StrFormat("range: LBA %u-%u (%llu blocks), %s\n", r.range.start, r.range.end,
                     static_cast<unsigned long long>(r.range.blocks()),
                     r.block_size.Text().c_str());
  }
  if (r.bytes_written != 0)
    out << "read: " << MegabytesPerSecond(r.bytes_written, r.read_elapsed) << "\n";
  if (r.check_ran && r.bytes_checked != 0) {
    out << "checked: " << MegabytesPerSecond(r.bytes_checked, r.check_elapsed) << "\n";
  }
  if (r.read_errors != 0) out << StrFormat("read errors: %u\n", r.read_errors);
  if (r.check_ran) out << StrFormat("differences: %u\n", r.mismatches);
  if (!r.file.empty()) out << "file: " << r.file << "\n";
  return ReferenceExitCode(r, ended_by);
}

}  // namespace tamarack::cli
