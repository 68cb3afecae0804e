// The log as files: a run's text and HTML logs against golden files (times from the simulated
// clock, the run's folder written as @DIR@), and the dump lines' layout.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ageing/ageing_log.h"
#include "ageing_bench.h"
#include "golden.h"

namespace tamarack {
namespace {

using testing::AgeingBench;

// Compares with the golden file byte for byte (a log keeps its "\r\n"), or writes it with
// TAMARACK_UPDATE_GOLDEN set (for a change checked by hand).
void ExpectGolden(const std::string& name, const std::string& text) {
  if (std::getenv("TAMARACK_UPDATE_GOLDEN")) {
    std::ofstream(testing::GoldenPath(name, "ageing"), std::ios::binary) << text;
    return;
  }
  EXPECT_EQ(text, testing::ReadGoldenFile(name, "ageing")) << name;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Read(10) of 10..14 by 2 over a disc whose block 12 is corrupted and whose block 14 cannot be
// read, checked against a reference file, paused 1.5 s between commands.
std::string RunAndLog(bool html, const std::string& log_name) {
  AgeingBench b("emu:type13?corrupt=12&bad=14");
  testing::CaptureReference(b.dir.File("ref.dat"), 10, 15);
  AgeingSettings s = b.Settings();
  s.start_lba = 10;
  s.end_lba = 14;
  s.step = 2;
  s.transfer_length = 2;
  s.command_index = 0;
  s.interval_ms = 1500;
  s.mode.set_loop(static_cast<int>(LoopMode::kOnce));
  s.data_check = true;
  s.data_check_type = DataCheckType::kOther;
  s.data_file = b.dir.File("ref.dat");
  s.log_html = html;
  s.log_path = b.dir.File(log_name);
  const AgeingResult r = b.Run(s);
  EXPECT_EQ(r.commands, 3);
  EXPECT_EQ(r.failed_commands, 1);
  EXPECT_EQ(r.counts.data_ng, 1);
  return Replace(b.Log(log_name), b.dir.path(), "@DIR@");
}

TEST(AgeingLogFile, TextMatchesItsGoldenFile) {
  ExpectGolden("run.txt", RunAndLog(false, "log.txt"));
}

TEST(AgeingLogFile, HtmlMatchesItsGoldenFileWithOutsideTextEscaped) {
  const std::string html = RunAndLog(true, "<b>&log.htm");
  ExpectGolden("run.htm", html);
  EXPECT_NE(html.find("charset=UTF-8"), std::string::npos);
  EXPECT_NE(html.find("[@DIR@/&lt;b&gt;&amp;log.htm]"), std::string::npos);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
}

TEST(AgeingLogFile, DumpLinesKeepTheirColumns) {
  std::vector<std::uint8_t> block(52);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>('A' + i % 26);
  std::vector<std::uint8_t> reference = block;
  reference[33] = 0;
  const std::string lines = BlockDumpLines(block, reference, true);
  std::istringstream in(lines);
  std::string full, part, marks, more;
  std::getline(in, full);
  std::getline(in, part);
  std::getline(in, marks);
  EXPECT_FALSE(std::getline(in, more)) << lines;
  // A 20-byte line is padded so that " |" stands where it stands on a full line.
  EXPECT_EQ(full.find(" |"), 80u) << lines;
  EXPECT_EQ(part.find(" |"), 80u) << lines;
  EXPECT_EQ(part.substr(0, 9), "00000020 ");
  // The only marker stands under byte 33, the second of the short line.
  EXPECT_EQ(marks.substr(0, 13), "^^^^^^^^   ^^");
  EXPECT_EQ(marks.find('^', 13), std::string::npos);
  EXPECT_EQ(BlockDumpLines(block, reference, false).find('^'), std::string::npos);
}

}  // namespace
}  // namespace tamarack
