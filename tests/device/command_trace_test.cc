#include "device/command_trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "device/scripted_transport.h"
#include "device/trace_reader.h"
#include "golden.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::ScriptedDrives;

using namespace std::chrono;

// 2024-02-29 23:59:59.999999 UTC: a leap day, the last microsecond of it.
const system_clock::time_point kLeapDay = sys_days{year{2024} / February / 29} + hours{23} +
                                          minutes{59} + seconds{59} + microseconds{999999};

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Trace lines, one a row of trace_lines.txt: a data-in command with every field in its
// order; data out kept and both directions cut at the cap (data out is no reply, whatever the
// transferred count says); a reply never past the buffer nor from a refusal, whose error
// number and texts are kept (quotes and control characters escaped); sense by its length,
// and all of it filled when a transport reports no length.
TEST(FormatTraceLine, EveryFieldCapsRefusalsAndSense) {
  std::vector<std::uint8_t> buffer = {0x00, 0x0a, 0x01, 0x01, 0x5a, 0x5a};
  ScsiResult result;
  result.status = TransportStatus::kCompleted;
  result.transferred = 4;
  result.duration = microseconds{310};
  std::string text;
  const auto line = [&text](const std::string& drive, const ScsiRequest& request,
                            const ScsiResult& r, std::size_t cap = kDefaultTraceByteCap) {
    text += FormatTraceLine(kLeapDay, drive, request, r, cap) + "\n";
  };
  line("emu:audio", {MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0, 6}), buffer, DataDirection::kIn}, result);

  std::vector<std::uint8_t> page = {0x00, 0x10, 0x00, 0x00, 0x8e, 0x0e};
  result.transferred = 6;
  result.duration = {};
  const Cdb select = MakeCdb({0x55, 0x10, 0, 0, 0, 0, 0, 0, 6});
  line("d", {select, page, DataDirection::kOut}, result, 4);
  line("d", {select, page, DataDirection::kIn}, result, 0);

  std::vector<std::uint8_t> two = {1, 2};
  result.transferred = 4096;  // more than was asked for
  const ScsiRequest read{MakeCdb({0x28}), two, DataDirection::kIn};
  line("d", read, result);
  ScsiResult refused;
  refused.status = TransportStatus::kRefused;
  refused.os_error = 1;
  refused.reason = "Operation not permitted";
  refused.advice = "needs \"CAP_SYS_RAWIO\"\n";
  refused.transferred = 2;  // the requested count, as a refusal leaves it
  line("emu:\"x\"\x01", read, refused);

  const ScsiRequest tur{MakeCdb({0x00}), {}, DataDirection::kIn};
  ScsiResult check = CheckCondition(0x02, 0x3a, 0x01).result;
  line("d", tur, check);
  check.sense_length = 0;
  line("d", tur, check);
  // Sense past the old 24-byte area: all 40 bytes are kept.
  ScsiResult long_sense = check;
  for (std::size_t i = 0; i < 40; ++i) long_sense.sense[i] = static_cast<std::uint8_t>(i + 1);
  long_sense.sense[0] = 0x72;
  long_sense.sense[7] = 32;
  long_sense.sense_length = 40;
  line("d", tur, long_sense);
  testing::ExpectGoldenFile("trace_lines.txt", text, "device");
}

// Every line of the writer's trace_lines.txt (every field, escapes, caps, a refusal, sense)
// read back and written again is the same line.
TEST(TraceReader, ReadsBackEveryFieldTheWriterWrites) {
  std::istringstream lines(testing::ReadGoldenFile("trace_lines.txt", "device"));
  int n = 0;
  for (std::string line; std::getline(lines, line); ++n) {
    TraceEntry e;
    std::string error;
    ASSERT_TRUE(ParseTraceLine(line, &e, &error)) << error << "\n" << line;
    std::vector<std::uint8_t> buffer = e.direction == DataDirection::kOut ? e.data_out : e.reply;
    buffer.resize(e.length);
    const ScsiRequest request{e.cdb, buffer, e.direction};
    const bool capped = e.data_out_omitted || e.reply_omitted;
    EXPECT_EQ(FormatTraceLine(kLeapDay, e.drive, request, e.result,
                              capped ? e.data_out.size() + e.reply.size() : kDefaultTraceByteCap),
              line);
  }
  EXPECT_EQ(n, 8);
}

class DirectoryTrace : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.ok()); }
  testing::TempDir dir{"tamarack-trace-"};
  ScriptedDrives drives;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(8);
};

// A trace records drives opened before it starts, and nothing after it stops; appending keeps
// what the file held; a file that cannot be written is refused and the trace stays off. (That
// truncating starts afresh and the refusal's text: tests/cli/trace_option_test.cc.)
TEST_F(DirectoryTrace, StartsAppendsTruncatesAndStops) {
  dir.Write("t.jsonl", std::string("{\"earlier\": 1}\n"));
  OpenResult open = drives.drives.Open("scripted:0");
  ASSERT_NE(open.transport, nullptr);
  const ScsiRequest tur{MakeCdb({0x00}), {}, DataDirection::kNone};
  open.transport->Execute(tur);  // before: not recorded
  CommandTrace& trace = drives.drives.Trace();
  std::string error;
  ASSERT_TRUE(trace.Start(dir.File("t.jsonl"), CommandTrace::Mode::kAppend, &error)) << error;
  EXPECT_EQ(trace.Path(), dir.File("t.jsonl"));
  drives.script = {Good({0x11, 0x22})};
  OpenResult second = drives.drives.Open("scripted:1");
  ASSERT_NE(second.transport, nullptr);
  EXPECT_EQ(second.transport->Id(), "scripted:1");
  open.transport->Execute(tur);
  second.transport->Execute({MakeCdb({0x12}), buffer, DataDirection::kIn});
  trace.Stop();
  EXPECT_EQ(trace.Path(), "");
  open.transport->Execute(tur);  // after: not recorded
  const auto lines = Lines(dir.File("t.jsonl"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "{\"earlier\": 1}");
  EXPECT_NE(lines[1].find("\"drive\": \"scripted:0\", \"cdb\": \"00 00"), std::string::npos);
  EXPECT_NE(lines[2].find("\"drive\": \"scripted:1\", \"cdb\": \"12 00"), std::string::npos);
  EXPECT_NE(lines[2].find("\"reply\": \"11 22\""), std::string::npos);
  EXPECT_EQ(trace.WriteError(), "");

  EXPECT_FALSE(trace.Start(dir.File("missing/t.jsonl"), CommandTrace::Mode::kTruncate, &error));
  EXPECT_FALSE(trace.Active());
}

TEST_F(DirectoryTrace, ThreadsOnTheirOwnHandlesNeverInterleaveLines) {
  ASSERT_TRUE(
      drives.drives.Trace().Start(dir.File("t.jsonl"), CommandTrace::Mode::kTruncate, nullptr));
  constexpr int kThreads = 4;
  constexpr int kCommands = 100;
  // Replies long enough that one line takes several writes of a small buffer.
  drives.provider->factory = [](const std::string& id) {
    auto t = std::make_unique<testing::ScriptedTransport>(id);
    t->responder = [](const ScsiRequest&) { return Good(std::vector<std::uint8_t>(4096, 0xab)); };
    return t;
  };
  // Opened here: the directory opens on one thread at a time; the handles then run apart.
  std::vector<OpenResult> handles;
  for (int i = 0; i < kThreads; ++i)
    handles.push_back(drives.drives.Open("scripted:" + std::to_string(i)));
  std::vector<std::thread> threads;
  for (OpenResult& open : handles) {
    threads.emplace_back([&open] {
      std::vector<std::uint8_t> reply(4096);
      for (int n = 0; n < kCommands; ++n) {
        open.transport->Execute({MakeCdb({0x28}), reply, DataDirection::kIn});
      }
    });
  }
  for (auto& t : threads) t.join();
  drives.drives.Trace().Stop();

  const auto lines = Lines(dir.File("t.jsonl"));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kCommands));
  for (const std::string& line : lines) {
    ASSERT_EQ(line.rfind("{\"time\": ", 0), 0u);
    ASSERT_EQ(line.size(), lines[0].size());
    ASSERT_TRUE(line.ends_with("ab\", \"reply_omitted\": 0}")) << line.substr(0, 200);
  }
}

}  // namespace
}  // namespace tamarack
