#include "cli/job_terminal.h"

#include <atomic>
#include <csignal>
#include <istream>
#include <optional>
#include <ostream>

#include "util/strings.h"

namespace tamarack::cli {

namespace {

constexpr auto kRedrawPeriod = std::chrono::milliseconds(200);
constexpr auto kQuietPeriod = std::chrono::seconds(5);

std::atomic<int> g_stop_signals{0};

extern "C" void OnStopSignal(int) {
  if (g_stop_signals.fetch_add(1) >= 1) {
    // The second Ctrl-C: the user does not want to wait for the job's own end.
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
  }
}

Answer ParseAnswer(QuestionKind kind, std::string reply) {
  const char c = reply.empty() ? '\0' : static_cast<char>(reply[0] | 0x20);
  switch (kind) {
    case QuestionKind::kOkCancel:
    case QuestionKind::kYesNo:
      return c == 'y' || c == 'o' ? Answer::kYes : Answer::kNo;
    case QuestionKind::kContinueSkipStop:
      if (c == 'c' || c == 'y') return Answer::kContinue;
      if (c == 's') return Answer::kSkip;
      return Answer::kStop;
    case QuestionKind::kRetryCancel:
      return c == 'r' || c == 'y' ? Answer::kRetry : Answer::kStop;
  }
  return Answer::kStop;
}

const char* PromptChoices(QuestionKind kind) {
  switch (kind) {
    case QuestionKind::kOkCancel:
    case QuestionKind::kYesNo:
      return " [y/N] ";
    case QuestionKind::kContinueSkipStop:
      return " [c]ontinue, [s]kip further questions, [q]uit: ";
    case QuestionKind::kRetryCancel:
      return " [r]etry, [q]uit: ";
  }
  return " ";
}

Answer YesAnswer(QuestionKind kind) {
  switch (kind) {
    case QuestionKind::kOkCancel:
    case QuestionKind::kYesNo:
      return Answer::kYes;
    case QuestionKind::kContinueSkipStop:
      return Answer::kContinue;
    case QuestionKind::kRetryCancel:
      return Answer::kRetry;
  }
  return Answer::kYes;
}

}  // namespace

StopSignals::StopSignals() {
  g_stop_signals = 0;
  previous_int_ = std::signal(SIGINT, OnStopSignal);
  previous_term_ = std::signal(SIGTERM, OnStopSignal);
}

StopSignals::~StopSignals() {
  std::signal(SIGINT, previous_int_);
  std::signal(SIGTERM, previous_term_);
}

bool StopSignals::Requested() { return g_stop_signals.load() > 0; }

std::string FormatDuration(std::chrono::seconds d) {
  const long long s = d.count() < 0 ? 0 : d.count();
  if (s >= 3600) return StrFormat("%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return StrFormat("%lld:%02lld", s / 60, s % 60);
}

std::string ReadSpeedText(std::uint64_t bytes, Clock::Duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  if (seconds <= 0) return StrFormat("%llu bytes", static_cast<unsigned long long>(bytes));
  return StrFormat("%llu bytes in %.2f s, %.2f MB/s", static_cast<unsigned long long>(bytes),
                   seconds, static_cast<double>(bytes) / seconds / 1e6);
}

std::string SecondReadsLine(std::uint64_t second_reads) {
  if (second_reads == 0) return "";
  return StrFormat(
      "reads sent again over the A5h fill, to tell data ending in 5Ah from an "
      "unsent tail: %llu\n",
      static_cast<unsigned long long>(second_reads));
}

std::string CoverageLine(const Coverage& coverage) {
  if (coverage.asked() == 0) return "";
  return "coverage: " + coverage.Text() + "\n";
}

std::string FormatProgressLine(const JobProgress& p, std::chrono::microseconds elapsed,
                               const std::string& unit, const std::string& counters) {
  std::string line;
  if (p.total != 0) {
    line = StrFormat("%llu/%llu %s  %.1f%%", static_cast<unsigned long long>(p.done),
                     static_cast<unsigned long long>(p.total), unit.c_str(),
                     100.0 * static_cast<double>(p.done) / static_cast<double>(p.total));
  } else {
    line = StrFormat("%llu %s", static_cast<unsigned long long>(p.done), unit.c_str());
  }
  if (p.address) line += StrFormat("  LBA %u", *p.address);
  if (p.bytes_per_second > 0) {
    // x1 is 75 blocks a second, whatever the block size; without a block count, 2048-byte ones.
    const double x =
        p.blocks_per_second > 0 ? p.blocks_per_second / 75.0 : p.bytes_per_second / (75.0 * 2048.0);
    line += StrFormat("  %.2f MB/s (x%.1f)", p.bytes_per_second / 1e6, x);
  }
  const auto secs = std::chrono::duration_cast<std::chrono::seconds>(elapsed);
  line += "  " + FormatDuration(secs) + " elapsed";
  if (p.total != 0 && p.done != 0 && p.done <= p.total) {
    const double per_unit = static_cast<double>(elapsed.count()) / static_cast<double>(p.done);
    const auto left = std::chrono::microseconds(
        static_cast<long long>(per_unit * static_cast<double>(p.total - p.done)));
    line += "  " + FormatDuration(std::chrono::duration_cast<std::chrono::seconds>(left)) + " left";
  }
  if (!counters.empty()) line += "  " + counters;
  return line;
}

TerminalJobHost::TerminalJobHost(std::ostream& out, std::ostream& err, std::istream* in,
                                 bool terminal, AnswerPolicy policy, Clock& clock, std::string unit)
    : out_(out),
      err_(err),
      in_(in),
      terminal_(terminal),
      policy_(policy),
      clock_(clock),
      unit_(std::move(unit)),
      started_(clock.Now()) {}

void TerminalJobHost::ClearLineLocked() {
  if (line_open_) {
    err_ << "\r\033[K";
    line_open_ = false;
  }
}

void TerminalJobHost::EndProgressLine() {
  std::lock_guard lock(mutex_);
  ClearLineLocked();
}

void TerminalJobHost::SetCounters(const std::string& text) {
  std::string joined;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    if (end > at) joined += (joined.empty() ? "" : ", ") + text.substr(at, end - at);
    at = end + 1;
  }
  std::lock_guard lock(mutex_);
  counters_ = std::move(joined);
}

void TerminalJobHost::SendProgressTo(DriveLane* lane) {
  std::lock_guard lock(mutex_);
  lane_ = lane;
}

void TerminalJobHost::Show(JobText where, const std::string& text) {
  if (where == JobText::kCounters) {
    SetCounters(text);
    return;
  }
  if (where != JobText::kResultLine && where != JobText::kStatus) return;
  std::lock_guard lock(mutex_);
  ClearLineLocked();
  out_ << text << '\n' << std::flush;
}

void TerminalJobHost::Progress(const JobProgress& progress) {
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard lock(mutex_);
  const bool finished = progress.total != 0 && progress.done >= progress.total;
  // A lane's board draws at its own pace: the line is only handed over.
  const auto period = terminal_ || lane_ ? std::chrono::steady_clock::duration(kRedrawPeriod)
                                         : std::chrono::steady_clock::duration(kQuietPeriod);
  if (!finished && now - last_drawn_ < period) return;
  last_drawn_ = now;
  const std::string line = FormatProgressLine(progress, clock_.Now() - started_, unit_, counters_);
  if (lane_) {
    lane_->ShowProgress(line);
  } else if (terminal_) {
    err_ << "\r\033[K" << line << std::flush;
    line_open_ = true;
  } else {
    err_ << line << '\n' << std::flush;
  }
}

void TerminalJobHost::Message(MessageIcon icon, const std::string& text) {
  std::lock_guard lock(mutex_);
  ClearLineLocked();
  const char* prefix = icon == MessageIcon::kError     ? "error: "
                       : icon == MessageIcon::kWarning ? "warning: "
                                                       : "";
  // The system's texts end their lines with "\r\n".
  std::string clean;
  for (char c : text) {
    if (c != '\r') clean += c;
  }
  (icon == MessageIcon::kInformation ? out_ : err_) << prefix << clean << '\n' << std::flush;
}

Answer TerminalJobHost::Ask(const JobQuestion& question) {
  std::lock_guard lock(mutex_);
  ClearLineLocked();
  if (policy_ == AnswerPolicy::kYes) return YesAnswer(question.kind);
  if (policy_ == AnswerPolicy::kStop || !terminal_ || in_ == nullptr) {
    err_ << question.text << "\n(no terminal to ask: stopping; --yes answers yes)\n" << std::flush;
    return StoppingAnswer(question.kind);
  }
  err_ << question.text << PromptChoices(question.kind) << std::flush;
  std::string reply;
  if (!std::getline(*in_, reply)) return StoppingAnswer(question.kind);
  return ParseAnswer(question.kind, reply);
}

void TerminalJobHost::Finished(RunState ended_by) {
  std::lock_guard lock(mutex_);
  ClearLineLocked();
  finished_ = true;
  ended_by_ = ended_by;
  finished_cv_.notify_all();
}

bool TerminalJobHost::WaitFinished(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return finished_cv_.wait_for(lock, timeout, [this] { return finished_; });
}

RunState TerminalJobHost::ended_by() const {
  std::lock_guard lock(mutex_);
  return ended_by_;
}

RunState RunJobFromTerminal(JobRunner& runner, std::shared_ptr<Job> job, TerminalJobHost& host,
                            DriveLane* lane) {
  std::optional<StopSignals> signals;
  if (lane) {
    host.SendProgressTo(lane);
  } else {
    signals.emplace();
  }
  if (runner.Start(std::move(job), host) == StartResult::kBusy) return RunState::kIdle;
  bool cancel_sent = false;
  while (!host.WaitFinished(std::chrono::milliseconds(100))) {
    if (!cancel_sent && (lane ? lane->StopRequested() : StopSignals::Requested())) {
      cancel_sent = true;
      host.Message(MessageIcon::kWarning,
                   lane ? "cancelling after the current command"
                        : "cancelling after the current command (Ctrl-C again to abort)");
      runner.RequestCancel();
    }
  }
  runner.Wait();
  return host.ended_by();
}

}  // namespace tamarack::cli
