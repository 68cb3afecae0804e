#include "device/command_trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "device/scripted_transport.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

using tamarack::testing::TempDir;
using testing::CheckCondition;
using testing::Good;
using testing::ScriptedDrives;

using namespace std::chrono;

// 2024-02-29 23:59:59.999999 UTC: a leap day, the last microsecond of it.
const system_clock::time_point kLeapDay = sys_days{year{2024} / February / 29} + hours{23} +
                                          minutes{59} + seconds{59} + microseconds{999999};

ScsiRequest Request(Cdb cdb, std::span<std::uint8_t> buffer, DataDirection direction) {
  ScsiRequest r;
  r.cdb = cdb;
  r.buffer = buffer;
  r.direction = direction;
  return r;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(TraceTimestamp, IsUtcWithMicroseconds) {
  EXPECT_EQ(TraceTimestamp(system_clock::time_point{}), "1970-01-01T00:00:00.000000Z");
  EXPECT_EQ(TraceTimestamp(kLeapDay), "2024-02-29T23:59:59.999999Z");
}

TEST(FormatTraceLine, DataInHoldsEveryFieldInItsOrder) {
  std::vector<std::uint8_t> buffer = {0x00, 0x0a, 0x01, 0x01, 0x5a, 0x5a};
  ScsiResult result;
  result.status = TransportStatus::kCompleted;
  result.transferred = 4;
  result.duration = microseconds{310};
  EXPECT_EQ(
      FormatTraceLine(kLeapDay, "emu:audio",
                      Request(MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0, 6}), buffer, DataDirection::kIn),
                      result),
      "{\"time\": \"2024-02-29T23:59:59.999999Z\", \"drive\": \"emu:audio\", "
      "\"cdb\": \"43 00 00 00 00 00 00 00 06 00 00 00\", \"direction\": \"in\", "
      "\"length\": 6, \"timeout_s\": 7, \"data_out\": \"\", \"data_out_omitted\": 0, "
      "\"outcome\": \"completed\", \"os_error\": 0, \"reason\": \"\", \"advice\": \"\", "
      "\"scsi_status\": 0, \"sense\": \"\", \"sense_length\": 0, \"transferred\": 4, "
      "\"duration_us\": 310, \"reply\": \"00 0a 01 01\", \"reply_omitted\": 0}");
}

TEST(FormatTraceLine, KeepsDataOutAndCutsBothDirectionsAtTheCap) {
  std::vector<std::uint8_t> page = {0x00, 0x10, 0x00, 0x00, 0x8e, 0x0e};
  ScsiResult good;
  good.status = TransportStatus::kCompleted;
  good.transferred = 6;
  const Cdb select = MakeCdb({0x55, 0x10, 0, 0, 0, 0, 0, 0, 6});
  const std::string out =
      FormatTraceLine(kLeapDay, "d", Request(select, page, DataDirection::kOut), good, 4);
  EXPECT_NE(out.find("\"direction\": \"out\", \"length\": 6"), std::string::npos) << out;
  EXPECT_NE(out.find("\"data_out\": \"00 10 00 00\", \"data_out_omitted\": 2"), std::string::npos)
      << out;
  // Data out is no reply, whatever the transferred count says.
  EXPECT_NE(out.find("\"reply\": \"\", \"reply_omitted\": 0"), std::string::npos) << out;

  const std::string in =
      FormatTraceLine(kLeapDay, "d", Request(select, page, DataDirection::kIn), good, 0);
  EXPECT_NE(in.find("\"reply\": \"\", \"reply_omitted\": 6"), std::string::npos) << in;
}

TEST(FormatTraceLine, ReplyNeverReachesPastTheBufferOrComesFromARefusal) {
  std::vector<std::uint8_t> buffer = {1, 2};
  ScsiResult boastful;
  boastful.status = TransportStatus::kCompleted;
  boastful.transferred = 4096;  // more than was asked for
  const ScsiRequest read = Request(MakeCdb({0x28}), buffer, DataDirection::kIn);
  EXPECT_NE(FormatTraceLine(kLeapDay, "d", read, boastful).find("\"reply\": \"01 02\""),
            std::string::npos);

  ScsiResult refused;
  refused.status = TransportStatus::kRefused;
  refused.os_error = 1;
  refused.reason = "Operation not permitted";
  refused.advice = "needs \"CAP_SYS_RAWIO\"";
  refused.transferred = 2;  // the requested count, as a refusal leaves it
  const std::string line = FormatTraceLine(kLeapDay, "d", read, refused);
  EXPECT_NE(line.find("\"outcome\": \"refused\", \"os_error\": 1, \"reason\": \"Operation not "
                      "permitted\", \"advice\": \"needs \\\"CAP_SYS_RAWIO\\\"\""),
            std::string::npos)
      << line;
  EXPECT_NE(line.find("\"reply\": \"\", \"reply_omitted\": 0"), std::string::npos) << line;

  ScsiResult timed_out;
  timed_out.status = TransportStatus::kTimedOut;
  EXPECT_NE(FormatTraceLine(kLeapDay, "d", read, timed_out).find("\"outcome\": \"timed out\""),
            std::string::npos);
}

TEST(FormatTraceLine, SenseCoversItsLengthAndAnyByteFilledBeyondIt) {
  std::vector<std::uint8_t> none;
  const ScsiRequest tur = Request(MakeCdb({0x00}), none, DataDirection::kIn);
  const ScsiResult check = CheckCondition(0x02, 0x3a, 0x01).result;
  EXPECT_NE(FormatTraceLine(kLeapDay, "d", tur, check)
                .find("\"scsi_status\": 2, \"sense\": \"70 00 02 00 00 00 00 0a 00 00 00 00 3a "
                      "01 00 00 00 00\", \"sense_length\": 18"),
            std::string::npos);

  // A transport that fills the area but reports no length: the session still reads it.
  ScsiResult unreported = check;
  unreported.sense_length = 0;
  EXPECT_NE(FormatTraceLine(kLeapDay, "d", tur, unreported)
                .find("\"sense\": \"70 00 02 00 00 00 00 0a 00 00 00 00 3a 01\", "
                      "\"sense_length\": 0"),
            std::string::npos);
}

TEST(FormatTraceLine, DriveIdsOfAnyBytesStayValidJson) {
  std::vector<std::uint8_t> none;
  const std::string line =
      FormatTraceLine(kLeapDay, "emu:/discs/\"odd\"\xff.cue",
                      Request(MakeCdb({0x00}), none, DataDirection::kNone), ScsiResult{});
  EXPECT_NE(line.find("\"drive\": \"emu:/discs/\\\"odd\\\"\\u00ff.cue\", "), std::string::npos)
      << line;
  EXPECT_NE(line.find("\"direction\": \"none\""), std::string::npos) << line;
}

class DirectoryTrace : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.ok()); }
  TempDir dir{"tamarack-trace-"};
  ScriptedDrives drives;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(8);
};

TEST_F(DirectoryTrace, RecordsDrivesOpenedBeforeItStartsAndNothingAfterItStops) {
  OpenResult open = drives.drives.Open("scripted:0");
  ASSERT_NE(open.transport, nullptr);
  const ScsiRequest tur = Request(MakeCdb({0x00}), {}, DataDirection::kNone);
  open.transport->Execute(tur);  // before: not recorded

  std::string error;
  ASSERT_TRUE(
      drives.drives.Trace().Start(dir.File("t.jsonl"), CommandTrace::Mode::kTruncate, &error))
      << error;
  EXPECT_EQ(drives.drives.Trace().Path(), dir.File("t.jsonl"));
  drives.script = {Good({0x11, 0x22})};
  OpenResult second = drives.drives.Open("scripted:1");
  ASSERT_NE(second.transport, nullptr);
  EXPECT_EQ(second.transport->Id(), "scripted:1");
  open.transport->Execute(tur);
  second.transport->Execute(Request(MakeCdb({0x12}), buffer, DataDirection::kIn));
  drives.drives.Trace().Stop();
  EXPECT_EQ(drives.drives.Trace().Path(), "");
  open.transport->Execute(tur);  // after: not recorded

  const auto lines = Lines(dir.File("t.jsonl"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("\"drive\": \"scripted:0\", \"cdb\": \"00 00"), std::string::npos);
  EXPECT_NE(lines[1].find("\"drive\": \"scripted:1\", \"cdb\": \"12 00"), std::string::npos);
  EXPECT_NE(lines[1].find("\"reply\": \"11 22\""), std::string::npos);
  EXPECT_EQ(drives.drives.Trace().WriteError(), "");
}

TEST_F(DirectoryTrace, AppendKeepsWhatTheFileHeldAndTruncateStartsAfresh) {
  dir.Write("t.jsonl", std::string("{\"earlier\": 1}\n"));
  OpenResult open = drives.drives.Open("scripted:0");
  const ScsiRequest tur = Request(MakeCdb({0x00}), {}, DataDirection::kNone);
  CommandTrace& trace = drives.drives.Trace();
  ASSERT_TRUE(trace.Start(dir.File("t.jsonl"), CommandTrace::Mode::kAppend, nullptr));
  open.transport->Execute(tur);
  trace.Stop();
  auto lines = Lines(dir.File("t.jsonl"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "{\"earlier\": 1}");

  ASSERT_TRUE(trace.Start(dir.File("t.jsonl"), CommandTrace::Mode::kTruncate, nullptr));
  open.transport->Execute(tur);
  trace.Stop();
  lines = Lines(dir.File("t.jsonl"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("{\"time\": ", 0), 0u);
}

TEST_F(DirectoryTrace, AFileThatCannotBeWrittenIsRefusedAndTheTraceStaysOff) {
  std::string error;
  const std::string path = dir.File("missing/t.jsonl");
  EXPECT_FALSE(drives.drives.Trace().Start(path, CommandTrace::Mode::kTruncate, &error));
  EXPECT_EQ(error, "cannot write the trace file " + path + ": No such file or directory");
  EXPECT_FALSE(drives.drives.Trace().Active());
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
        open.transport->Execute(Request(MakeCdb({0x28}), reply, DataDirection::kIn));
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
