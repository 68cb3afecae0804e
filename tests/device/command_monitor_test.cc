#include "device/command_monitor.h"

#include <gtest/gtest.h>

#include "device/device_session.h"
#include "device/scripted_transport.h"
#include "device/trace_reader.h"
#include "golden.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using tamarack::testing::TempDir;
using testing::CheckCondition;
using testing::Good;
using testing::Refused;
using testing::ScriptedDrives;

// The monitor hears every command of the directory's handles through the trace's sink, with
// or without a trace file, and nothing once the sink is gone; its rows (monitor_rows.txt) say
// status (another status, check condition without sense, a refusal) or sense, bytes and time,
// and its lines save as a trace the reader reads back (replies cut to the cap).
TEST(CommandMonitor, ListensThroughTheTraceAndSavesATrace) {
  TempDir dir("tamarack-monitor-");
  ASSERT_TRUE(dir.ok());
  ScriptedDrives drives;
  std::vector<std::uint8_t> big(kMonitorByteCap + 10, 0);
  testing::ScriptedReply busy = Good();
  busy.result.scsi_status = 0x08;
  // Then another status, a check condition without sense, a refusal.
  drives.script = {Good(std::vector<std::uint8_t>(big.size(), 0x41)), CheckCondition(5, 0x24, 0),
                   Refused(TransportStatus::kTimedOut, "no answer"), busy, testing::WithSense({})};
  drives.script.push_back(Refused(TransportStatus::kRefused, "Permission denied"));
  OpenResult open = drives.drives.Open("scripted:0");
  ASSERT_NE(open.transport, nullptr);
  CommandMonitor monitor(10);
  drives.drives.Trace().SetSink(&monitor);
  EXPECT_TRUE(drives.drives.Trace().Observed());
  open.transport->Execute({MakeCdb({0x28}), big, DataDirection::kIn});
  for (const std::uint8_t op : std::initializer_list<std::uint8_t>{0x5A, 0x43, 0x12, 0x25, 0xBE})
    open.transport->Execute({MakeCdb({op}), {}, DataDirection::kNone});
  drives.drives.Trace().SetSink(nullptr);
  EXPECT_FALSE(drives.drives.Trace().Observed());
  open.transport->Execute({MakeCdb({0x00}), {}, DataDirection::kNone});  // not heard

  // Each row: its number, opcode, status, bytes, drive and the length of its time
  // (hh:mm:ss.uuuuuu).
  const std::vector<MonitoredCommand> rows = monitor.Since(0);
  std::string t;
  for (const MonitoredCommand& r : rows) {
    t += StrFormat("%llu %02x %s, %u bytes, %s, %zu\n", static_cast<unsigned long long>(r.sequence),
                   r.cdb[0], r.status.c_str(), r.transferred, r.drive.c_str(), r.time.size());
  }
  testing::ExpectGoldenFile("monitor_rows.txt", t, "device");
  EXPECT_EQ(monitor.Since(5).size(), 1u);
  EXPECT_TRUE(monitor.Since(6).empty());

  std::string error;
  ASSERT_TRUE(SaveMonitorTrace(dir.File("m.jsonl"), rows, &error)) << error;
  std::vector<TraceEntry> entries;
  ASSERT_TRUE(ReadTraceFile(dir.File("m.jsonl"), &entries, &error)) << error;
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].reply.size(), kMonitorByteCap);
  EXPECT_EQ(entries[0].reply_omitted, 10u);
  EXPECT_EQ(entries[1].result.sense[12], 0x24);
  EXPECT_EQ(entries[2].result.status, TransportStatus::kTimedOut);
}

// The ring keeps the newest `capacity` commands; a reader that fell behind the oldest kept one
// gets all that is kept, and Clear keeps the numbering going.
TEST(CommandMonitor, KeepsTheNewestWithinItsCapacity) {
  CommandMonitor monitor(3);
  ScsiResult good;
  good.status = TransportStatus::kCompleted;
  for (std::uint8_t op = 0; op < 5; ++op)
    monitor.OnCommand({}, "d", {MakeCdb({op}), {}, DataDirection::kNone}, good);
  std::vector<MonitoredCommand> rows = monitor.Since(1);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows.front().sequence, 3u);
  EXPECT_EQ(monitor.Since(4).size(), 1u);
  EXPECT_EQ(monitor.Since(4).front().cdb[0], 4);
  monitor.Clear();
  EXPECT_TRUE(monitor.Since(0).empty());
  monitor.OnCommand({}, "d", {MakeCdb({0x12}), {}, DataDirection::kNone}, good);
  rows = monitor.Since(5);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows.front().sequence, 6u);
}

// Each filter text of opcode_filters.txt (in quotes) with its opcodes or why it is refused.
TEST(CommandMonitor, OpcodeFilter) {
  testing::ExpectEachInput("opcode_filters.txt", "device", [](const std::string& quoted) {
    std::string error;
    const auto opcodes = ParseOpcodeFilter(quoted.substr(1, quoted.size() - 2), &error);
    if (!opcodes) return "refused: " + error;
    std::string t = "opcodes";
    for (std::uint8_t op : *opcodes) t += StrFormat(" %02x", op);
    return t;
  });
  MonitoredCommand read;
  read.cdb[0] = 0x28;
  EXPECT_TRUE(PassesOpcodeFilter({}, read));
  EXPECT_TRUE(PassesOpcodeFilter({0x43, 0x28}, read));
  EXPECT_FALSE(PassesOpcodeFilter({0x43}, read));
}

}  // namespace
}  // namespace tamarack
