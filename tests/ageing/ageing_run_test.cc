// Whole runs against the virtual drive on a simulated clock: the loop rules through the job,
// data checks of good and corrupted discs, fault plans with and without the command-error end,
// Cancel, refusals at the start and a log that cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "ageing_bench.h"
#include "console/execute_command.h"
#include "golden.h"

namespace tamarack {
namespace {

using testing::AgeingBench;
using testing::CaptureReference;
using testing::LinesStartingWith;

void Range(AgeingSettings& s, std::int32_t start, std::int32_t end, std::int32_t step,
           LoopMode loop = LoopMode::kOnce) {
  s.start_lba = start;
  s.end_lba = end;
  s.step = step;
  s.mode.set_loop(static_cast<int>(loop));
}

AgeingSettings Steps(AgeingBench& b, std::int32_t start, std::int32_t end, std::int32_t step,
                     LoopMode loop) {
  AgeingSettings s = b.Settings();
  Range(s, start, end, step, loop);
  return s;
}

void CheckWith(AgeingSettings* s, DataCheckType type) {
  s->data_check = true;
  s->data_check_type = type;
}

TEST(AgeingRun, DataOfTheTestDiscsIsAllGood) {
  struct Case {
    const char* id;
    DataCheckType type;
    std::int32_t end;
  };
  // type30: a Mode 1 track, then XA form 1; both carry test sectors.
  // Every way a path delivers replies (the block size is found all the same).
  for (const Case& c : {Case{"emu:type13?speed=max", DataCheckType::kType13, 3000},
                        Case{"emu:type30?speed=max", DataCheckType::kType30, 8999}}) {
    for (int command = 0; command < kAgeingCommands; ++command) {
      for (const char* resid : {"exact", "none", "zero", "pad"}) {
        AgeingBench b(std::string(c.id) + "&resid=" + resid);
        AgeingSettings s = Steps(b, 0, c.end, 97, LoopMode::kOnce);
        s.command_index = command;
        s.transfer_length = 5;
        CheckWith(&s, c.type);
        const AgeingResult r = b.Run(s);
        EXPECT_GT(r.commands, 30) << c.id << " " << command << " " << resid;
        EXPECT_EQ(r.counts.data_ok, r.commands) << c.id << " " << command << " " << resid;
        EXPECT_EQ(r.counts.data_ng, 0);
        EXPECT_EQ(LinesStartingWith(b.Log(), "Comm:"), 2 * r.commands);
        EXPECT_EQ(b.session.status_line.Get(), r.status_text);
      }
    }
  }
}

// A run as text for a golden file: its result, the simulated time it took, what the host was
// told and the log (the bench's folder as "TMP", a carriage return as \r).
std::string RunText(AgeingBench& b, const AgeingResult& r, Clock::Duration took) {
  std::string t =
      "refusal " + std::to_string(static_cast<int>(r.refusal)) + " commands " +
      std::to_string(r.commands) + " failed " + std::to_string(r.failed_commands) + " data ok " +
      std::to_string(r.counts.data_ok) + " ng " + std::to_string(r.counts.data_ng) + " state " +
      std::to_string(static_cast<int>(b.state.Get())) + " took " +
      std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) + " ms\n";
  if (r.last_failure) {
    t += "last failure status " + std::to_string(static_cast<int>(r.last_failure->status)) +
         " sense key " + std::to_string(r.last_failure->sense.key) + "\n";
  }
  t += "status text: " + r.status_text + "\n" + b.Report(b.dir.path());
  if (!std::filesystem::exists(b.dir.File("log.txt"))) return t + "no log\n";
  std::string log = b.Log();
  for (std::size_t at; (at = log.find(b.dir.path())) != std::string::npos;) {
    log.replace(at, b.dir.path().size(), "TMP");
  }
  for (std::size_t at; (at = log.find('\r')) != std::string::npos;) log.replace(at, 1, "\\r");
  return t + "log:\n" + log;
}

struct RunCase {
  const char* name;
  const char* id;  // every path a reply takes is added to it
  std::function<void(AgeingBench&, AgeingSettings&)> set;
};

class AgeingRunLog : public ::testing::TestWithParam<RunCase> {};

// The whole run against tests/data/ageing/NAME.txt, the same on every path of the replies.
TEST_P(AgeingRunLog, IsTheGoldenFile) {
  const RunCase& c = GetParam();
  for (const char* resid : {"exact", "none", "zero", "pad"}) {
    SCOPED_TRACE(resid);
    AgeingBench b(std::string(c.id) + "&resid=" + resid);
    AgeingSettings s = b.Settings();
    c.set(b, s);
    const auto before = b.clock.Now();
    const AgeingResult r = b.Run(s);
    // The progress keeps the run's whole budget as its total to the last report.
    for (const JobProgress& p : b.progress) EXPECT_EQ(p.total, b.progress[0].total);
    testing::ExpectGoldenFile(std::string(c.name) + ".txt", RunText(b, r, b.clock.Now() - before),
                              "ageing");
  }
}

// Reads 1000..1010 by two blocks, either way, against a reference taken from a clean drive.
void AgainstReference(AgeingBench& b, AgeingSettings& s, bool downwards) {
  CaptureReference(b.dir.File("ref.dat"), 1000, 1010);
  Range(s, downwards ? 1010 : 1000, downwards ? 1000 : 1010, 2);
  s.command_index = 0;
  s.transfer_length = 2;
  s.data_file = b.dir.File("ref.dat");
  CheckWith(&s, DataCheckType::kOther);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, AgeingRunLog,
    ::testing::Values(
        RunCase{"counted_random_and_step", "emu:type13?speed=max",
                [](AgeingBench&, AgeingSettings& s) {
                  Range(s, 0, 99, 10, LoopMode::kCounted);
                  s.mode.set_method(static_cast<int>(LbaMethod::kRandomAndStep));
                  s.loop_count = 1;
                }},
        // Start equal to End: nothing is sent, the run still ends as done with its message.
        RunCase{"empty_range", "emu:type13?speed=max",
                [](AgeingBench&, AgeingSettings& s) { Range(s, 50, 50, 1, LoopMode::kEndless); }},
        // Failed only: the one NG check, its block dumped without marker lines.
        RunCase{"corrupted_block", "emu:type13?speed=max&corrupt=21",
                [](AgeingBench&, AgeingSettings& s) {
                  Range(s, 0, 40, 10);
                  s.transfer_length = 3;
                  s.log_options = LogOptionWord(LogWhat::kFailedOnly, LogDetail::kDetailed);
                  CheckWith(&s, DataCheckType::kType13);
                }},
        // Only the read of 1002-1003 is NG; the flipped byte at 0xF0 has one marker under it.
        RunCase{"reference_upwards", "emu:type13?speed=max&corrupt=1003",
                [](AgeingBench& b, AgeingSettings& s) { AgainstReference(b, s, false); }},
        RunCase{"reference_downwards", "emu:type13?speed=max&corrupt=1003",
                [](AgeingBench& b, AgeingSettings& s) { AgainstReference(b, s, true); }},
        RunCase{"medium_error", "emu:type13?speed=max&bad=30",
                [](AgeingBench&, AgeingSettings& s) { Range(s, 0, 60, 10); }},
        // A stop on a command error still reads as done.
        RunCase{"medium_error_ends_run", "emu:type13?speed=max&bad=30",
                [](AgeingBench&, AgeingSettings& s) {
                  Range(s, 0, 60, 10);
                  s.mode.set_end_on_command_error(true);
                }},
        // Refused by the host adapter, and a time-out: failures, and a failed read is not checked.
        RunCase{"refused_by_host", "emu:type13?speed=max&refuse=be",
                [](AgeingBench&, AgeingSettings& s) {
                  Range(s, 0, 2, 1);
                  CheckWith(&s, DataCheckType::kType13);
                }},
        RunCase{"time_out", "emu:type13?speed=max&slow=be",
                [](AgeingBench&, AgeingSettings& s) {
                  Range(s, 0, 2, 1);
                  CheckWith(&s, DataCheckType::kType13);
                }},
        // Canceled without the end message.
        RunCase{"data_error_ends_run", "emu:type13?speed=max&corrupt=20",
                [](AgeingBench&, AgeingSettings& s) {
                  Range(s, 0, 100, 10);
                  CheckWith(&s, DataCheckType::kType13);
                  s.mode.set_end_on_data_error(true);
                }},
        // A cancel during the third pause: that pause still passes whole.
        RunCase{"cancel_in_pause", "emu:type13?speed=max",
                [](AgeingBench& b, AgeingSettings& s) {
                  Range(s, 0, 1000, 1, LoopMode::kEndless);
                  s.interval_ms = 250;
                  b.clock.pause_ms = 250;
                  b.clock.cancel_at = 3;
                }},
        RunCase{"nothing_logged", "emu:type13?speed=max&corrupt=5",
                [](AgeingBench&, AgeingSettings& s) {
                  Range(s, 0, 9, 1);
                  s.log_options = LogOptionWord(LogWhat::kNothing, LogDetail::kDetailed);
                  CheckWith(&s, DataCheckType::kType13);
                }},
        // Refused at the start: no log is written.
        RunCase{"too_many_blocks", "emu:type13?speed=max",
                [](AgeingBench&, AgeingSettings& s) {
                  Range(s, 0, 10, 1);
                  s.transfer_length = 101;
                }},
        RunCase{"data_file_missing", "emu:type13?speed=max",
                [](AgeingBench& b, AgeingSettings& s) {
                  Range(s, 0, 10, 1);
                  CheckWith(&s, DataCheckType::kOther);
                  s.data_file = b.dir.File("none.dat");
                }},
        // A log that does not open: the question, then no run, or a run without the log.
        RunCase{"log_declined", "emu:type13?speed=max",
                [](AgeingBench& b, AgeingSettings& s) {
                  Range(s, 0, 10, 1);
                  s.log_path = b.dir.File("no/such/folder/log.txt");
                }},
        RunCase{"log_failed_run_anyway", "emu:type13?speed=max",
                [](AgeingBench& b, AgeingSettings& s) {
                  Range(s, 0, 10, 1);
                  s.log_path = b.dir.File("no/such/folder/log.txt");
                  b.Script({Answer::kYes});
                }}),
    [](const ::testing::TestParamInfo<RunCase>& p) { return std::string(p.param.name); });

TEST(AgeingRun, ALogThatStopsGrowingIsReportedOnceAndTheRunGoesOn) {
  AgeingBench b("emu:type13?speed=max");
  AgeingSettings s = Steps(b, 0, 3999, 1, LoopMode::kOnce);
  // The log may grow to 64 KiB; the run writes about 400 KiB.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 64 * 1024;
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const AgeingResult r = b.Run(s);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(r.commands, 4000) << "the run goes on without its log";
  EXPECT_NE(r.log_failure.find("ﾛｸﾞﾌｧｲﾙの書き込みに失敗しました: " + s.log_path),
            std::string::npos);
  int reported = 0;
  for (const std::string& t : b.TextsAt(JobText::kStatus)) reported += t == r.log_failure;
  EXPECT_EQ(reported, 1);
  ASSERT_EQ(b.messages.size(), 1u);
  EXPECT_EQ(b.messages[0].second, std::string(kAgeingEndMessage) + "\r\n\r\n" + r.log_failure);
  EXPECT_LE(std::filesystem::file_size(s.log_path), 64u * 1024);
}

}  // namespace
}  // namespace tamarack
