// Whole runs against the virtual drive on a simulated clock: the loop rules through the job,
// data checks of good and corrupted discs, fault plans with and without the command-error end,
// Cancel, refusals at the start and a log that cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "ageing_bench.h"
#include "console/execute_command.h"

namespace tamarack {
namespace {

using testing::AgeingBench;
using testing::CaptureReference;
using testing::LinesStartingWith;

AgeingSettings Steps(AgeingBench& b, std::int32_t start, std::int32_t end, std::int32_t step,
                     LoopMode loop) {
  AgeingSettings s = b.Settings();
  s.start_lba = start;
  s.end_lba = end;
  s.step = step;
  s.mode.set_loop(static_cast<int>(loop));
  return s;
}

void CheckWith(AgeingSettings* s, DataCheckType type) {
  s->data_check = true;
  s->data_check_type = type;
}

TEST(AgeingRun, CountedRandomAndStepAndTheEmptyRange) {
  AgeingBench b("emu:type13?speed=max");
  AgeingSettings s = Steps(b, 0, 99, 10, LoopMode::kCounted);
  s.mode.set_method(static_cast<int>(LbaMethod::kRandomAndStep));
  s.loop_count = 1;
  const AgeingResult r = b.Run(s);
  EXPECT_EQ(r.commands, 20);
  EXPECT_EQ(LinesStartingWith(b.Log(), "Comm:be"), 20);
  EXPECT_EQ(r.status_text, "Ageing Done!     Read Count(Failed)=20(0)");
  EXPECT_EQ(b.host->TextsAt(JobText::kCounters).back(), "Total Command=20\r\nFail Command=0\r\n");
  // The progress keeps the run's whole budget as its total to the last report.
  ASSERT_FALSE(b.host->progress.empty());
  for (const JobProgress& p : b.host->progress) EXPECT_EQ(p.total, 20u) << p.done;
  EXPECT_EQ(b.host->progress.back().done, 20u);
  ASSERT_EQ(b.host->messages.size(), 1u);
  EXPECT_EQ(b.host->messages[0].second, kAgeingEndMessage);

  // Start equal to End: nothing is sent, the run still ends as done with its message.
  const AgeingResult empty = b.Run(Steps(b, 50, 50, 1, LoopMode::kEndless));
  EXPECT_EQ(empty.commands, 0);
  EXPECT_EQ(empty.status_text, "Ageing Done!     Read Count(Failed)=0(0)");
  EXPECT_EQ(b.host->messages.size(), 1u);
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

TEST(AgeingRun, CorruptedBlocksAreMarkedAndDumped) {
  AgeingBench b("emu:type13?speed=max&corrupt=21");
  AgeingSettings s = Steps(b, 0, 40, 10, LoopMode::kOnce);
  s.transfer_length = 3;
  s.log_options = LogOptionWord(LogWhat::kFailedOnly, LogDetail::kDetailed);
  CheckWith(&s, DataCheckType::kType13);
  const AgeingResult r = b.Run(s);
  EXPECT_EQ(r.commands, 5);
  EXPECT_EQ(r.counts.data_ng, 1);
  const std::string log = b.Log();
  EXPECT_EQ(LinesStartingWith(log, "Comm:"), 1) << "failed only: the one NG check";
  EXPECT_NE(log.find(" Check sum NG! lba:00000021(00000015h) sum:"), std::string::npos);
  EXPECT_NE(log.find("Error Data(read len=6144,req blk=3)\nOK (+0)\nNG (+1)\n00000000 "),
            std::string::npos);
  EXPECT_NE(log.find("OK (+2)\n"), std::string::npos);
  EXPECT_EQ(LinesStartingWith(log, "000007e0 "), 1) << "one block of 64 dump lines";
  EXPECT_EQ(LinesStartingWith(log, "^^^^^^^^"), 0) << "no reference: no marker lines";
  EXPECT_EQ(b.host->TextsAt(JobText::kCounters).back(),
            "Total Command=5\r\nFail Command=0\r\nFail Data=1\r\n");
}

TEST(AgeingRun, ReferenceFileInBothDirections) {
  for (const bool downwards : {false, true}) {
    for (const char* resid : {"exact", "none", "zero", "pad"}) {
      AgeingBench b(std::string("emu:type13?speed=max&corrupt=1003&resid=") + resid);
      CaptureReference(b.dir.File("ref.dat"), 1000, 1010);
      AgeingSettings s = downwards ? Steps(b, 1010, 1000, 2, LoopMode::kOnce)
                                   : Steps(b, 1000, 1010, 2, LoopMode::kOnce);
      s.command_index = 0;
      s.transfer_length = 2;
      s.data_file = b.dir.File("ref.dat");
      CheckWith(&s, DataCheckType::kOther);
      const AgeingResult r = b.Run(s);
      EXPECT_EQ(r.commands, 6);
      EXPECT_EQ(r.counts.data_ng, 1) << "only the read of 1002-1003";
      const std::string log = b.Log();
      EXPECT_NE(log.find(" Data Check NG! lba:00001003(000003ebh) 01/02/2026:03:04:05"),
                std::string::npos)
          << log;
      EXPECT_NE(log.find("Data Check Ok! TotalSize(4096 Bytes),blk=2,blksize=2048,lba=1004"),
                std::string::npos);
      // The flipped byte sits at 0xF0 of the block's user data: one marker under it.
      EXPECT_NE(log.find("\n^^^^^^^^" + std::string(37, ' ') + "^^" + std::string(33, ' ') + "\n"),
                std::string::npos)
          << log;
    }
  }
}

TEST(AgeingRun, FaultPlanWithAndWithoutTheCommandErrorEnd) {
  for (const bool end_on_error : {false, true}) {
    AgeingBench b("emu:type13?speed=max&bad=30");
    AgeingSettings s = Steps(b, 0, 60, 10, LoopMode::kOnce);
    s.mode.set_end_on_command_error(end_on_error);
    const AgeingResult r = b.Run(s);
    EXPECT_EQ(r.commands, end_on_error ? 4 : 7);
    EXPECT_EQ(r.failed_commands, 1);
    ASSERT_TRUE(r.last_failure.has_value());
    EXPECT_EQ(r.last_failure->sense.key, 3);
    // A stop on a command error still reads as done.
    EXPECT_EQ(r.status_text.rfind("Ageing Done!", 0), 0u);
    EXPECT_NE(b.Log().find("Comm:be000000001e000001100000 Ng [Error Notified("), std::string::npos);
  }
  // Refused by the host adapter, and a time-out: counted and logged as failures.
  for (const char* id : {"emu:type13?speed=max&refuse=be", "emu:type13?speed=max&slow=be"}) {
    AgeingBench b(id);
    const AgeingResult r = b.Run(Steps(b, 0, 2, 1, LoopMode::kOnce));
    EXPECT_EQ(r.failed_commands, 3) << id;
    EXPECT_EQ(r.last_failure->status, CommandStatus::kRefused);
    EXPECT_EQ(r.counts.data_ok + r.counts.data_ng, 0) << "a failed read is not checked";
  }
}

TEST(AgeingRun, ADataErrorEndsTheRunWhenAskedTo) {
  AgeingBench b("emu:type13?speed=max&corrupt=20");
  AgeingSettings s = Steps(b, 0, 100, 10, LoopMode::kOnce);
  CheckWith(&s, DataCheckType::kType13);
  s.mode.set_end_on_data_error(true);
  const AgeingResult r = b.Run(s);
  EXPECT_EQ(r.commands, 3);
  EXPECT_EQ(b.state.Get(), RunState::kDataError);
  EXPECT_EQ(r.status_text, "Ageing Canceled! Read Count(Failed)=3(0)");
  EXPECT_EQ(b.host->messages.size(), 1u) << "only a cancel goes without the end message";
}

TEST(AgeingRun, CancelDuringAPauseFinishesThePause) {
  AgeingBench b("emu:type13?speed=max");
  AgeingSettings s = Steps(b, 0, 1000, 1, LoopMode::kEndless);
  s.interval_ms = 250;
  b.clock.pause_ms = 250;
  b.clock.cancel_at = 3;
  const auto before = b.clock.Now();
  const AgeingResult r = b.Run(s);
  EXPECT_EQ(r.commands, 3);
  EXPECT_EQ(b.clock.Now() - before, std::chrono::milliseconds(750));
  const std::string log = b.Log();
  EXPECT_EQ(LinesStartingWith(log, "Interval 250msec"), 3);
  EXPECT_NE(log.find("Interval 250msec\nCanceled\n=============="), std::string::npos);
  EXPECT_EQ(r.status_text, "Ageing Canceled! Read Count(Failed)=3(0)");
  EXPECT_TRUE(b.host->messages.empty());
  EXPECT_EQ(b.host->TextsAt(JobText::kPause).front(), "250msec");
}

TEST(AgeingRun, RefusedAtTheStart) {
  AgeingBench b("emu:type13?speed=max");
  AgeingSettings s = Steps(b, 0, 10, 1, LoopMode::kOnce);
  s.transfer_length = 101;
  AgeingResult r = b.Run(s);
  EXPECT_EQ(r.refusal, AgeingRefusal::kTransferLength);
  EXPECT_EQ(b.host->messages.at(0).second, kTooManyBlocksMessage);
  EXPECT_FALSE(std::filesystem::exists(b.dir.File("log.txt")));

  s.transfer_length = 1;
  CheckWith(&s, DataCheckType::kOther);
  s.data_file = b.dir.File("none.dat");
  r = b.Run(s);
  EXPECT_EQ(r.refusal, AgeingRefusal::kDataFileMissing);
  EXPECT_EQ(b.host->messages.at(0).second, "ﾃﾞｰﾀﾁｪｯｸﾌｧｲﾙのｵｰﾌﾟﾝが失敗しました\r\n" + s.data_file);

  // A log that does not open: the question, then no run, or a run without the log.
  s.data_check = false;
  s.log_path = b.dir.File("no/such/folder/log.txt");
  r = b.Run(s);
  EXPECT_EQ(r.refusal, AgeingRefusal::kLogDeclined);
  EXPECT_EQ(r.commands, 0);
  ASSERT_EQ(b.host->questions.size(), 1u);
  EXPECT_EQ(b.host->questions[0].question.kind, QuestionKind::kOkCancel);
  EXPECT_TRUE(b.host->messages.empty());
  b.answers = {Answer::kYes};
  r = b.Run(s);
  EXPECT_EQ(r.commands, 11);
}

TEST(AgeingRun, NothingLoggedStillCounts) {
  AgeingBench b("emu:type13?speed=max&corrupt=5");
  AgeingSettings s = Steps(b, 0, 9, 1, LoopMode::kOnce);
  s.log_options = LogOptionWord(LogWhat::kNothing, LogDetail::kDetailed);
  CheckWith(&s, DataCheckType::kType13);
  const AgeingResult r = b.Run(s);
  EXPECT_EQ(r.counts.data_ng, 1);
  EXPECT_FALSE(std::filesystem::exists(b.dir.File("log.txt")));
  EXPECT_EQ(b.host->TextsAt(JobText::kCounters).back(),
            "Total Command=10\r\nFail Command=0\r\nFail Data=1\r\n");
}

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
  for (const std::string& t : b.host->TextsAt(JobText::kStatus)) reported += t == r.log_failure;
  EXPECT_EQ(reported, 1);
  ASSERT_EQ(b.host->messages.size(), 1u);
  EXPECT_EQ(b.host->messages[0].second,
            std::string(kAgeingEndMessage) + "\r\n\r\n" + r.log_failure);
  EXPECT_LE(std::filesystem::file_size(s.log_path), 64u * 1024);
}

}  // namespace
}  // namespace tamarack
