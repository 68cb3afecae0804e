// The sector dump's read against the virtual drive (whose raw sectors carry every Read CD
// field) and against a scripted transport (replies no disc gives).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/scripted_transport.h"
#include "emu/drive_harness.h"
#include "golden.h"
#include "job/job_runner.h"
#include "job/scripted_job_host.h"
#include "tools/sector_dump.h"
#include "tools/sector_dump_job.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::ScriptedReply;

using RecordingHost = testing::ScriptedJobHost;

using VirtualDrive = emu::testing::DriveHarness;
using ScriptedDrive = testing::ScriptedSession;

DumpRequest LbaRequest(std::uint32_t lba, std::uint32_t blocks, std::uint8_t main) {
  SectorDump d;
  d.lba_text = std::to_string(lba);
  d.length_text = std::to_string(blocks);
  d.sector_cdb[9] = main;
  return *d.Prepare(DumpStep::kNone, false).request;
}

DumpRequest VdsRequest() {
  SectorDump d;
  d.mode = DumpAddressMode::kVolumeDescriptor;
  return *d.Prepare(DumpStep::kNone, false).request;
}

TEST(SectorDumpRead, TheVolumeDescriptorLiesSixteenBlocksIntoTheLastSession) {
  VirtualDrive drive("emu:multisession?speed=max");
  const auto disc = emu::MakeMultisessionDisc();
  const auto& layout = disc->Layout();
  ASSERT_EQ(layout.sessions.size(), 2u);
  ASSERT_EQ(layout.tracks[3].session, 2);  // the second session's first track
  const std::int32_t data_start = layout.tracks[3].start;
  RecordingHost host;
  const DumpResult r = ReadSectorDump(drive.session, VdsRequest(), DumpBuffer{}, host);
  ASSERT_TRUE(r.vds_lba);
  EXPECT_EQ(*r.vds_lba, static_cast<std::uint32_t>(data_start) + 16u);
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.buffer.valid().size(), 2048u);
}

// Reads against replies no disc gives, in tests/data/tools/dump_reads.txt: per read the commands
// sent with their buffer sizes, the result, the statuses shown during and after, the busy
// marks. Without session information (Read TOC refused, or a reply too short to hold the
// address) the volume descriptor is read at LBA 16. A check condition shows "No Data" and
// leaves its sense text in the status line; the buffer comes back either way. Good status
// with nothing transferred is "No Data" too. Without a device nothing is sent.
TEST(SectorDumpRead, ScriptedRepliesTranscript) {
  std::string t;
  const auto read = [&t](ScriptedDrive& drive, const char* what, const DumpRequest& request,
                         DumpBuffer buffer) {
    t += std::string("> ") + what + "\n";
    std::vector<std::string> seen;
    drive.status.status_line.SetObserver([&seen](const std::string& s) { seen.push_back(s); });
    RecordingHost host;
    host.status_board = &drive.status;
    const std::size_t before = drive.transport->sent.size();
    DumpResult r = ReadSectorDump(drive.session, request, std::move(buffer), host);
    drive.status.status_line.SetObserver(nullptr);
    for (std::size_t i = before; i < drive.transport->sent.size(); ++i) {
      const ScsiRequest& q = drive.transport->sent[i];
      t += "sent " + HexBytes(q.cdb) + "(" + std::to_string(q.buffer.size()) + " bytes)\n";
    }
    t += StrFormat("success %d vds %s valid %zu capacity %u text %s\n", r.success,
                   r.vds_lba ? std::to_string(*r.vds_lba).c_str() : "-", r.buffer.valid().size(),
                   r.buffer.capacity_blocks(),
                   r.text.substr(0, r.text.find_first_of("\r\n")).c_str());
    for (const std::string& s : seen) t += "status: " + s + "\n";
    t += "status line '" + drive.status.status_line.Get() + "' last error '" +
         drive.status.last_error_text.Get() + "'\n";
    t += host.Report();
    return r;
  };
  for (ScriptedReply toc : {CheckCondition(5, 0x24, 0), Good({0, 2, 1, 1})}) {
    ScriptedDrive drive;
    drive.transport->Push(toc);
    drive.transport->Push(Good(std::vector<std::uint8_t>(2048, 0x43)));
    read(drive, "the volume descriptor without session information", VdsRequest(), DumpBuffer{});
  }
  ScriptedDrive drive;
  drive.transport->Push(Good(std::vector<std::uint8_t>(16, 0x30)));
  drive.transport->Push(CheckCondition(3, 0x11, 0x00));
  drive.transport->Push(Good());
  DumpResult r = read(drive, "2 blocks at 7, 16 bytes sent", LbaRequest(7, 2, 0x10), DumpBuffer{});
  r = read(drive, "a check condition", LbaRequest(7, 1, 0x10), std::move(r.buffer));
  read(drive, "good status, nothing sent", LbaRequest(7, 1, 0x10), std::move(r.buffer));

  DriveDirectory drives;
  DeviceSession session(&drives, BuiltInSenseTable());
  StatusBoard status;
  session.SetHost(&status);
  RecordingHost host;
  host.status_board = &status;
  r = ReadSectorDump(session, LbaRequest(0, 1, 0x10), DumpBuffer{}, host);
  t += std::string("> no device\n") +
       (r.outcome.status == CommandStatus::kNoDevice ? "no device" : "a device") + ", success " +
       std::to_string(r.success) + " text " + r.text + " status line '" + status.status_line.Get() +
       "'\n";
  testing::ExpectGoldenFile("dump_reads.txt", t, "tools");
}

TEST(SectorDumpReadJob, RunsOnTheJobFrameAndGivesTheBufferBack) {
  VirtualDrive drive("emu:type13?speed=max");
  JobRunner runner(drive.session);
  RecordingHost host;
  auto job = std::make_shared<SectorDumpReadJob>(LbaRequest(3, 2, 0x10), DumpBuffer{});
  ASSERT_EQ(runner.Start(job, host), StartResult::kStarted);
  runner.Wait();
  EXPECT_EQ(host.finished, std::vector<RunState>{RunState::kIdle});
  EXPECT_TRUE(job->result().success);
  EXPECT_EQ(job->result().buffer.valid().size(), 4096u);
  EXPECT_EQ(host.busy_marks, (std::vector<bool>{true, false}));
  // A second read after the first one reuses the buffer it gave back.
  auto second =
      std::make_shared<SectorDumpReadJob>(LbaRequest(4, 1, 0x10), std::move(job->result().buffer));
  ASSERT_EQ(runner.Start(second, host), StartResult::kStarted);
  runner.Wait();
  EXPECT_EQ(second->result().buffer.capacity_blocks(), 2u);
  EXPECT_EQ(second->result().buffer.valid().size(), 2048u);
}

}  // namespace
}  // namespace tamarack
