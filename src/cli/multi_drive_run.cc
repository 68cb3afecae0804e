#include "cli/multi_drive_run.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <optional>
#include <ostream>
#include <streambuf>
#include <system_error>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/job_terminal.h"
#include "cli/json_text.h"
#include "platform/env.h"

namespace tamarack::cli {

namespace {

constexpr std::string_view kDrivePlaceholder = "{drive}";
constexpr auto kRedrawPeriod = std::chrono::milliseconds(200);
constexpr auto kQuietPeriod = std::chrono::seconds(5);
// What a drive's texts may hold before the oldest lines go: an endless run on a chatty drive
// must not grow without end while it waits for the others.
constexpr std::size_t kLaneTextLimit = 1 << 20;

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

// The progress board is drawn in place only when standard error is a terminal.
bool ErrIsTerminal(const CliContext& context) {
  return context.err == &std::cerr && Env::Default().IsTerminal(StandardStream::kError);
}

std::size_t TerminalColumns() {
  const std::optional<int> columns = Env::Default().TerminalColumns();
  return columns && *columns > 1 ? static_cast<std::size_t>(*columns) : 80;
}

// `text` cut to `columns` characters (UTF-8 sequences kept whole), so that a row never wraps
// and the cursor-up count stays right.
std::string FitColumns(const std::string& text, std::size_t columns) {
  std::size_t chars = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    if (++chars > columns) return text.substr(0, at);
  }
  return text;
}

// Every line of `text` after `prefix`.
std::string PrefixLines(const std::string& text, const std::string& prefix) {
  std::string t;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    t += prefix + text.substr(at, end - at) + "\n";
    at = end + 1;
  }
  return t;
}

std::string CountsText(const std::vector<DriveCount>& counts) {
  std::string t;
  for (const DriveCount& c : counts) {
    t += (t.empty() ? "" : ", ") + c.name + " " + std::to_string(c.value);
  }
  return t;
}

// A stream's text, written by the drive's threads (its job's worker and its own) under a lock;
// past kLaneTextLimit the oldest lines go.
class LockedText final : public std::streambuf {
 public:
  std::string Take() {
    std::lock_guard lock(mutex_);
    if (dropped_ == 0) return text_;
    return "(" + std::to_string(dropped_) + " bytes of earlier output left out)\n" + text_;
  }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    Append(&ch, 1);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    Append(s, static_cast<std::size_t>(n));
    return n;
  }

 private:
  void Append(const char* s, std::size_t n) {
    std::lock_guard lock(mutex_);
    text_.append(s, n);
    if (text_.size() <= kLaneTextLimit) return;
    std::size_t cut = text_.find('\n', text_.size() - kLaneTextLimit / 2);
    cut = cut == std::string::npos ? text_.size() - kLaneTextLimit / 2 : cut + 1;
    text_.erase(0, cut);
    dropped_ += cut;
  }

  std::mutex mutex_;
  std::string text_;
  std::uint64_t dropped_ = 0;
};

}  // namespace

std::string DriveSlot::File(const std::string& pattern) const {
  std::string t = pattern;
  for (std::size_t at = 0; (at = t.find(kDrivePlaceholder, at)) != std::string::npos;) {
    t.replace(at, kDrivePlaceholder.size(), name);
    at += name.size();
  }
  return t;
}

std::string VerdictWord(const JobVerdict& v) {
  if (v.cancelled()) return "cancelled";
  if (v.file_error()) return "file error";
  if (v.refused()) return "refused";
  if (v.ended_by()) return "failed";
  if (v.went_past()) return "failed, went on";
  if (v.differences() != 0) return "differences";
  if (v.incomplete()) return "incomplete";
  return "good";
}

DriveOutcome OutcomeOf(const JobVerdict& verdict, std::vector<DriveCount> counts) {
  return {ExitStatusOf(verdict), VerdictWord(verdict), std::move(counts)};
}

DriveOutcome CannotOpenOutcome() { return {kExitCannotOpen, "cannot open", {}}; }

std::string SafeDriveName(std::string_view id) {
  std::string name;
  bool gap = false;
  for (char c : id) {
    if (!IsNameCharacter(c)) {
      gap = true;
      continue;
    }
    if (gap && !name.empty()) name += '_';
    gap = false;
    name += c;
  }
  // Dots alone would name the folder or its parent.
  if (name.find_first_not_of('.') == std::string::npos) return "drive";
  return name;
}

int ExitSeverity(int status) {
  switch (status) {
    case kExitGood:
      return 0;
    case kExitIncomplete:
      return 1;
    case kExitMiscompare:
      return 2;
    case kExitBadArguments:
      return 1000;
    case kExitCannotOpen:
      return 1001;
    case kExitOther:
      return 1002;
    default:
      return 2 + status;  // a failure category; the higher number above
  }
}

int WorstExitStatus(const std::vector<int>& statuses) {
  int worst = kExitGood;
  for (int s : statuses) {
    if (ExitSeverity(s) > ExitSeverity(worst)) worst = s;
  }
  return worst;
}

void AddDriveRunOptions(CLI::App* command, DriveRunRequest* request) {
  request->subcommand = command->get_name();
  command
      ->add_option("--drive", request->drives,
                   "Drive id (/dev/sr0, emu:type13, ...); repeat it to run on several drives at "
                   "once")
      ->required()
      ->allow_extra_args(false);
  command->add_flag("--json", request->json,
                    "End with one JSON object per drive on standard output (JSON Lines)");
}

bool PlanDrives(const DriveRunRequest& request, std::vector<DriveSlot>* slots, std::string* error) {
  slots->clear();
  for (const std::string& id : request.drives) {
    DriveSlot slot{id, SafeDriveName(id)};
    for (const DriveSlot& other : *slots) {
      if (other.name != slot.name) continue;
      *error = other.id == id ? "--drive " + id + " is named twice"
                              : "--drive " + other.id + " and --drive " + id +
                                    " would both write their files as {drive} = " + slot.name;
      return false;
    }
    slots->push_back(std::move(slot));
  }
  if (slots->size() < 2) return true;
  for (const auto& [option, value] : request.files) {
    if (!value.empty() && value.find(kDrivePlaceholder) == std::string::npos) {
      *error = option + " needs {drive} in its file name when several drives run (" + option +
               " \"" + value + "\" would be written by each)";
      return false;
    }
  }
  return true;
}

std::string DriveTable(const std::vector<DriveSlot>& drives,
                       const std::vector<DriveOutcome>& outcomes) {
  std::vector<std::vector<std::string>> rows = {{"drive", "verdict", "exit", "counts"}};
  std::vector<int> statuses;
  for (std::size_t i = 0; i < drives.size() && i < outcomes.size(); ++i) {
    const DriveOutcome& o = outcomes[i];
    rows.push_back({drives[i].id, o.verdict, std::to_string(o.exit_status), CountsText(o.counts)});
    statuses.push_back(o.exit_status);
  }
  std::size_t widths[3] = {};
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < 3; ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::string t;
  for (const auto& row : rows) {
    std::string line = row[0] + std::string(widths[0] - row[0].size() + 2, ' ') + row[1] +
                       std::string(widths[1] - row[1].size() + 2, ' ') +
                       std::string(widths[2] - row[2].size(), ' ') + row[2] + "  " + row[3];
    line.erase(line.find_last_not_of(' ') + 1);
    t += line + "\n";
  }
  return t + "worst exit status: " + std::to_string(WorstExitStatus(statuses)) + "\n";
}

std::string DriveJsonLine(const DriveSlot& drive, const DriveOutcome& outcome) {
  std::vector<std::pair<std::string, std::string>> counts;
  for (const DriveCount& c : outcome.counts) counts.emplace_back(c.name, std::to_string(c.value));
  return JsonObject({{"drive", JsonString(drive.id)},
                     {"name", JsonString(drive.name)},
                     {"verdict", JsonString(outcome.verdict)},
                     {"exit", std::to_string(outcome.exit_status)},
                     {"counts", JsonObject(counts)}}) +
         "\n";
}

int RunOnDrives(CliContext& context, const DriveRunRequest& request, const DriveJob& job) {
  std::vector<DriveSlot> slots;
  std::string error;
  if (!PlanDrives(request, &slots, &error)) {
    *context.err << "tamarack-cli " << request.subcommand << ": " << error << "\n";
    return kExitBadArguments;
  }
  if (slots.size() == 1) {
    if (!request.json) return job(slots[0], context).exit_status;
    // Standard output carries the object alone.
    std::ostream* out = context.out;
    context.out = context.err;
    const DriveOutcome outcome = job(slots[0], context);
    context.out = out;
    *out << DriveJsonLine(slots[0], outcome);
    return outcome.exit_status;
  }
  MultiDriveRun run(context, std::move(slots), request.json);
  return run.Run(job);
}

// One drive's streams, its progress line and its end, between its threads and the board.
class MultiDriveRun::Lane final : public DriveLane {
 public:
  explicit Lane(const std::atomic<bool>& stop) : stop_(stop) {}

  void ShowProgress(const std::string& line) override {
    std::lock_guard lock(mutex_);
    progress_ = line;
  }
  bool StopRequested() const override { return stop_.load(); }

  std::string Progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
  }
  // The board's row: the progress, or how the drive ended.
  std::string Row() const {
    std::lock_guard lock(mutex_);
    if (!ending_.empty()) return ending_;
    return progress_.empty() ? "starting" : progress_;
  }
  void Finish(const DriveOutcome& outcome) {
    std::lock_guard lock(mutex_);
    ending_ = "finished: " + outcome.verdict + ", exit " + std::to_string(outcome.exit_status);
  }

  LockedText out_text;
  LockedText err_text;
  std::ostream out{&out_text};
  std::ostream err{&err_text};
  std::thread thread;

 private:
  const std::atomic<bool>& stop_;
  mutable std::mutex mutex_;
  std::string progress_;
  std::string ending_;
};

MultiDriveRun::MultiDriveRun(CliContext& context, std::vector<DriveSlot> drives, bool json)
    : context_(context),
      drives_(std::move(drives)),
      json_(json),
      terminal_(ErrIsTerminal(context)),
      printed_(drives_.size()) {
  for (std::size_t i = 0; i < drives_.size(); ++i) lanes_.push_back(std::make_unique<Lane>(stop_));
}

MultiDriveRun::~MultiDriveRun() {
  // Only when Run was left by an exception: its threads must not outlive it.
  RequestStop();
  for (auto& lane : lanes_) {
    if (lane->thread.joinable()) lane->thread.join();
  }
}

void MultiDriveRun::RequestStop() { stop_ = true; }

void MultiDriveRun::ClearBoard() {
  if (board_rows_ == 0) return;
  *context_.err << "\033[" << board_rows_ << "A\r\033[J" << std::flush;
  board_rows_ = 0;
}

void MultiDriveRun::DrawBoard(bool force) {
  const auto now = std::chrono::steady_clock::now();
  const auto period = terminal_ ? std::chrono::steady_clock::duration(kRedrawPeriod)
                                : std::chrono::steady_clock::duration(kQuietPeriod);
  if (!force && now - last_draw_ < period) return;
  last_draw_ = now;
  std::ostream& err = *context_.err;
  if (terminal_) {
    const std::size_t columns = TerminalColumns() - 1;
    std::string t;
    if (board_rows_ != 0) t += "\033[" + std::to_string(board_rows_) + "A";
    for (std::size_t i = 0; i < lanes_.size(); ++i) {
      t += "\r\033[K" + FitColumns("[" + drives_[i].id + "] " + lanes_[i]->Row(), columns) + "\n";
    }
    board_rows_ = lanes_.size();
    err << t << std::flush;
    return;
  }
  // A line for each drive whose progress moved since its last line.
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    std::string line = lanes_[i]->Progress();
    if (line.empty() || line == printed_[i]) continue;
    err << "[" << drives_[i].id << "] " << line << "\n";
    printed_[i] = std::move(line);
  }
  err << std::flush;
}

int MultiDriveRun::Run(const DriveJob& job) {
  StopSignals signals;
  outcomes_.assign(drives_.size(), {});
  std::mutex done_mutex;
  std::condition_variable done_cv;
  std::size_t done = 0;
  auto run_drive = [&](std::size_t i) {
    Lane& lane = *lanes_[i];
    CliContext c = context_;
    c.out = &lane.out;
    c.err = &lane.err;
    c.in = nullptr;  // no drive of several prompts: --yes answers, or the question stops it
    c.terminal = false;
    c.exit_code = kExitGood;
    c.lane = &lane;
    c.open_lock = &open_lock_;
    DriveOutcome outcome;
    try {
      outcome = job(drives_[i], c);
    } catch (const std::exception& e) {
      lane.err << "tamarack-cli: " << e.what() << "\n";
      outcome = {kExitOther, "failed", {}};
    }
    lane.Finish(outcome);
    outcomes_[i] = std::move(outcome);  // each thread its own element, read after the join
    std::lock_guard lock(done_mutex);
    ++done;
    done_cv.notify_all();
  };
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    try {
      lanes_[i]->thread = std::thread(run_drive, i);
    } catch (const std::system_error& e) {
      lanes_[i]->err << "tamarack-cli: cannot start the drive's thread: " << e.what() << "\n";
      const DriveOutcome outcome{kExitOther, "failed", {}};
      lanes_[i]->Finish(outcome);
      outcomes_[i] = outcome;
      std::lock_guard lock(done_mutex);
      ++done;
    }
  }
  bool stop_told = false;
  for (;;) {
    {
      std::unique_lock lock(done_mutex);
      if (done_cv.wait_for(lock, std::chrono::milliseconds(100),
                           [&] { return done == lanes_.size(); })) {
        break;
      }
    }
    if (!stop_told && (StopSignals::Requested() || stop_.load())) {
      stop_told = true;
      RequestStop();
      ClearBoard();
      *context_.err << "cancelling every drive's job after its current command (Ctrl-C again to "
                       "abort)\n";
    }
    DrawBoard(false);
  }
  for (auto& lane : lanes_) {
    if (lane->thread.joinable()) lane->thread.join();
  }
  if (terminal_) {
    DrawBoard(true);  // each drive's end, then the board makes room for the texts
    board_rows_ = 0;
  }

  std::ostream& out = json_ ? *context_.err : *context_.out;
  std::vector<int> statuses;
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    const std::string prefix = "[" + drives_[i].id + "] ";
    out << PrefixLines(lanes_[i]->out_text.Take(), prefix);
    *context_.err << PrefixLines(lanes_[i]->err_text.Take(), prefix);
    statuses.push_back(outcomes_[i].exit_status);
  }
  if (json_) {
    for (std::size_t i = 0; i < drives_.size(); ++i) {
      *context_.out << DriveJsonLine(drives_[i], outcomes_[i]);
    }
  } else {
    *context_.out << DriveTable(drives_, outcomes_);
  }
  context_.out->flush();
  return WorstExitStatus(statuses);
}

}  // namespace tamarack::cli
