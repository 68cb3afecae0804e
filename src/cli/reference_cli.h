// What capture and check share on the terminal: the range options, running the job with the
// terminal's host, the summary and the exit status.
#pragma once

#include <memory>
#include <string>

#include "cli/cli_app.h"
#include "refdata/reference_job.h"

namespace tamarack::cli {

struct ReferenceOptions {
  std::string drive;
  std::string file;
  std::string start;  // empty: not given
  std::string end;
  bool yes = false;
};

// The job's range from --start and --end: neither given, the whole disc (start = end = 0);
// --start alone reads to the disc's last block. A range typed on the command line is not
// asked about again. False with a message on `err` for a bad number or start > end.
bool ReferenceRangeOptions(const ReferenceOptions& o, const char* command, std::ostream& err,
                           ReferenceRequest* request);

// Runs `job` on the drive's session (already open) with the terminal's host and prints the
// summary; returns the exit status of its result (ReferenceExitCode).
int RunReferenceJob(DeviceSession& session, const std::shared_ptr<Job>& job,
                    const ReferenceResult& result, const ReferenceOptions& o, CliContext& context);

// 0 for a clean run; 14 (miscompare) when the check found differences or was stopped at one;
// the sense category of the read failure that ended the job; 15 for a file that could not be
// made, written or read; 99 for a job cancelled from the terminal.
int ReferenceExitCode(const ReferenceResult& result, RunState ended_by);

}  // namespace tamarack::cli
