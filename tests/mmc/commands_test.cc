// Each command of src/mmc once round: built on the host, parsed and answered by the virtual
// drive, its reply read back by the host's parser where there is one.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "emu/drive_commands.h"
#include "emu/drive_harness.h"
#include "mmc/cdb_direction.h"
#include "mmc/disc_extent.h"
#include "mmc/get_configuration.h"
#include "mmc/get_event_status.h"
#include "mmc/inquiry.h"
#include "mmc/mechanism_status.h"
#include "mmc/mode_sense.h"
#include "mmc/opcodes.h"
#include "mmc/read_capacity.h"
#include "mmc/read_cd.h"
#include "mmc/read_sub_channel.h"
#include "mmc/read_toc.h"
#include "mmc/set_cd_speed.h"
#include "mmc/start_stop_unit.h"
#include "mmc/test_unit_ready.h"

namespace tamarack::mmc {
namespace {

using emu::testing::DriveHarness;
using emu::testing::Reply;

struct RoundTrip {
  const char* name;
  Cdb cdb;
  std::size_t room;                         // the host's buffer
  std::function<void(const Reply&)> check;  // what the host reads of the reply
};

TEST(CommandRoundTripTest, EachBuilderIsUnderstoodAndItsReplyParsed) {
  DriveHarness h;  // the type 13 disc: one data track
  ASSERT_TRUE(h.opened);
  const RoundTrip kCases[] = {
      {"Test Unit Ready", TestUnitReadyCdb(), 0, nullptr},
      {"Inquiry", InquiryCdb(), 255,
       [](const Reply& r) {
         const InquiryNames n = InquiryNamesOf(r.bytes());
         EXPECT_EQ(n.vendor, "KESTREL ");
         EXPECT_EQ(n.product, "CDV-4800 Virtual");
         EXPECT_EQ(n.revision, "1.04");
       }},
      {"Inquiry of 36 bytes", InquiryCdb({.length = 36}), 255,
       [](const Reply& r) { EXPECT_EQ(r.transferred, 36u); }},
      {"Inquiry, serial number page", InquiryCdb({.evpd = true, .page = 0x80}), 255,
       [](const Reply& r) { EXPECT_EQ(r.data[1], 0x80); }},
      {"Read Capacity", ReadCapacityCdb(), 8,
       [&h](const Reply& r) {
         const auto capacity = ParseCapacity(r.data, r.transferred);
         ASSERT_TRUE(capacity);
         EXPECT_EQ(capacity->block_length, 2048u);
         // The last block is the one before the TOC's lead-out.
         const Reply toc = h.In(ReadTocCdb({.length = kTrackTocBytes}), kTrackTocBytes);
         const auto tracks = ParseTrackToc(toc.data, toc.transferred);
         ASSERT_TRUE(tracks && !tracks->tracks.empty());
         EXPECT_EQ(tracks->tracks.back().number, kLeadOutTrack);
         EXPECT_EQ(capacity->last_lba + 1, tracks->tracks.back().start);
       }},
      {"Read TOC", ReadTocCdb({.length = kTrackTocBytes}), kTrackTocBytes,
       [](const Reply& r) {
         const auto toc = ParseTrackToc(r.data, r.transferred);
         ASSERT_TRUE(toc);
         EXPECT_EQ(toc->first_track, 1);
         ASSERT_EQ(toc->tracks.size(), std::size_t{toc->last_track} + 1);  // and the lead-out
         EXPECT_EQ(toc->tracks.front(), (TocTrack{1, 0x04, 0}));           // a data track
       }},
      {"Read TOC, header only", ReadTocCdb({.length = 4}), 255,
       [](const Reply& r) {
         EXPECT_EQ(r.transferred, 4u);
         const auto toc = ParseTrackToc(r.data, r.transferred);
         ASSERT_TRUE(toc);
         EXPECT_TRUE(toc->tracks.empty());  // the length field promises more than came
       }},
      {"Read TOC, sessions", ReadTocCdb({.format = kTocFormatSessions, .length = 12}), 12,
       [](const Reply& r) { EXPECT_EQ(r.data[3], 1); }},  // the last session
      {"Mode Sense(10)", ModeSense10Cdb({.page = kCapabilitiesPage}), 255,
       [](const Reply& r) { EXPECT_EQ(r.data[8] & 0x3F, kCapabilitiesPage); }},
      {"Get Configuration", GetConfigurationCdb({.length = 8}), 255,
       [](const Reply& r) { EXPECT_EQ(r.transferred, 8u); }},
      {"Get Event/Status Notification", GetEventStatusCdb({.classes = 0x10, .length = 8}), 255,
       [](const Reply& r) { EXPECT_EQ(r.data[2] & 0x07, 4); }},  // the media class
      {"Read Sub-Channel", ReadSubChannelCdb({.format = 1, .length = 16}), 255,
       [](const Reply& r) { EXPECT_EQ(r.data[4], 1); }},
      {"Mechanism Status", MechanismStatusCdb(8), 255,
       [](const Reply& r) { EXPECT_EQ(r.transferred, 8u); }},
      {"Set CD Speed", SetCdSpeedCdb(kMaximumSpeed, kMaximumSpeed), 0, nullptr},
      {"Start Stop Unit", StartStopUnitCdb({.start = true}), 0, nullptr},
      {"Read CD", ReadCdCdb(16, 2), 2 * 2352,
       [](const Reply& r) { EXPECT_EQ(r.transferred, 2u * 2048); }},
      {"Read CD MSF",
       [] {
         Cdb cdb = ReadCdMsfAt(150 + 16, 150 + 17);
         cdb[9] = 0x10;  // user data
         return cdb;
       }(),
       2352, [](const Reply& r) { EXPECT_EQ(r.transferred, 2048u); }},
  };
  for (const RoundTrip& c : kCases) {
    SCOPED_TRACE(c.name);
    const Reply r = h.In(c.cdb, c.room);
    ASSERT_TRUE(r.good()) << r.status_line;
    // The host asks for no more than the allocation length the CDB carries.
    if (const auto length = DataInLength(c.cdb); length && c.room != 0) {
      EXPECT_LE(r.transferred, *length);
    }
    if (c.check) c.check(r);
  }
}

TEST(CommandRoundTripTest, DiscExtentIsTheCapacityAndTheTracksStarts) {
  DriveHarness h;
  const DiscExtent whole = ReadDiscExtent(h.session);
  ASSERT_TRUE(whole.last_lba && whole.first_start);
  const Reply capacity = h.In(ReadCapacityCdb(), 8);
  EXPECT_EQ(whole.last_lba, ParseCapacity(capacity.data, capacity.transferred)->last_lba);
  EXPECT_EQ(*whole.first_start, 0u);
  EXPECT_EQ(whole.track_starts, ReadTrackStarts(h.session));

  const DiscExtent last_only = ReadDiscExtent(h.session, {.toc = false});
  EXPECT_EQ(last_only.last_lba, whole.last_lba);
  EXPECT_EQ(last_only.toc.status, CommandStatus::kNoDevice);  // not sent
  EXPECT_FALSE(last_only.first_start);

  // A good reply too short for the last block gives none.
  DiscExtent shortened;
  shortened.capacity.status = CommandStatus::kGood;
  const std::uint8_t three[] = {0, 0, 1};
  ParseDiscExtent(three, 3, {}, 0, &shortened);
  EXPECT_FALSE(shortened.last_lba);
}

// The virtual drive's dispatch takes its length fields from the opcode table; what it reads
// them as (an allocation or a parameter list length) must agree with the table's direction.
TEST(OpcodeTableTest, TheVirtualDrivesLengthFlagsAgreeWithTheDirection) {
  for (const emu::CommandRow& row : emu::CommandTable()) {
    SCOPED_TRACE(row.name);
    const OpcodeInfo* facts = FindOpcode(row.opcode);
    ASSERT_NE(facts, nullptr);
    EXPECT_EQ((row.flags & emu::kAllocationLength) != 0,
              facts->direction == DataDirection::kIn && facts->length_size != 0);
    EXPECT_EQ((row.flags & emu::kParameterLength) != 0,
              facts->direction == DataDirection::kOut && facts->length_size != 0);
  }
  EXPECT_EQ(DirectionOfCommand(kModeSelect10, 12), DataDirection::kOut);
  EXPECT_EQ(DirectionOfCommand(kInquiry, 0), DataDirection::kNone);
}

}  // namespace
}  // namespace tamarack::mmc
