// What capture and check share on the terminal: the range options, running the job with the
// terminal's host, the summary and the exit status.
#pragma once

#include <memory>
#include <string>

#include "cli/cli_app.h"
#include "cli/multi_drive_run.h"
#include "refdata/reference_job.h"

namespace tamarack::cli {

struct ReferenceOptions {
  DriveRunRequest drives;
  std::string file;   // may name the drive with {drive}
  std::string start;  // empty: not given
  std::string end;
  bool yes = false;
  bool verify_edc = false;                  // --verify-edc
  std::uint32_t retries = kDefaultRetries;  // --retries
};

// The job's range from --start and --end: neither given, the whole disc (start = end = 0);
// --start alone reads to the disc's last block; a range typed is exact ("--start 0 --end 0"
// is LBA 0 alone). A range typed on the command line is not
// asked about again. False with a message on `err` for a bad number or start > end.
bool ReferenceRangeOptions(const ReferenceOptions& o, const char* command, std::ostream& err,
                           ReferenceRequest* request);

// Adds --retries N (0 to kMostRetries) to `cmd`.
void AddRetriesOption(CLI::App* cmd, ReferenceOptions* o);

// Runs `job` on the drive's session (already open) with the terminal's host and prints the
// summary; returns the outcome of its result's verdict (ExitStatusOf) with its counts.
DriveOutcome RunReferenceJob(DeviceSession& session, const std::shared_ptr<Job>& job,
                             const ReferenceResult& result, const ReferenceOptions& o,
                             CliContext& context);

// The summary after the job's own texts: the range and block size (and the sizes by track and
// the gaps between sessions of a mixed disc), the bytes, the read errors gone past, the unread
// blocks and their list, the blocks read again alone and how many came, what the check skipped, the
// differences (and where a check that did not reach its end stopped), the coverage, the file.
std::string ReferenceSummary(const ReferenceResult& result);
// "2048 from LBA 0, 2352 from LBA 13500, ...": the block size of each span of a file's layout
// ("none" for a gap between sessions).
std::string LayoutText(const ReferenceLayout& layout);

}  // namespace tamarack::cli
