// The capture and check jobs against the virtual drive, on the job frame with a scripted host:
// the command pattern, the range rules, the questions, read errors, differences, image files
// compared byte for byte on every reply path.
#include "refdata/reference_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "device/trace_reader.h"
#include "emu/drive_harness.h"
#include "golden.h"
#include "job/job_runner.h"
#include "job/scripted_job_host.h"
#include "mmc/block_read.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using tamarack::testing::TempDir;
using Host = testing::ScriptedJobHost;
using Bytes = std::vector<std::uint8_t>;

// The result (its files in the folder as "TMP") with its verdict, then what `host` was told.
std::string ReportText(const Host& host, const TempDir& dir, const ReferenceResult& r) {
  const JobVerdict& v = r.verdict;
  const auto n = [](auto x) { return std::to_string(x); };
  const auto tmp = [&dir](const std::string& path) {
    return testing::WithFolderAs(path, dir.path());
  };
  return "end " + n(static_cast<int>(r.end)) + " range " + n(r.range.start) + "-" + n(r.range.end) +
         " block " + n(r.block_size.bytes) + " written " + n(r.bytes_written) + " checked " +
         n(r.bytes_checked) + " read errors " + n(r.read_errors) + " check ran " + n(r.check_ran) +
         " mismatches " + n(r.mismatches) + " first " +
         n(r.first_mismatch ? static_cast<long long>(*r.first_mismatch) : -1LL) + " stop " +
         n(static_cast<int>(r.stop_cause)) + " file " + tmp(r.file) + "\n" +
         tmp(testing::VerdictText(v)) + "unread " + UnreadRangesText(r.unread) + " list " +
         tmp(r.unread_file) + ", skipped " + n(r.skipped) + "\ncoverage: " + v.coverage().Text() +
         "\n" + host.Report(dir.path());
}

// A session on a virtual drive whose commands the trace records, and a folder for the files.
struct Bench : emu::testing::DriveHarness {
  explicit Bench(const std::string& id) : DriveHarness(id) {
    std::string error;
    EXPECT_TRUE(opened) << session.OpenError();
    EXPECT_TRUE(drives.Trace().Start(trace.File("t.jsonl"), CommandTrace::Mode::kTruncate, &error))
        << error;
  }
  // Runs `job` to its end on the job frame with `answers` to its questions; given a NAME,
  // compares its report with tests/data/refdata/NAME.txt.
  template <typename J>
  const ReferenceResult& Run(const std::shared_ptr<J>& job, std::vector<Answer> answers = {},
                             const std::string& golden = "") {
    Host host;
    host.Script(std::move(answers));
    EXPECT_EQ(runner.Start(job, host), StartResult::kStarted);
    host.WaitFinished();
    runner.Wait();
    if (!golden.empty()) {
      testing::ExpectGoldenFile(golden + ".txt", ReportText(host, dir, job->result()), "refdata");
    }
    return job->result();
  }
  std::shared_ptr<CaptureJob> Capture(const std::string& name, std::uint32_t start = 0,
                                      std::uint32_t end = 0, bool check = false,
                                      std::uint32_t retries = kDefaultRetries) const {
    return std::make_shared<CaptureJob>(
        ReferenceRequest{.start = start, .end = end, .path = dir.File(name), .retries = retries},
        check);
  }
  std::shared_ptr<CheckJob> Check(const std::string& name) const {
    return std::make_shared<CheckJob>(ReferenceRequest{.path = dir.File(name)});
  }
  // The Read CD commands sent so far.
  std::vector<Cdb> ReadCds() const {
    std::vector<TraceEntry> entries;
    std::string error;
    EXPECT_TRUE(ReadTraceFile(trace.File("t.jsonl"), &entries, &error)) << error;
    std::vector<Cdb> out;
    for (const TraceEntry& e : entries) {
      if (e.cdb[0] == 0xBE) out.push_back(e.cdb);
    }
    return out;
  }
  TempDir dir, trace;
  JobRunner runner{session, clock};
};

// The user data of the "recordable" disc: byte i of block lba is lba + i.
Bytes RecordableData(std::uint32_t first, std::uint32_t blocks) {
  Bytes out(std::size_t{blocks} * 2048);
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<std::uint8_t>(first + i / 2048 + i % 2048);
  }
  return out;
}

TEST(CaptureJobTest, ThousandBlocksAre62CommandsOf16ThenEightSinglesAndTheRangeRules) {
  Bench bench("emu:recordable?speed=max");
  bench.Run(bench.Capture("disc.dat"), {}, "capture_whole_disc");  // nothing to ask
  const std::vector<Cdb> reads = bench.ReadCds();
  ASSERT_EQ(reads.size(), 62u + 8u);
  for (std::size_t i = 0; i < reads.size(); ++i) {
    const std::uint32_t lba =
        i < 62 ? static_cast<std::uint32_t>(i * 16) : static_cast<std::uint32_t>(992 + i - 62);
    EXPECT_EQ(reads[i], ReadCdCdb(lba, i < 62 ? 16 : 1)) << i;
  }
  EXPECT_EQ(bench.dir.Read("disc.dat"), RecordableData(0, 1000));
  EXPECT_FALSE(fs::exists(bench.dir.File("disc.dat.partial")));

  // An end beyond the disc: its blocks are asked for and skipped (beyond disc), without a
  // question; a start above 0,
  // declined, writes nothing; an end before the last block, confirmed, with a one-block range
  // (start == end); a start beyond the disc.
  bench.Run(bench.Capture("a.dat", 0, 5000), {}, "capture_end_beyond_disc");
  bench.Run(bench.Capture("b.dat", 10, 999), {}, "capture_start_declined");
  EXPECT_FALSE(fs::exists(bench.dir.File("b.dat")));
  EXPECT_FALSE(fs::exists(bench.dir.File("b.dat.partial")));
  bench.Run(bench.Capture("c.dat", 7, 7), {Answer::kYes, Answer::kYes}, "capture_one_block");
  EXPECT_EQ(bench.dir.Read("c.dat"), RecordableData(7, 1));
  const ReferenceRequest beyond{
      .start = 2000, .end = 3000, .path = bench.dir.File("d.dat"), .confirm_range = false};
  EXPECT_EQ(bench.Run(std::make_shared<CaptureJob>(beyond, false)).end, ReferenceEnd::kOutsideDisc);
}

TEST(CaptureJobTest, NoDiscAndNoDrive) {
  Bench bench("emu:recordable?nomedium");
  bench.Run(bench.Capture("x.dat"), {}, "capture_no_disc");
  bench.session.Close();
  bench.Run(bench.Capture("x.dat"), {}, "capture_no_drive");  // no message
  EXPECT_FALSE(fs::exists(bench.dir.File("x.dat.partial")));
}

TEST(CaptureJobTest, CaptureThenCheckFromAboveLbaZero) {
  Bench bench("emu:recordable?speed=max");
  bench.Run(bench.Capture("t.dat", 100, 899, true), {Answer::kYes, Answer::kYes},
            "capture_then_check");  // no speed line when a check follows
  EXPECT_EQ(bench.dir.Read("t.dat"), RecordableData(100, 800));
  // 14 blocks per command in the check phase: 57 commands and 2 single blocks. The data of
  // LBA 590-603 end in 5Ah (byte 2047 of block 603): that command goes again over A5h.
  const auto reads = bench.ReadCds();
  ASSERT_EQ(reads.size(), (50u + 0u) + (57u + 2u) + 1u);
  EXPECT_EQ(reads[50], ReadCdCdb(100, 14));
  EXPECT_EQ(reads[50 + 35], ReadCdCdb(590, 14));
  EXPECT_EQ(reads[50 + 36], ReadCdCdb(590, 14));
}

// A file shorter than the disc: its 300 whole blocks are 21 commands of 14 and 6 single
// blocks, its part block and the blocks past it are skipped and named (the check is not
// complete); an empty file is no data to check, not "all equal" (a missing file is the
// CLI's, reference.txt). Then differences in the third command, one passed without a question
// and one in the tail: the skip flag passes them all; without it the tail's own question
// comes, and Cancel ends the check.
TEST(CheckJobTest, TheFileBoundsTheCheckAndDifferencesAreAsked) {
  Bench bench("emu:recordable?speed=max");
  Bytes shorter = RecordableData(0, 300);
  shorter.resize(shorter.size() + 100);
  bench.dir.Write("short.dat", shorter);
  bench.Run(bench.Check("short.dat"), {}, "check_short_file");
  EXPECT_EQ(bench.ReadCds().size(), 21u + 6u);
  bench.dir.Write("empty.dat", std::string());
  EXPECT_EQ(bench.Run(bench.Check("empty.dat")).end, ReferenceEnd::kNoCheckData);
  Bytes file = RecordableData(0, 1000);
  file[2 * 14 * 2048 + 5000] ^= 0x01;  // LBA 28 + 2 = 30
  file[20 * 14 * 2048 + 10] ^= 0x80;   // LBA 280
  file[file.size() - 1] ^= 0x01;       // LBA 999
  bench.dir.Write("ref.dat", file);
  bench.Run(bench.Check("ref.dat"), {Answer::kSkip}, "check_skip_flag");
  bench.Run(bench.Check("ref.dat"), {Answer::kContinue, Answer::kContinue, Answer::kStop},
            "check_tail_question");
}

// Stopping at a read error and read errors in the tail are rows of the fault matrices
// (reference_matrix_test.cc) and of the CLI's runs. Passed over here without a second try
// (retries 0): the command's blocks keep their place as filler and are listed; the check skips
// them and counts the command it could not read (LBA 28-41, partly listed) as a difference.
TEST(ReferenceReadErrorTest, PassedOverTheBlocksAreFillerAndListed) {
  Bench bench("emu:recordable?speed=max&bad=40");
  bench.Run(bench.Capture("pass.dat", 0, 0, true, 0), {Answer::kYes, Answer::kYes, Answer::kSkip},
            "read_error_passed_over");
  EXPECT_EQ(bench.ReadCds().size(), 62u + 8u + 71u + 6u);  // no read sent twice
  Bytes expected = RecordableData(0, 1000);
  std::fill(expected.begin() + 32 * 2048, expected.begin() + 48 * 2048, kReplyFill);
  EXPECT_TRUE(bench.dir.Read("pass.dat") == expected);
  EXPECT_EQ(bench.dir.Read("pass.dat.unread"), Bytes({'3', '2', '-', '4', '7', '\n'}));
}

// The capture's failed command at 32 read again as 16 single reads, LBA 40 three times: only it
// is filler, listed, named by the question. The check reads 13 blocks of 28-41 again (not the
// unread 40): no question, no difference, the failed commands still the verdict's.
TEST(ReferenceRetryTest, OnlyTheBlocksThatStayUnreadableAreUnread) {
  Bench bench("emu:recordable?speed=max&bad=40");
  bench.Run(bench.Capture("re.dat", 0, 0, true, 3), {Answer::kYes}, "read_error_read_again");
  Bytes expected = RecordableData(0, 1000);
  std::fill(expected.begin() + 40 * 2048, expected.begin() + 41 * 2048, kReplyFill);
  EXPECT_TRUE(bench.dir.Read("re.dat") == expected);
  EXPECT_EQ(bench.dir.Read("re.dat.unread"), Bytes({'4', '0', '-', '4', '0', '\n'}));
  const std::vector<Cdb> reads = bench.ReadCds();
  ASSERT_EQ(reads.size(), (62u + 8u + 18u) + (71u + 6u + 13u));
  for (std::uint32_t i = 0; i < 18; ++i) {  // LBA 40 at 8, 9 and 10
    EXPECT_EQ(reads[3 + i], ReadCdCdb(32 + std::min(i, 8u) + (i > 10 ? i - 10 : 0), 1)) << i;
  }
  EXPECT_EQ(reads[3 + 18], ReadCdCdb(48, 16));
}

// A stop that comes as the failed command at 32 ends: none of its blocks is read again or
// counted (32 read whole, none failed, the rest not reached), no question is asked, nothing is
// listed unread, and its failure stays the verdict's (gone past, cancelled).
TEST(ReferenceRetryTest, AStopBeforeTheBlocksAreReadAgainLeavesThemNotReached) {
  struct CancelOnFailure : SessionHost {
    void CommandEnded(const CommandOutcome& outcome) override {
      if (outcome.status != CommandStatus::kGood) runner->RequestCancel();
    }
    JobRunner* runner = nullptr;
  } host;
  Bench bench("emu:recordable?speed=max&bad=40");
  host.runner = &bench.runner;
  bench.session.SetHost(&host);
  bench.Run(bench.Capture("stop.dat", 0, 0, false, 3), {}, "read_error_stopped");
  EXPECT_EQ(bench.ReadCds().size(), 3u);  // 0, 16 and the failed 32: nothing read again
}

// One command of 4 blocks of 4 bytes from LBA 100 against the file's bytes: a failed read
// matches nothing even where its buffer holds the file's bytes, blocks the capture could not
// read are left out, and the first block that differs is the one named.
TEST(CheckComparisonTest, FirstUnmatchedBlockOfOneCommand) {
  const Bytes file = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4};
  Bytes third_differs = file;
  third_differs[9] = 0;
  UnreadBlocks none;
  UnreadBlocks first_unread;
  first_unread.Add(100, 1);
  UnreadBlocks third_unread;
  third_unread.Add(102, 1);
  const std::optional<std::span<const std::uint8_t>> no_file;
  using Lba = std::optional<std::uint64_t>;
  const Lba match;
  for (const auto& [disc, delivered, have_file, skip, want] :
       {std::tuple{file, 4u, true, &none, match}, std::tuple{file, 0u, true, &none, Lba(100)},
        std::tuple{file, 2u, true, &none, Lba(102)},
        std::tuple{file, 0u, true, &first_unread, Lba(101)},
        std::tuple{file, 4u, false, &first_unread, Lba(101)},
        std::tuple{third_differs, 4u, true, &none, Lba(102)},
        std::tuple{third_differs, 4u, true, &third_unread, match}}) {
    EXPECT_EQ(
        FirstUnmatchedBlock(
            100, 4, delivered, disc,
            have_file ? std::optional<std::span<const std::uint8_t>>(file) : no_file, *skip, 4),
        want)
        << "delivered " << delivered << ", file " << have_file;
  }
}

// The range cut at track starts (0, 100, 200, 500), around the gap between sessions (300-449)
// and after the disc's end, in tests/data/refdata/split_ranges.txt: each input is the range and
// the disc's last block; starts and gaps outside the range change nothing.
TEST(SplitRangeTest, TracksGapsAndBlocksPastTheDisc) {
  const std::vector<std::int32_t> starts = {0, 100, 200, 500};
  const std::vector<SessionGap> gaps = {{300, 450}};
  testing::ExpectEachInput("split_ranges.txt", "refdata", [&](const std::string& line) {
    std::uint32_t start = 0, end = 0;
    std::uint64_t last = 0;
    std::istringstream(line) >> start >> end >> last;
    std::string t;
    for (const RangePiece& p : SplitRange({start, end}, starts, gaps, last)) {
      static const char* const kKinds[] = {"track", "session gap", "beyond disc"};
      t += (t.empty() ? "" : ", ") + std::to_string(p.first) + "-" + std::to_string(p.last) + " " +
           kKinds[static_cast<int>(p.kind)];
    }
    return t.empty() ? "nothing" : t;
  });
}

// 750 blocks of 2048 bytes in 10 s are x1.0; 1.5 s shows 1 Sec but the speed of 1.5 s (x13.3,
// not x20.0); less than a second, or no block size, shows nothing.
TEST(CaptureSpeedTextTest, TenthsOfX1FromTheExactTime) {
  using std::chrono::milliseconds;
  for (const auto& [bytes, size, time, text] :
       {std::tuple{750u * 2048u, 2048u, 10000, "x1.0 speed(1536000 Bytes/10 Sec)"},
        std::tuple{1500u * 2048u, 2048u, 1500, "x13.3 speed(3072000 Bytes/1 Sec)"},
        std::tuple{2048u, 2048u, 999, ""}, std::tuple{2048u, 0u, 5000, ""}}) {
    EXPECT_EQ(CaptureSpeedText(bytes, size, milliseconds(time)), text) << time;
  }
}

}  // namespace
}  // namespace tamarack
