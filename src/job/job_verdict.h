// How a long job ended, as one value every job fills in the same way: what failed, what the job
// went on past, whether data differed, whether a file could not be written, whether it was
// cancelled. The CLI's exit status (cli/exit_codes.h: ExitStatusOf) and a job's closing line
// are read from it, so that a faulty drive is never reported as a good one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/device_session.h"
#include "job/coverage.h"

namespace tamarack {

// One failed command: refused, timed out, a check condition, or a GOOD status with fewer bytes
// than asked for ("the reply was malformed").
struct CommandFailure {
  CommandOutcome outcome;
  bool short_reply = false;  // GOOD status, short of the request
};

class JobVerdict {
 public:
  // A failure the job went on past (a question answered "go on", `--yes`, a logged error of
  // an ageing run): the last one decides the category.
  void WentPast(const CommandOutcome& outcome, bool short_reply = false) {
    went_past_ = CommandFailure{outcome, short_reply};
    ++failures_;
  }
  // The failure that ended the job.
  void EndedBy(const CommandOutcome& outcome, bool short_reply = false) {
    ended_by_ = CommandFailure{outcome, short_reply};
    ++failures_;
  }
  // Blocks or commands whose data differed from what they should hold.
  void AddDifferences(std::uint64_t n) { differences_ += n; }
  // A log, capture or saved file could not be written (or stopped being written).
  void FileFailed(std::string what) {
    if (!file_error_) file_error_ = std::move(what);
  }
  // Cancel, Ctrl-C, SIGTERM, an interruption, the window's closing.
  void Cancelled() { cancelled_ = true; }
  // The job could not run at all for a reason of its input (a range outside the disc, an
  // unusable setting): no command decides it.
  void Refused(std::string why) {
    if (!refused_) refused_ = std::move(why);
  }

  bool cancelled() const { return cancelled_; }
  const std::optional<std::string>& file_error() const { return file_error_; }
  const std::optional<std::string>& refused() const { return refused_; }
  const std::optional<CommandFailure>& ended_by() const { return ended_by_; }
  const std::optional<CommandFailure>& went_past() const { return went_past_; }
  std::uint64_t differences() const { return differences_; }
  std::uint64_t failures() const { return failures_; }
  // What the job was asked to read and check, and what became of each block.
  Coverage& coverage() { return coverage_; }
  const Coverage& coverage() const { return coverage_; }
  // Blocks that came with good status and failed their own EDC (the coverage lists them).
  std::uint64_t edc_failures() const { return coverage_.edc_failed(); }
  // Blocks of failed commands that came whole when read again (the coverage lists them). They
  // leave the failed command a failure: a drive that needed a second try is not a good one.
  std::uint64_t recovered() const { return coverage_.recovered(); }
  // Blocks asked for were skipped, or read and not compared, with no failure to say why.
  bool incomplete() const { return !coverage_.complete(); }

  // Every command succeeded, every block came whole, every check passed, nothing asked for
  // was left out.
  bool good() const {
    return !cancelled_ && !file_error_ && !refused_ && !ended_by_ && !went_past_ &&
           differences_ == 0 && coverage_.complete();
  }

 private:
  std::optional<CommandFailure> ended_by_;
  std::optional<CommandFailure> went_past_;
  std::uint64_t differences_ = 0;
  std::uint64_t failures_ = 0;
  std::optional<std::string> file_error_;
  std::optional<std::string> refused_;
  bool cancelled_ = false;
  Coverage coverage_;
};

}  // namespace tamarack
