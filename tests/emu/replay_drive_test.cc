#include "emu/replay_drive.h"

#include <gtest/gtest.h>

#include "emu/virtual_drive_provider.h"
#include "temp_dir.h"

namespace tamarack::emu {
namespace {

TraceEntry Recorded(Cdb cdb, std::vector<std::uint8_t> reply, std::uint32_t transferred,
                    std::vector<std::uint8_t> data_out = {}) {
  TraceEntry e;
  e.cdb = cdb;
  e.direction = data_out.empty() ? DataDirection::kIn : DataDirection::kOut;
  e.data_out = std::move(data_out);
  e.result.status = TransportStatus::kCompleted;
  e.result.transferred = transferred;
  e.reply = std::move(reply);
  return e;
}

// Sends `cdb` with `buffer` for its data, as a caller of the drive does.
ScsiResult Send(Transport& drive, Cdb cdb, std::vector<std::uint8_t>& buffer,
                DataDirection direction = DataDirection::kIn) {
  ScsiRequest r;
  r.cdb = cdb;
  r.buffer = buffer;
  r.direction = direction;
  return drive.Execute(r);
}

constexpr Cdb kTestUnitReady{};
constexpr Cdb kInquiry{0x12, 0, 0, 0, 0xff};
constexpr Cdb kModeSelect{0x55, 0x10, 0, 0, 0, 0, 0, 0, 0x02};

TEST(ReplayDrive, AnswersEachCommandInRecordedOrderThenRepeatsTheLast) {
  std::vector<TraceEntry> entries;
  entries.push_back(Recorded(kTestUnitReady, {}, 0));
  entries.back().result.scsi_status = 2;
  entries.back().result.sense = {0x70, 0, 0x06, 0, 0, 0, 0, 0x0a, 0, 0, 0, 0, 0x29};
  entries.back().result.sense_length = 18;
  entries.push_back(Recorded(kInquiry, {0x05, 0x80, 0x00, 0x32}, 4));
  entries.push_back(Recorded(kTestUnitReady, {}, 0));
  entries.push_back(Recorded(kModeSelect, {}, 2, {0x01, 0x02}));
  entries.push_back(Recorded(kModeSelect, {}, 2, {0x03, 0x04}));
  entries.back().result.scsi_status = 2;
  ReplayDrive drive("emu:t.jsonl", std::make_shared<ReplayLog>(std::move(entries)));

  std::vector<std::uint8_t> none;
  EXPECT_EQ(Send(drive, kTestUnitReady, none, DataDirection::kNone).sense[2], 0x06);
  EXPECT_EQ(Send(drive, kTestUnitReady, none, DataDirection::kNone).scsi_status, 0);
  EXPECT_EQ(Send(drive, kTestUnitReady, none, DataDirection::kNone).scsi_status, 0);

  // The reply and its count, cut to a smaller buffer than the recorded one.
  std::vector<std::uint8_t> small(3, 0x5a);
  ScsiResult r = Send(drive, kInquiry, small);
  EXPECT_EQ(r.transferred, 3u);
  EXPECT_EQ(small, (std::vector<std::uint8_t>{0x05, 0x80, 0x00}));

  // The data out chooses between recordings of one CDB.
  std::vector<std::uint8_t> second = {0x03, 0x04}, first = {0x01, 0x02}, other = {0x01, 0x03};
  EXPECT_EQ(Send(drive, kModeSelect, second, DataDirection::kOut).scsi_status, 2);
  EXPECT_EQ(Send(drive, kModeSelect, first, DataDirection::kOut).scsi_status, 0);
  EXPECT_EQ(Send(drive, kModeSelect, other, DataDirection::kOut).sense[12], 0x24);
}

TEST(ReplayDrive, ACommandTheTraceLacksIsRefusedAndNamed) {
  std::vector<TraceEntry> entries;
  entries.push_back(Recorded({0xd8, 0x01}, {}, 0));
  std::vector<std::string> notices;
  ReplayDrive drive("emu:t.jsonl", std::make_shared<ReplayLog>(std::move(entries)),
                    [&](const std::string& m) { notices.push_back(m); });
  const struct {
    Cdb cdb;
    std::uint8_t asc;
  } cases[] = {
      {{0xd8, 0x02}, 0x24},  // recorded with other fields
      {{0x43}, 0x24},        // an MMC command the trace does not hold
      {{0xd9}, 0x20},        // unknown to the drive and to the trace
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> buffer(8, 0x5a);
    const ScsiResult r = Send(drive, c.cdb, buffer);
    EXPECT_EQ(r.status, TransportStatus::kCompleted);
    EXPECT_EQ(r.scsi_status, 2);
    EXPECT_EQ(r.sense[2], 0x05);
    EXPECT_EQ(r.sense[12], c.asc);
    EXPECT_EQ(r.transferred, 0u);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(8, 0x5a));
  }
  ASSERT_EQ(notices.size(), 3u);
  EXPECT_EQ(notices[2],
            "emu:t.jsonl: the trace holds no reply for CDB d9 00 00 00 00 00 00 00 00 00 00 00 "
            "(answered 5/20/00)");
}

TEST(ReplayDrive, TheProviderOpensATraceByPathOnce) {
  tamarack::testing::TempDir dir("tamarack-replay-");
  ASSERT_TRUE(dir.ok());
  dir.Write("t.jsonl",
            "{\"cdb\": \"12 00 00 00 ff\", \"outcome\": \"completed\", \"transferred\": 2, "
            "\"reply\": \"05 80\"}\n");
  dir.Write("bad.jsonl", "not json\n");
  SimulatedClock clock;
  VirtualDriveProvider provider(clock, {});
  const std::string id = "emu:" + dir.File("t.jsonl");
  OpenResult first = provider.Open(id);
  ASSERT_TRUE(first.transport) << first.error;
  EXPECT_EQ(first.transport->Id(), id);
  // A second open shares the replay even when the file has gone.
  std::filesystem::remove(dir.File("t.jsonl"));
  OpenResult second = provider.Open(id);
  ASSERT_TRUE(second.transport) << second.error;
  std::vector<std::uint8_t> buffer(16);
  EXPECT_EQ(Send(*second.transport, kInquiry, buffer).transferred, 2u);
  EXPECT_EQ(buffer[1], 0x80);

  EXPECT_FALSE(provider.Open(id + "?speed=max").transport);
  OpenResult bad = provider.Open("emu:" + dir.File("bad.jsonl"));
  EXPECT_FALSE(bad.transport);
  EXPECT_EQ(bad.error,
            dir.File("bad.jsonl") + " line 1: a line must be one JSON object (at column 1)");
}

}  // namespace
}  // namespace tamarack::emu
