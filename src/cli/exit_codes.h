// Exit statuses of tamarack-cli, after sg3_utils' convention.
#pragma once

#include "device/device_session.h"
#include "job/job_verdict.h"

namespace tamarack::cli {

enum ExitCode : int {
  kExitGood = 0,
  kExitBadArguments = 1,
  kExitNotReady = 2,
  kExitMediumError = 3,
  kExitHardwareError = 4,
  kExitIllegalRequest = 5,
  kExitUnitAttention = 6,
  kExitDataProtect = 7,
  kExitInvalidOpcode = 9,
  kExitAbortedCommand = 11,
  kExitIncomplete = 13,  // a job left out blocks it was asked to read or check
  kExitMiscompare = 14,
  kExitCannotOpen = 15,
  kExitNoSense = 20,
  kExitRecovered = 21,
  kExitTimeout = 33,
  kExitTransportError = 35,
  kExitMalformedReply = 97,  // GOOD status, but fewer bytes than asked for
  kExitOther = 99,
};

// The exit status for the outcome of one command.
int ExitCodeFor(const CommandOutcome& outcome);

// The exit status of a long job, the same rule for every subcommand, first match wins:
//   99  cancelled (Ctrl-C, SIGTERM);
//   15  a log, capture or saved file could not be written;
//   1   refused at the start for a reason of its input;
//   the category of the failure that ended the job (97 for a short reply);
//   the category of the last failure the job went on past (97 for a short reply);
//   14  blocks failed their own EDC, or data differed;
//   13  blocks asked for were skipped (with their reason) or read and not compared;
//   0   every command succeeded, every block came whole and every check passed.
int ExitStatusOf(const JobVerdict& verdict);

}  // namespace tamarack::cli
