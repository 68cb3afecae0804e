#include "cli/reference_cli.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/exit_codes.h"
#include "cli/job_terminal.h"
#include "job/job_runner.h"
#include "tools/dump_number.h"
#include "util/strings.h"

namespace tamarack::cli {

bool ReferenceRangeOptions(const ReferenceOptions& o, const char* command, std::ostream& err,
                           ReferenceRequest* request) {
  request->confirm_range = false;
  request->start = 0;
  request->end = 0;
  const auto start =
      o.start.empty() ? std::optional<std::uint32_t>(0) : ParseDumpNumber(o.start, false);
  const auto end = o.end.empty() ? std::optional<std::uint32_t>(o.start.empty() ? 0 : kToDiscEnd)
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
  // A range typed is the range asked for: "--start 0 --end 0" is LBA 0 alone.
  request->exact = !o.start.empty() || !o.end.empty();
  request->verify_edc = o.verify_edc;
  request->retries = o.retries;
  return true;
}

void AddRetriesOption(CLI::App* cmd, ReferenceOptions* o) {
  cmd->add_option("--retries", o->retries,
                  "After a failed read, read each of its blocks alone up to N times (0 to 16, "
                  "default 1; 0: no second try)")
      ->check(CLI::Range(0, kMostRetries));
}

std::string LayoutText(const ReferenceLayout& layout) {
  std::string t;
  for (const ReferenceSpan& s : layout.spans()) {
    if (!t.empty()) t += ", ";
    t += s.block_size == 0
             ? StrFormat("none from LBA %lld", static_cast<long long>(s.first))
             : StrFormat("%u from LBA %lld", s.block_size, static_cast<long long>(s.first));
  }
  return t;
}

std::string ReferenceSummary(const ReferenceResult& r) {
  std::string t;
  if (r.range_settled && (r.block_size.bytes != 0 || r.end == ReferenceEnd::kFirstReadFailed)) {
    t += StrFormat("range: LBA %u-%u (%llu blocks), %s\n", r.range.start, r.range.end,
                   static_cast<unsigned long long>(r.range.blocks()), r.block_size.Text().c_str());
  }
  if (r.layout.spans().size() > 1) t += "block sizes: " + LayoutText(r.layout) + "\n";
  for (const SessionGap& g : r.session_gaps) {
    t += StrFormat("between sessions: LBA %d-%d (neither read nor in the file)\n", g.first,
                   g.end - 1);
  }
  if (r.bytes_written != 0) t += "read: " + ReadSpeedText(r.bytes_written, r.read_elapsed) + "\n";
  if (r.read_errors != 0) t += StrFormat("read errors gone past: %u\n", r.read_errors);
  if (!r.unread.empty()) {
    const auto n = static_cast<unsigned long long>(r.unread.blocks());
    t += r.unread_file.empty()
             ? StrFormat("unread blocks (5Ah filler in the file): %llu, LBA %s\n", n,
                         UnreadRangesText(r.unread).c_str())
             : StrFormat("unread blocks (5Ah filler in the file): %llu, listed in %s\n", n,
                         r.unread_file.c_str());
  }
  if (r.edc_failed != 0) {
    t += StrFormat("EDC failures (good status, the block's EDC does not match): %llu\n",
                   static_cast<unsigned long long>(r.edc_failed));
  }
  t += SecondReadsLine(r.second_reads);
  if (r.retry_reads != 0) {
    t += StrFormat("read again one block at a time: %u reads, %llu blocks recovered\n",
                   r.retry_reads, static_cast<unsigned long long>(r.verdict.recovered()));
  }
  if (r.check_ran && r.bytes_checked != 0) {
    t += "checked: " + ReadSpeedText(r.bytes_checked, r.check_elapsed) + "\n";
  }
  if (r.skipped != 0) {
    t += StrFormat("skipped: %llu blocks the capture could not read%s%s\n",
                   static_cast<unsigned long long>(r.skipped),
                   r.skipped_list.empty() ? "" : ", listed in ", r.skipped_list.c_str());
  }
  if (r.check_ran && r.block_size.bytes != 0 && r.end != ReferenceEnd::kNoCheckData) {
    t += r.check_whole
             ? StrFormat("differences: %u\n", r.mismatches)
             : StrFormat(
                   "differences: %u before the check stopped at LBA %u (LBA %u-%u not checked)\n",
                   r.mismatches, r.check_stopped_at, r.check_stopped_at, r.range.end);
  }
  t += CoverageLine(r.verdict.coverage());
  if (!r.file.empty()) t += "file: " + r.file + "\n";
  return t;
}

DriveOutcome RunReferenceJob(DeviceSession& session, const std::shared_ptr<Job>& job,
                             const ReferenceResult& r, const ReferenceOptions& o,
                             CliContext& context) {
  std::ostream& out = *context.out;
  JobRunner runner(session);
  TerminalJobHost host(out, *context.err, context.in, context.terminal,
                       o.yes ? AnswerPolicy::kYes : AnswerPolicy::kPrompt, runner.clock());
  RunJobFromTerminal(runner, job, host, context.lane);
  host.EndProgressLine();
  out << ReferenceSummary(r);
  std::vector<DriveCount> counts;
  if (r.range_settled) counts.push_back({"blocks", r.range.blocks()});
  counts.push_back({"errors", r.read_errors});
  counts.push_back({"unread", r.unread.blocks()});
  if (r.check_ran) counts.push_back({"differences", r.mismatches});
  if (o.verify_edc) counts.push_back({"edc_failed", r.edc_failed});
  if (r.retry_reads != 0) {
    counts.push_back({"retry_reads", r.retry_reads});
    counts.push_back({"recovered", r.verdict.recovered()});
  }
  return OutcomeOf(r.verdict, std::move(counts));
}

}  // namespace tamarack::cli
