// Several drives in one run: `tamarack-cli capture --drive A --drive B ...` runs the same job on
// every drive at once, each with its own session and job runner on a thread of its own, nothing
// shared between them but the terminal. One drive runs as it always did.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cli_app.h"
#include "job/job_verdict.h"

namespace tamarack::cli {

// One drive of the run: its id as typed and what "{drive}" stands for in its file names.
struct DriveSlot {
  std::string id;
  std::string name;  // SafeDriveName(id)
  // `pattern` with every "{drive}" replaced by the name.
  std::string File(const std::string& pattern) const;
};

// One of a job's own counts ("commands", 120), for the closing table and --json.
struct DriveCount {
  std::string name;
  std::uint64_t value = 0;
};

// What one drive's job came to.
struct DriveOutcome {
  int exit_status = 0;
  std::string verdict;             // VerdictWord, or "cannot open"
  std::vector<DriveCount> counts;  // none when the job never ran
  // The verdict's coverage as JSON members (Coverage::JsonMembers); empty when it asked for no
  // blocks.
  std::string coverage;
};

// The verdict in words, read in ExitStatusOf's order: "cancelled", "file error", "refused",
// "failed" (a failure ended the job), "failed, went on" (it went on past failures),
// "differences", "incomplete" (blocks asked for were skipped or not compared), "good".
std::string VerdictWord(const JobVerdict& verdict);
// The outcome of a job that ran: ExitStatusOf its verdict.
DriveOutcome OutcomeOf(const JobVerdict& verdict, std::vector<DriveCount> counts);
// A drive that could not be opened (kExitCannotOpen).
DriveOutcome CannotOpenOutcome();

// A subcommand's work on one drive: opens it through OpenSubcommandDrive, runs the job, prints
// its texts on `context` (a drive of several gets streams of its own) and says how it went.
using DriveJob = std::function<DriveOutcome(const DriveSlot& drive, CliContext& context)>;

// The id made safe for a file name: every run of characters other than letters, digits, '-'
// and '.' becomes one '_', none at either end ("emu:type13?bad=1000" -> "emu_type13_bad_1000",
// "/dev/sr0" -> "dev_sr0"); "drive" when nothing is left.
std::string SafeDriveName(std::string_view id);

// The order of exit statuses from the least to the most severe, after ExitStatusOf's ladder:
// 0 good, 13 incomplete, 14 differences, the failure categories (a higher number above a lower
// one), 1 refused, 15 a file or drive that could not be opened, 99 cancelled.
int ExitSeverity(int status);
// The most severe of `statuses` (0 for none).
int WorstExitStatus(const std::vector<int>& statuses);

struct DriveRunRequest {
  std::string subcommand;           // "capture"
  std::vector<std::string> drives;  // as typed, in order
  // The options that name a file the job writes ("--out" and its value; an empty value: not
  // given). A run of several drives refuses one without "{drive}".
  std::vector<std::pair<std::string, std::string>> files;
  bool json = false;  // --json: one JSON object per drive on standard output
};

// Adds --drive (required; repeat it to run on several drives at once) and --json.
void AddDriveRunOptions(CLI::App* command, DriveRunRequest* request);

// The slots of the request's drives; false with the reason in `error` when two drives share a
// name (the same drive twice, or ids that differ only in characters a name cannot hold) or a
// run of several drives names an output file without "{drive}".
bool PlanDrives(const DriveRunRequest& request, std::vector<DriveSlot>* slots, std::string* error);

// Runs `job` on the request's drives and returns the exit status. One drive runs on `context`
// itself, as it always has (with --json its texts go to standard error, its object to standard
// output); several run as a MultiDriveRun. A bad request is kExitBadArguments with a message.
int RunOnDrives(CliContext& context, const DriveRunRequest& request, const DriveJob& job);

// "drive  verdict  exit  counts" rows, the columns as wide as their widest cell, then "worst
// exit status: N".
std::string DriveTable(const std::vector<DriveSlot>& drives,
                       const std::vector<DriveOutcome>& outcomes);
// {"drive":ID,"name":NAME,"verdict":WORD,"exit":N,"counts":{NAME:N,...}} and a newline.
std::string DriveJsonLine(const DriveSlot& drive, const DriveOutcome& outcome);

// Runs one job per drive at once: each drive gets a thread that opens it and runs its job (which
// has its own runner's worker), so a drive waiting on I/O or hung until its time-out holds no
// other. Meanwhile the calling thread draws the progress: on a terminal one line per drive
// redrawn in place, otherwise a line per drive every few seconds. Ctrl-C or SIGTERM asks every
// drive's job to stop. At the end each drive's texts follow in the order of the drives, every
// line after "[ID] ", then the table (or the JSON lines).
class MultiDriveRun {
 public:
  MultiDriveRun(CliContext& context, std::vector<DriveSlot> drives, bool json);
  ~MultiDriveRun();
  MultiDriveRun(const MultiDriveRun&) = delete;
  MultiDriveRun& operator=(const MultiDriveRun&) = delete;

  // Runs `job` on every drive, waits for them all, prints, and returns the worst exit status.
  int Run(const DriveJob& job);
  // What Ctrl-C does: every drive's job is asked to stop after its current command. Any thread,
  // any time (before Run too).
  void RequestStop();
  // After Run: each drive's outcome, in the order of the drives.
  const std::vector<DriveOutcome>& outcomes() const { return outcomes_; }

 private:
  class Lane;
  void DrawBoard(bool force);
  void ClearBoard();

  CliContext& context_;
  std::vector<DriveSlot> drives_;
  bool json_;
  bool terminal_;
  std::vector<std::unique_ptr<Lane>> lanes_;
  std::vector<DriveOutcome> outcomes_;
  std::atomic<bool> stop_{false};
  std::mutex open_lock_;
  // The progress board (the calling thread's own).
  std::size_t board_rows_ = 0;
  std::chrono::steady_clock::time_point last_draw_{};
  std::vector<std::string> printed_;
};

}  // namespace tamarack::cli
