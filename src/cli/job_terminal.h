// Long jobs from the terminal: one progress renderer for every job, questions answered by flags
// or at a prompt, and Ctrl-C as the job's own Cancel.
#pragma once

#include <chrono>
#include <condition_variable>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>

#include "device/clock.h"
#include "job/coverage.h"
#include "job/job.h"
#include "job/job_host.h"
#include "job/job_runner.h"

namespace tamarack::cli {

// One drive's place in a run of several drives (multi_drive_run.h): where its progress line
// goes instead of the terminal, and whether the run asked its job to stop. Thread-safe.
class DriveLane {
 public:
  virtual ~DriveLane() = default;
  virtual void ShowProgress(const std::string& line) = 0;
  virtual bool StopRequested() const = 0;
};

// SIGINT and SIGTERM as a stop request while this lives (the previous handlers come back
// after); a second one aborts the process. One at a time.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  // A signal came since this was made.
  static bool Requested();

 private:
  void (*previous_int_)(int);
  void (*previous_term_)(int);
};

// How questions are answered when no one is asked.
enum class AnswerPolicy {
  kPrompt,  // ask on the terminal (standard input); without a terminal, stop
  kYes,     // --yes: OK, yes, continue, retry
  kStop,    // end the job at the first question
};

// "1234/5000 blocks  24.7%  3.52 MB/s (x23.5)  0:42 elapsed  2:09 left": the parts that are
// known; `unit` names what `done` counts. Pure, for the renderer and tests.
// `counters`, when not empty, follows at the end.
std::string FormatProgressLine(const JobProgress& progress, std::chrono::microseconds elapsed,
                               const std::string& unit, const std::string& counters = "");

// "1:02:03" or "2:09".
std::string FormatDuration(std::chrono::seconds d);

// The closing line of a job that sent reads a second time over the A5h fill; "" for none.
// Every job says it in these words.
std::string SecondReadsLine(std::uint64_t second_reads);

// The closing line of a job that asked for blocks: "coverage: asked N, read N, ..." (Coverage's
// Text); "" for a job that asked for none.
std::string CoverageLine(const Coverage& coverage);

// "N bytes in S.SS s, M.MM MB/s" (MB = 10^6 bytes) by the job's own clock; "N bytes" when no
// time passed.
std::string ReadSpeedText(std::uint64_t bytes, Clock::Duration elapsed);

// The terminal's JobHost. On a terminal the progress is one line rewritten in place; otherwise a
// line every `quiet_period`. Result lines and messages are printed as they come; a job's counter
// box (JobText::kCounters) is the end of the progress line, its lines joined by ", ".
// Thread-safe.
class TerminalJobHost : public JobHost {
 public:
  TerminalJobHost(std::ostream& out, std::ostream& err, std::istream* in, bool terminal,
                  AnswerPolicy policy, Clock& clock, std::string unit = "blocks");

  void Show(JobText where, const std::string& text) override;
  void Progress(const JobProgress& progress) override;
  void Message(MessageIcon icon, const std::string& text) override;
  Answer Ask(const JobQuestion& question) override;
  void Finished(RunState ended_by) override;

  // Waits up to `timeout` for Finished; true once it has been called.
  bool WaitFinished(std::chrono::milliseconds timeout);
  RunState ended_by() const;
  // Puts the progress line away before other output (Ctrl-C notes, the summary).
  void EndProgressLine();
  // What the progress line ends with from now on (the counter box's text, lines joined).
  void SetCounters(const std::string& text);
  std::chrono::microseconds Elapsed() const { return clock_.Now() - started_; }
  // From now on the progress line goes to `lane` (not the terminal); null: the terminal.
  void SendProgressTo(DriveLane* lane);

 private:
  void ClearLineLocked();

  std::ostream& out_;
  std::ostream& err_;
  std::istream* in_;
  bool terminal_;
  AnswerPolicy policy_;
  Clock& clock_;
  std::string unit_;
  Clock::Duration started_;
  std::chrono::steady_clock::time_point last_drawn_{};
  bool line_open_ = false;
  DriveLane* lane_ = nullptr;
  std::string counters_;
  mutable std::mutex mutex_;
  std::condition_variable finished_cv_;
  bool finished_ = false;
  RunState ended_by_ = RunState::kIdle;
};

// Runs `job` on `runner` and waits for it, turning SIGINT/SIGTERM into the job's Cancel (the job
// ends through its normal end path); a second Ctrl-C aborts the process. Returns the state that
// ended the job. With a `lane` (one drive of several) the progress goes to the lane and the
// lane's stop request cancels the job instead: the run of all drives owns the signals.
RunState RunJobFromTerminal(JobRunner& runner, std::shared_ptr<Job> job, TerminalJobHost& host,
                            DriveLane* lane = nullptr);

}  // namespace tamarack::cli
