// The sector dump's read against the virtual drive (whose raw sectors carry every Read CD
// field) and against a scripted transport (replies no disc gives).
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "device/scripted_transport.h"
#include "emu/drive_harness.h"
#include "job/job_runner.h"
#include "job/scripted_job_host.h"
#include "tools/sector_dump.h"
#include "tools/sector_dump_job.h"

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

TEST(SectorDumpRead, WithoutSessionInformationTheVolumeDescriptorIsReadAtLba16) {
  // Read TOC refused with a check condition, and a reply too short to hold the address.
  for (ScriptedReply toc : {CheckCondition(5, 0x24, 0), Good({0, 2, 1, 1})}) {
    ScriptedDrive drive;
    drive.transport->Push(toc);
    drive.transport->Push(Good(std::vector<std::uint8_t>(2048, 0x43)));
    RecordingHost host;
    const DumpResult r = ReadSectorDump(drive.session, VdsRequest(), DumpBuffer{}, host);
    ASSERT_EQ(drive.transport->sent.size(), 2u);
    EXPECT_EQ(drive.transport->sent[0].cdb, SessionInfoCdb());
    EXPECT_EQ(drive.transport->sent[0].buffer.size(), 160u);
    const Cdb expected{0xBE, 0, 0, 0, 0, 16, 0, 0, 1, 0x10, 0, 0};
    EXPECT_EQ(drive.transport->sent[1].cdb, expected);
    EXPECT_EQ(r.cdb, expected);
    EXPECT_EQ(r.vds_lba, 16u);
    EXPECT_TRUE(r.success);
    EXPECT_EQ(r.buffer.valid().size(), 2048u);
  }
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

TEST(SectorDumpRead, StatusLineBusyMarkAndFailures) {
  ScriptedDrive drive;
  std::vector<std::string> seen;
  drive.session.status_line.SetObserver([&seen](const std::string& t) { seen.push_back(t); });
  drive.transport->Push(Good(std::vector<std::uint8_t>(16, 0x30)));
  RecordingHost host;
  DumpResult r = ReadSectorDump(drive.session, LbaRequest(7, 2, 0x10), DumpBuffer{}, host);
  EXPECT_TRUE(r.success);
  ASSERT_FALSE(seen.empty());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "Now Reading!"), seen.end());
  EXPECT_EQ(drive.session.status_line.Get(), "");
  EXPECT_EQ(host.busy_marks, (std::vector<bool>{true, false}));
  EXPECT_EQ(drive.transport->sent[0].cdb, (Cdb{0xBE, 0, 0, 0, 0, 7, 0, 0, 2, 0x10, 0, 0}));
  EXPECT_EQ(drive.transport->sent[0].buffer.size(), DumpRequestBytes(2));
  EXPECT_EQ(r.buffer.valid().size(), 16u);

  // A check condition: "No Data", and the sense text stays in the status line.
  drive.transport->Push(CheckCondition(3, 0x11, 0x00));
  r = ReadSectorDump(drive.session, LbaRequest(7, 1, 0x10), std::move(r.buffer), host);
  EXPECT_FALSE(r.success);
  EXPECT_EQ(r.text, "No Data");
  EXPECT_TRUE(r.buffer.valid().empty());
  EXPECT_EQ(r.buffer.capacity_blocks(), 2u);  // the buffer came back
  EXPECT_NE(drive.session.status_line.Get(), "");
  EXPECT_NE(drive.session.status_line.Get(), "Now Reading!");
  EXPECT_EQ(drive.session.status_line.Get(), drive.session.last_error_text.Get());

  // Good status with nothing transferred.
  drive.transport->Push(Good());
  r = ReadSectorDump(drive.session, LbaRequest(7, 1, 0x10), std::move(r.buffer), host);
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.text, "No Data");
  drive.session.status_line.SetObserver(nullptr);
}

TEST(SectorDumpRead, WithoutADeviceNothingIsSentAndNoDataShown) {
  DriveDirectory drives;
  DeviceSession session(&drives, BuiltInSenseTable());
  RecordingHost host;
  const DumpResult r = ReadSectorDump(session, LbaRequest(0, 1, 0x10), DumpBuffer{}, host);
  EXPECT_FALSE(r.success);
  EXPECT_EQ(r.outcome.status, CommandStatus::kNoDevice);
  EXPECT_EQ(r.text, "No Data");
  EXPECT_EQ(session.status_line.Get(), "");
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
