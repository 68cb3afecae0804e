// How a job ended, said the same way everywhere: the verdict's kind read in the exit status's
// order (cli/exit_codes.h: ExitStatusOf), the word the CLI prints for it, the icon a window's
// closing message takes (information only for a good end) and the closing line with the
// verdict's counts.
#pragma once

#include <string>

#include "job/job_host.h"
#include "job/job_verdict.h"

namespace tamarack {

enum class VerdictKind {
  kCancelled,
  kFileError,
  kRefused,
  kFailed,        // a failure ended the job
  kFailedWentOn,  // failures the job went on past
  kEdcFailed,     // blocks came with good status and failed their own EDC
  kDifferences,
  kIncomplete,  // blocks asked for skipped or not compared
  kGood,
};

// The first that holds, in the order above.
VerdictKind KindOf(const JobVerdict& verdict);

// "cancelled", "file error", "refused", "failed", "failed, went on", "EDC failed",
// "differences", "incomplete", "good".
const char* VerdictWord(VerdictKind kind);

// The word of a verdict: VerdictWord of its kind, and for a cancelled job what it saw before
// ("cancelled, failed", "cancelled, differences"), so that a drive cancelled after failures
// never reads like a clean one that was cancelled.
std::string VerdictWordOf(const JobVerdict& verdict);

// kInformation for a good end only; kWarning for a stop or a job that left blocks out; kError
// for failures, differences and files not written.
MessageIcon VerdictIcon(VerdictKind kind);

// The closing line of a window's message, in the user's language around the CLI's words and
// counts: "判定: failed, went on (失敗したｺﾏﾝﾄﾞ 3)" and, when the job accounted for blocks, a
// second line with the coverage ("asked 1000, read 990, failed 10, skipped 0").
std::string VerdictLines(const JobVerdict& verdict);

}  // namespace tamarack
