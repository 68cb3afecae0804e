// What a long job asks of its surroundings. The window implements it with dialogs and queued
// calls to its own thread, the CLI with the terminal and flags, tests with a script. Every
// method is called on the job's worker thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "job/run_state.h"

namespace tamarack {

// Where a job's texts go. Each job documents the ones it uses; a host shows what it has a
// place for and may ignore the rest.
enum class JobText {
  kStatus,        // the job's own status text (in its tab or dialog)
  kCounters,      // a counter box ("Total Command=...")
  kPause,         // the pause text ("%dmsec")
  kCdb,           // the CDB line of the command in progress
  kModel,         // the drive's model line
  kDump,          // a received-data dump
  kResultLine,    // one more line of a result list (appended, never replaced)
  kSpeed,         // the current speed display ("x8.0")
  kSecondStatus,  // a second status line beside kStatus (the Sub-Q check's channel line)
  kStatusLine,    // the window's status line, where a failed command's text goes too
};

// Where a job stands. Counts are in the job's own unit (blocks, commands, passes).
struct JobProgress {
  std::uint64_t done = 0;
  std::uint64_t total = 0;               // 0: unknown (an endless run)
  std::optional<std::uint32_t> address;  // the LBA in progress
  double bytes_per_second = 0;           // 0: not measured yet
  double blocks_per_second = 0;          // when known: the "x" factor is this ÷ 75
};

// kQuestion: a notice shown with the question icon; it asks nothing (see Ask for that).
enum class MessageIcon { kInformation, kWarning, kError, kQuestion };

// The answers a job can get; each question kind allows a subset.
enum class Answer { kYes, kNo, kContinue, kSkip, kStop, kRetry };

enum class QuestionKind {
  kOkCancel,          // kYes (OK) or kNo (Cancel)
  kYesNo,             // kYes or kNo
  kContinueSkipStop,  // kContinue, kSkip (continue and stop asking) or kStop
  kRetryCancel,       // kRetry or kStop
};

struct JobQuestion {
  QuestionKind kind = QuestionKind::kOkCancel;
  std::string text;
};

// The answer that ends the job, for hosts that cannot ask (no terminal, window closing).
constexpr Answer StoppingAnswer(QuestionKind kind) {
  switch (kind) {
    case QuestionKind::kOkCancel:
    case QuestionKind::kYesNo:
      return Answer::kNo;
    case QuestionKind::kContinueSkipStop:
    case QuestionKind::kRetryCancel:
      return Answer::kStop;
  }
  return Answer::kNo;
}

class JobHost {
 public:
  virtual ~JobHost() = default;
  virtual void Show(JobText /*where*/, const std::string& /*text*/) {}
  virtual void Progress(const JobProgress& /*progress*/) {}
  // A message box captioned "Tamarack". Does not wait for it to be closed.
  virtual void Message(MessageIcon /*icon*/, const std::string& /*text*/) {}
  // Waits for the answer. The default ends the job.
  virtual Answer Ask(const JobQuestion& question) { return StoppingAnswer(question.kind); }
  // The drive is busy with the job's command: the disc indicator does not poll meanwhile.
  virtual void SetBusy(bool /*busy*/) {}
  // The job is over; called exactly once per started job, after its last report, with the
  // state that ended it (kIdle: it ran to its end).
  virtual void Finished(RunState /*ended_by*/) {}
};

}  // namespace tamarack
