// The sector dump's read against the virtual drive (whose raw sectors carry every Read CD
// field) and against a scripted transport (replies no disc gives).
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <mutex>
#include <vector>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/scripted_transport.h"
#include "device/sense_table.h"
#include "emu/built_in_discs.h"
#include "emu/virtual_drive_provider.h"
#include "job/job_runner.h"
#include "job/scripted_job_host.h"
#include "tools/sector_dump.h"
#include "tools/sector_dump_job.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::ScriptedProvider;
using testing::ScriptedReply;
using testing::ScriptedTransport;

using RecordingHost = testing::ScriptedJobHost;

// A virtual drive reached as every drive is: a drive directory and a session.
struct VirtualDrive {
  explicit VirtualDrive(const std::string& id) {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock));
    EXPECT_TRUE(session.Open(id));
  }
  SimulatedClock clock;
  DriveDirectory drives;
  DeviceSession session{&drives, BuiltInSenseTable()};
};

using ScriptedDrive = testing::ScriptedSession;

DumpRequest LbaRequest(std::uint32_t lba, std::uint32_t blocks, std::uint8_t main,
                       std::uint8_t sub = 0) {
  SectorDump d;
  d.lba_text = std::to_string(lba);
  d.length_text = std::to_string(blocks);
  d.sector_cdb[9] = main;
  d.sector_cdb[10] = sub;
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
  std::int32_t data_start = -1;
  for (const auto& t : layout.tracks) {
    if (t.session == 2) {
      data_start = t.start;
      break;
    }
  }
  ASSERT_GT(data_start, 0);
  RecordingHost host;
  const DumpResult r = ReadSectorDump(drive.session, VdsRequest(), DumpBuffer{}, host);
  ASSERT_TRUE(r.vds_lba);
  EXPECT_EQ(*r.vds_lba, static_cast<std::uint32_t>(data_start) + 16u);
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.buffer.valid().size(), 2048u);
}

TEST(SectorDumpRead, DataEndingInFillBytesIsShortenedWhenTheWholeBufferIsReported) {
  ScriptedDrive drive;
  // A path that reports the whole buffer as transferred, whatever the drive sent.
  drive.transport->responder = [](const ScsiRequest& request) {
    std::vector<std::uint8_t> data(2048, 0x01);
    data[2045] = data[2046] = data[2047] = 0x5A;
    ScriptedReply reply = Good(data);
    reply.result.transferred = static_cast<std::uint32_t>(request.buffer.size());
    return reply;
  };
  RecordingHost host;
  const DumpResult r = ReadSectorDump(drive.session, LbaRequest(5, 1, 0x10), DumpBuffer{}, host);
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.transferred, drive.transport->sent[0].buffer.size());
  EXPECT_EQ(r.buffer.valid().size(), 2045u);
  EXPECT_EQ(r.text, FormatSectorDump(r.buffer.valid(), 4));
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

TEST(SectorDumpRead, MsfRangeReadsTheSameBlocksAsTheirLbas) {
  VirtualDrive drive("emu:type13?speed=max");
  RecordingHost host;
  SectorDump d;
  d.mode = DumpAddressMode::kMsf;
  d.start = {"00", "02", "05"};  // LBA 5
  d.end = {"00", "02", "08"};
  const DumpResult by_msf =
      ReadSectorDump(drive.session, *d.Prepare(DumpStep::kNone, false).request, DumpBuffer{}, host);
  EXPECT_EQ(by_msf.cdb, (Cdb{0xB9, 0, 0, 0, 2, 5, 0, 2, 8, 0x10, 0, 0}));
  const DumpResult by_lba =
      ReadSectorDump(drive.session, LbaRequest(5, 3, 0x10), DumpBuffer{}, host);
  ASSERT_TRUE(by_msf.success);
  ASSERT_EQ(by_msf.buffer.valid().size(), 3u * 2048u);
  EXPECT_TRUE(std::equal(by_msf.buffer.valid().begin(), by_msf.buffer.valid().end(),
                         by_lba.buffer.valid().begin(), by_lba.buffer.valid().end()));
}

// MMC, READ CD, "Number of Bytes Returned Based on Data Selection Field": main-channel bytes
// per block for byte 9 bits 7-3, for CD-DA, Mode 1, Mode 2 formless, Mode 2 form 1 and form 2.
// -1 marks an illegal combination.
constexpr int kIllegal = -1;
struct MainRow {
  std::uint8_t flags;
  std::array<int, 5> bytes;
};
constexpr MainRow kMmcTable[] = {
    {0x00, {0, 0, 0, 0, 0}},
    {0x08, {0, 288, 0, 280, 0}},
    {0x10, {2352, 2048, 2336, 2048, 2328}},
    {0x18, {2352, 2336, 2336, 2328, 2328}},
    {0x20, {0, 4, 4, 4, 4}},
    {0x28, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0x30, {2352, 2052, 2340, kIllegal, kIllegal}},
    {0x38, {2352, 2340, 2340, kIllegal, kIllegal}},
    {0x40, {0, 0, 0, 8, 8}},
    {0x48, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0x50, {2352, 2048, 2336, 2056, 2336}},
    {0x58, {2352, 2336, 2336, 2336, 2336}},
    {0x60, {0, 4, 4, 12, 12}},
    {0x68, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0x70, {2352, 2052, 2340, 2060, 2340}},
    {0x78, {2352, 2340, 2340, 2340, 2340}},
    {0x80, {0, 12, 12, 12, 12}},
    {0x88, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0x90, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0x98, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0xA0, {0, 16, 16, 16, 16}},
    {0xA8, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0xB0, {2352, 2064, 2352, kIllegal, kIllegal}},
    {0xB8, {2352, 2352, 2352, kIllegal, kIllegal}},
    {0xC0, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0xC8, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0xD0, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0xD8, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0xE0, {0, 16, 16, 24, 24}},
    {0xE8, {kIllegal, kIllegal, kIllegal, kIllegal, kIllegal}},
    {0xF0, {2352, 2064, 2352, 2072, 2352}},
    {0xF8, {2352, 2352, 2352, 2352, 2352}},
};
// Error field 00b, 01b (C2 error bits, 294 bytes), 10b (C2 bits, block error byte and a pad
// byte, 296 bytes); sub-channel none, raw P-W (96), formatted Q (16), de-interleaved P-W (96).
constexpr std::array<std::uint8_t, 3> kErrorFields = {0x00, 0x02, 0x04};
constexpr std::array<int, 3> kErrorBytes = {0, 294, 296};
constexpr std::array<std::uint8_t, 4> kSubChannels = {0, 1, 2, 4};
constexpr std::array<int, 4> kSubBytes = {0, 96, 16, 96};

TEST(SectorDumpRead, EveryFieldSelectionReturnsTheByteCountOfTheMmcTable) {
  VirtualDrive drive("emu:type30?speed=max");
  // The type30 disc: track 1 Mode 1, track 2 XA form 1, track 12 XA form 2, track 4 audio.
  const auto disc = emu::MakeType30Disc();
  auto start_of = [&](int number) {
    for (const auto& t : disc->Layout().tracks) {
      if (t.number == number) return static_cast<std::uint32_t>(t.start);
    }
    ADD_FAILURE() << "no track " << number;
    return 0u;
  };
  struct Track {
    const char* name;
    std::uint32_t lba;
    std::size_t column;  // of kMmcTable
  };
  const Track tracks[] = {
      {"Mode 1", start_of(1) + 20, 1},
      {"Mode 2 form 1", start_of(2) + 20, 3},
      {"Mode 2 form 2", start_of(12) + 20, 4},
      {"CD-DA", start_of(4) + 20, 0},
  };
  RecordingHost host;
  DumpBuffer buffer;
  int reads = 0;
  for (const Track& track : tracks) {
    for (const MainRow& row : kMmcTable) {
      for (std::size_t e = 0; e < kErrorFields.size(); ++e) {
        for (std::size_t s = 0; s < kSubChannels.size(); ++s) {
          const auto main = static_cast<std::uint8_t>(row.flags | kErrorFields[e]);
          DumpResult r =
              ReadSectorDump(drive.session, LbaRequest(track.lba, 1, main, kSubChannels[s]),
                             std::move(buffer), host);
          buffer = std::move(r.buffer);
          ++reads;
          const int main_bytes = row.bytes[track.column];
          const std::string what = std::string(track.name) + " byte 9 = " + std::to_string(main) +
                                   ", byte 10 = " + std::to_string(kSubChannels[s]);
          if (main_bytes == kIllegal) {
            EXPECT_FALSE(r.success) << what;
            EXPECT_EQ(r.outcome.status, CommandStatus::kCheckCondition) << what;
            EXPECT_EQ(r.text, "No Data") << what;
            continue;
          }
          const auto expected =
              static_cast<std::size_t>(main_bytes + kErrorBytes[e] + kSubBytes[s]);
          ASSERT_TRUE(r.success) << what << ": " << drive.session.status_line.Get();
          EXPECT_EQ(r.buffer.valid().size(), expected) << what;
          if (expected == 0) {
            EXPECT_EQ(r.text, "No Data") << what;
          }
        }
      }
    }
  }
  EXPECT_EQ(reads, 4 * 32 * 3 * 4);
}

// The CD-ROM EDC, written here from ECMA-130 (14.3) independently of the virtual drive's:
// CRC-32 with the polynomial x^32 + x^31 + x^16 + x^15 + x^4 + x^3 + x + 1, bits least
// significant first (the reflected polynomial D8018001h), initial value 0, no final inversion,
// stored little-endian.
std::uint32_t ReferenceEdc(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc >> 1) ^ ((crc & 1u) ? 0xD8018001u : 0u);
  }
  return crc;
}

int Bcd(int v) { return (v / 10) * 16 + v % 10; }

TEST(SectorDumpRead, TheRawSectorOfAModeOneBlockCarriesAValidEdc) {
  VirtualDrive drive("emu:type13?speed=max");
  RecordingHost host;
  for (std::uint32_t lba : {0u, 16u, 12345u}) {
    const DumpResult r =
        ReadSectorDump(drive.session, LbaRequest(lba, 1, 0xF8), DumpBuffer{}, host);
    ASSERT_TRUE(r.success);
    const auto sector = r.buffer.valid();
    ASSERT_EQ(sector.size(), 2352u);
    // Sync: 00, ten FFh, 00.
    EXPECT_EQ(sector[0], 0x00);
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(sector[static_cast<std::size_t>(i)], 0xFF);
    EXPECT_EQ(sector[11], 0x00);
    // Header: the block's MSF address in BCD, mode 1.
    const std::uint32_t x = lba + 150;
    EXPECT_EQ(sector[12], Bcd(static_cast<int>(x / 4500)));
    EXPECT_EQ(sector[13], Bcd(static_cast<int>(x / 75 % 60)));
    EXPECT_EQ(sector[14], Bcd(static_cast<int>(x % 75)));
    EXPECT_EQ(sector[15], 1);
    // EDC over sync, header and user data, stored little-endian at bytes 2064-2067.
    const std::uint32_t edc = ReferenceEdc(sector.first(2064));
    std::uint32_t stored = 0;
    for (std::size_t i = 0; i < 4; ++i) stored |= std::uint32_t{sector[2064 + i]} << (8 * i);
    EXPECT_EQ(stored, edc) << "LBA " << lba;
    // The intermediate field is zero.
    for (std::size_t i = 2068; i < 2076; ++i) EXPECT_EQ(sector[i], 0);
  }
}

TEST(SectorDumpRead, ReferenceEdcOfAKnownVector) {
  // A check of the reference itself: the EDC of nothing is 0, and the one byte 80h carries a
  // set bit out only in the last of its eight rounds, leaving the polynomial itself.
  EXPECT_EQ(ReferenceEdc({}), 0u);
  const std::uint8_t one[] = {0x80};
  EXPECT_EQ(ReferenceEdc(one), 0xD8018001u);
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
