// Whole runs against the virtual drive on a simulated clock: the loop rules through the job,
// data checks of good and corrupted discs, fault plans with and without the command-error end,
// Cancel, refusals at the start and a log that cannot be written.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "ageing_bench.h"
#include "golden.h"
#include "mmc/edc_read.h"
#include "util/display_text.h"

namespace tamarack {
namespace {

using testing::AgeingBench;
using testing::CaptureReference;
using testing::CountLines;

void Range(AgeingSettings& s, std::int32_t start, std::int32_t end, std::int32_t step,
           LoopMode loop = LoopMode::kOnce) {
  s.start_lba = start;
  s.end_lba = end;
  s.step = step;
  s.mode.set_loop(static_cast<int>(loop));
}

AgeingSettings Once(AgeingBench& b, std::int32_t start, std::int32_t end, std::int32_t step = 1) {
  AgeingSettings s = b.Settings();
  Range(s, start, end, step);
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
    std::int32_t start, end, step, length;
    int tracks;         // tracks the range touches: one size finding each
    int first_command;  // XA form 2 blocks are for Read CD only
  };
  // type30: a Mode 1 track, then XA form 1; then its first XA form 2 track (track 12), whose
  // 2324-byte blocks each begin with their test sector.
  // Every way a path delivers replies (the block size is found all the same).
  for (const Case& c :
       {Case{"emu:type13?speed=max", DataCheckType::kType13, 0, 3000, 97, 5, 1, 0},
        Case{"emu:type30?speed=max", DataCheckType::kType30, 0, 8999, 97, 5, 2, 0},
        Case{"emu:type30?speed=max", DataCheckType::kType30, 32550, 32649, 3, 3, 1, 2}}) {
    for (int command = c.first_command; command < kAgeingCommands; ++command) {
      for (const char* resid : {"exact", "none", "zero", "pad"}) {
        SCOPED_TRACE(std::string(c.id) + " from " + std::to_string(c.start) + " command " +
                     std::to_string(command) + " " + resid);
        AgeingBench b(std::string(c.id) + "&resid=" + resid);
        AgeingSettings s = Once(b, c.start, c.end, c.step);
        s.command_index = command;
        s.transfer_length = c.length;
        CheckWith(&s, c.type);
        const AgeingResult r = b.Run(s);
        EXPECT_GT(r.counts.data_ok, 30);
        EXPECT_EQ(r.counts.data_ng, 0);
        // Where no residual tells the length, the first read of each track, into room for
        // the largest blocks, is sent again over the second fill; no other read is.
        const int second_reads = std::string(resid) == "none" ? c.tracks : 0;
        EXPECT_EQ(r.commands, r.counts.data_ok + second_reads);
        EXPECT_EQ(CountLines(b.Log(), "Comm:", true), r.commands + r.counts.data_ok);
        EXPECT_TRUE(r.verdict.good());
        EXPECT_EQ(b.status.status_line.Get(), r.status_text);
      }
    }
  }
}

// A run as text for a golden file: its result, its coverage, the simulated time it took, what the
// host was told, the opcodes the drive was sent when they were traced, and its log `log_path` in
// the bench's folder (the folder as "TMP", a carriage return as \r).
std::string RunText(AgeingBench& b, const AgeingResult& r, Clock::Duration took,
                    const std::string& log_path) {
  std::string t =
      "refusal " + std::to_string(static_cast<int>(r.refusal)) + " commands " +
      std::to_string(r.commands) + " failed " + std::to_string(r.failed_commands) + " data ok " +
      std::to_string(r.counts.data_ok) + " ng " + std::to_string(r.counts.data_ng) + " state " +
      std::to_string(static_cast<int>(b.state.Get())) + " took " +
      std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) + " ms\n";
  t += testing::WithFolderAs(testing::VerdictText(r.verdict), b.dir.path());
  t += "coverage: " + r.verdict.coverage().Text() + "\n";
  t += "status text: " + r.status_text + "\n" + b.Report(b.dir.path());
  if (std::filesystem::exists(b.dir.File("trace.jsonl"))) {
    std::map<std::string, int> sent;
    std::istringstream trace(b.Log("trace.jsonl"));
    for (std::string line; std::getline(trace, line);) {
      if (const std::size_t at = line.find("\"cdb\": \""); at != std::string::npos)
        ++sent[line.substr(at + 8, 2)];
    }
    t += "sent:";
    for (const auto& [opcode, n] : sent) t += " " + opcode + " x" + std::to_string(n);
    t += "\n";
  }
  if (!std::filesystem::exists(log_path)) return t + "no log\n";
  std::string log = testing::WithFolderAs(
      b.Log(std::filesystem::path(log_path).filename().string()), b.dir.path());
  for (std::size_t at; (at = log.find('\r')) != std::string::npos;) log.replace(at, 1, "\\r");
  return t + "log:\n" + log;
}

// One setting of a run of tests/data/ageing/runs.txt, whose head names them: KEY or KEY=VALUE,
// the value's numbers parted by commas.
void Set(AgeingBench& b, AgeingSettings& s, const std::string& word) {
  const std::string key = word.substr(0, word.find('='));
  const std::string value = word.substr(std::min(word.size(), key.size() + 1));
  std::vector<std::string> parts;
  std::istringstream in(value);
  for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
  const auto n = [&parts](std::size_t i) {
    return static_cast<std::int32_t>(std::stoll(parts.at(i)));
  };
  const auto loop = [&parts] {
    if (parts.size() < 4) return LoopMode::kOnce;
    return parts[3] == "endless" ? LoopMode::kEndless : LoopMode::kCounted;
  };
  const std::map<std::string, std::function<void()>> settings = {
      {"range", [&] { Range(s, n(0), n(1), n(2), loop()); }},
      {"method=randomstep",
       [&] { s.mode.set_method(static_cast<int>(LbaMethod::kRandomAndStep)); }},
      {"loops", [&] { s.loop_count = n(0); }},
      {"length", [&] { s.transfer_length = n(0); }},
      {"command", [&] { s.command_index = n(0); }},
      {"trace", [&] { b.StartTrace(); }},
      {"log=failed",
       [&] { s.log_options = LogOptionWord(LogWhat::kFailedOnly, LogDetail::kDetailed); }},
      {"log=nothing",
       [&] { s.log_options = LogOptionWord(LogWhat::kNothing, LogDetail::kDetailed); }},
      {"check=type13", [&] { CheckWith(&s, DataCheckType::kType13); }},
      {"data",
       [&] {
         CheckWith(&s, DataCheckType::kOther);
         s.data_file = b.dir.File(value);
       }},
      {"reference",
       [&] {
         const bool down = parts.size() > 2 && parts[2] == "down";
         CaptureReference(b.dir.File("ref.dat"), n(0), n(1));
         Range(s, down ? n(1) : n(0), down ? n(0) : n(1), 2);
         s.command_index = 0;
         s.transfer_length = 2;
         s.data_file = b.dir.File("ref.dat");
         CheckWith(&s, DataCheckType::kOther);
       }},
      {"interval", [&] { s.interval_ms = n(0); }},
      {"random-interval", [&] { s.random_interval = true; }},
      {"html", [&] { s.log_html = true; }},
      {"logfile", [&] { s.log_path = b.dir.File(value); }},
      {"stop-on-error", [&] { s.mode.set_end_on_command_error(true); }},
      {"stop-on-data-error", [&] { s.mode.set_end_on_data_error(true); }},
      {"pause", [&] { b.clock.pause_ms = n(0); }},
      {"stop-at",
       [&] {
         b.clock.cancel_at = n(0);
         b.clock.stop_with =
             parts.at(1) == "interrupt" ? RunState::kInterrupted : RunState::kCancelRequested;
       }},
      {"yes", [&] { b.Script({Answer::kYes}); }},
  };
  const auto found = settings.find(settings.contains(word) ? word : key);
  ASSERT_NE(found, settings.end()) << "no such setting: " << word;
  found->second();
}

// Each run of tests/data/ageing/runs.txt against its golden file NAME.txt there, the same on
// every path that tells the first read's length without reading again: by a residual, or not
// at all (a probe then finds the size, which is not a command of the run). Without a residual
// the first read is sent twice (DataOfTheTestDiscsIsAllGood counts it).
TEST(AgeingRun, EachRunIsItsGoldenFile) {
  std::istringstream lines(testing::ReadGoldenFile("runs.txt", "ageing"));
  int runs = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("#")) continue;
    std::istringstream words(line);
    std::string name, id, word;
    words >> name >> id;
    std::vector<std::string> settings, paths = {"exact", "zero", "pad"};
    while (words >> word) {
      if (word.starts_with("paths=")) {
        paths.clear();
        std::istringstream named(word.substr(6));
        for (std::string path; std::getline(named, path, ',');) paths.push_back(path);
      } else {
        settings.push_back(word);
      }
    }
    ++runs;
#ifdef _WIN32
    // The log's name "<b>&log.htm" holds characters Windows file names cannot.
    if (name == "reference_html_log") continue;
#endif
    for (const std::string& resid : paths) {
      SCOPED_TRACE(name + " " + resid);
      AgeingBench b(id + "&resid=" + resid);
      AgeingSettings s = b.Settings();
      for (const std::string& setting : settings) Set(b, s, setting);
      const auto before = b.clock.Now();
      const AgeingResult r = b.Run(s);
      b.drives.Trace().Stop();
      // The progress keeps the run's whole budget as its total to the last report.
      for (const JobProgress& p : b.progress) EXPECT_EQ(p.total, b.progress[0].total);
      // The one line that differs by path: a zeroing or padding path is said once to hide short
      // transfers (a run that reads; never on a path with a residual); the rest of the run is
      // the same on every path.
      std::string text = RunText(b, r, b.clock.Now() - before, s.log_path);
      const std::string note = std::string("status: ") + kHiddenShortText + "\n";
      const std::size_t at = text.find(note);
      if (resid == "exact") {
        EXPECT_EQ(at, std::string::npos);
      }
      if (at != std::string::npos) text.erase(at, note.size());
      EXPECT_EQ(text.find(kHiddenShortText), std::string::npos) << "said more than once";
      testing::ExpectGoldenFile(name + ".txt", text, "ageing");
    }
  }
  EXPECT_GT(runs, 0) << "runs.txt holds no runs";
}

#ifndef _WIN32  // Windows has no file-size limit to set
TEST(AgeingRun, ALogThatStopsGrowingIsReportedOnceAndTheRunGoesOn) {
  AgeingBench b("emu:type13?speed=max");
  AgeingSettings s = Once(b, 0, 3999);
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

  ASSERT_FALSE(b.progress.empty());
  EXPECT_EQ(b.progress.back().address, 3999u) << "the run goes on without its log";
  EXPECT_EQ(r.verdict.file_error(), r.log_failure);
  EXPECT_EQ(r.log_failure, "ﾛｸﾞﾌｧｲﾙの書き込みに失敗しました: " + s.log_path + ": File too large");
  EXPECT_EQ(std::ranges::count(b.TextsAt(JobText::kStatus), r.log_failure), 1);
  ASSERT_EQ(b.messages.size(), 1u);
  EXPECT_EQ(b.messages[0].second, std::string(kAgeingEndMessage) + "\r\n\r\n" + r.log_failure);
  EXPECT_LE(std::filesystem::file_size(s.log_path), 64u * 1024);
}
#endif

// A disc whose volume label holds a line break, an escape and CP932 bytes with one that is
// none: both logs keep it on its line, as UTF-8 ("?" for the controls, the CP932 text
// converted, U+FFFD for the byte that is no character), the HTML log escaped.
TEST(AgeingRun, AVolumeLabelBecomesOneLineOfUtf8InBothLogs) {
  testing::TempDir images("tamarack-label-");
  std::vector<std::uint8_t> iso(32 * 2048, 0);
  std::uint8_t* pvd = iso.data() + 16 * 2048;
  pvd[0] = 1;
  std::memcpy(pvd + 1, "CD001", 5);
  pvd[6] = 1;
  const std::string label = "A<B\r\nC\x1b\x83\x65\x83\x58\x83\x67\xff";
  std::memset(pvd + 40, ' ', 32);
  std::memcpy(pvd + 40, label.data(), label.size());
  images.Write("label.iso", iso);
  const std::string shown = "A<B??C?テスト\xEF\xBF\xBD";
  for (const bool html : {false, true}) {
    AgeingBench b("emu:" + images.File("label.iso") + "?speed=max");
    AgeingSettings s = Once(b, 20, 21);
    s.log_html = html;
    b.Run(s);
    const std::string log = b.Log();
    EXPECT_TRUE(IsValidUtf8(log)) << log;
    if (html) {
      EXPECT_EQ(CountLines(log, "<TD>A&lt;B??C?テスト\xEF\xBF\xBD</TD>"), 1) << log;
    } else {
      EXPECT_EQ(CountLines(log, "CD Volume Name=" + shown, true), 1) << log;
    }
  }
}

// The log is written where it is named, a symlink followed to its file: readable from the
// first pause on, as a run of days needs, and the link stays a link. Its head names the drive
// from one Inquiry; the Properties tab's other two commands are not the run's business.
TEST(AgeingRun, TheLogIsWrittenInPlaceThroughASymlinkItsHeadAskingInquiryAlone) {
  AgeingBench b("emu:type13?speed=max");
  AgeingSettings s = Once(b, 0, 3);
  s.interval_ms = 1000;
#ifdef _WIN32
  const std::string real = "log.txt";  // a symlink needs a right Windows seldom grants
#else
  const std::string real = "real.txt";
  std::filesystem::create_symlink(b.dir.File(real), b.dir.File("log.txt"));
#endif
  std::string while_running;
  b.stop_when = [&](JobText where, const std::string&) {
    if (where == JobText::kPause && while_running.empty()) while_running = b.Log(real);
    return false;
  };
  b.StartTrace();
  b.Run(s);
  b.drives.Trace().Stop();
  EXPECT_NE(while_running.find("==============Ageing Start==============\n"), std::string::npos);
#ifndef _WIN32
  EXPECT_TRUE(std::filesystem::is_symlink(b.dir.File("log.txt")));
#endif
  const std::string log = b.Log(real), trace = b.Log("trace.jsonl");
  EXPECT_EQ(CountLines(log, "==============Ageing End", true), 1);
  EXPECT_EQ(CountLines(log, "Model Name=KESTREL CDV-4800 Virtual", true), 1);
  EXPECT_EQ(CountLines(trace, "\"cdb\": \"12 "), 1);
  EXPECT_EQ(CountLines(trace, "\"cdb\": \"46 ") + CountLines(trace, "\"cdb\": \"5a "), 0);
}

// A failed read's status line names the read's first block (a short reply's too), and the run
// goes on past it.
TEST(AgeingRun, AFailedReadsStatusLineNamesItsBlock) {
  for (const auto& [id, want] : {
           std::pair{"emu:type13?speed=max&bad=30",
                     "Error Notified( UNRECOVERED READ ERROR). Information 30 (0000001eh) "
                     "lba:00000030(0000001eh)"},
           std::pair{"emu:type13?speed=max&short=40",
                     "Short Reply(1024 of 2048 bytes) lba:00000040(00000028h)"},
       }) {
    AgeingBench b(id);
    std::vector<std::string> lines;
    b.status.status_line.SetObserver([&lines](const std::string& s) { lines.push_back(s); });
    const AgeingResult r = b.Run(Once(b, 0, 60, 10));
    b.status.status_line.SetObserver(nullptr);
    EXPECT_EQ(r.failed_commands, 1) << id;
    std::string shown;
    for (const std::string& line : lines) shown += line + "\n";
    EXPECT_EQ(std::ranges::count(lines, std::string(want)), 1) << id << "\n" << shown;
  }
}

}  // namespace
}  // namespace tamarack
