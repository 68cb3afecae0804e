// Block size discovery against the virtual drive on every path a reply can take
// (resid=exact|none|zero|pad): each read's size is found, and found the way the path allows.
#include <gtest/gtest.h>

#include <string>

#include "device/block_size.h"
#include "emu/drive_harness.h"
#include "util/bytes.h"

namespace tamarack::emu::testing {
namespace {

// The console's bytes per block: every job's first read asks for this much.
constexpr std::uint32_t kRequestPerBlock = 2656;
constexpr std::uint32_t kBlocks = 16;

std::int32_t TrackStart(const Disc& disc, int track) {
  return disc.Layout().tracks.at(static_cast<std::size_t>(track - 1)).start;
}

struct Read {
  std::string what;
  std::string disc;
  Cdb cdb;
  std::int32_t lba;
  std::uint32_t bytes;       // the true bytes per block
  std::uint8_t sector_type;  // what the probe finds
};

std::vector<Read> Reads() {
  const auto t30 = MakeType30Disc();
  const std::int32_t form1 = TrackStart(*t30, 2);
  const std::int32_t form2 = TrackStart(*t30, 12);
  const std::int32_t audio = TrackStart(*t30, 4);
  const std::int32_t mode1 = TrackStart(*t30, 1) + 100;
  return {
      {"type13 Read(10)", "type13", Read10Command(1000, kBlocks), 1000, 2048, kSectorTypeMode1},
      {"type13 Read CD", "type13", ReadCdCommand(1000, kBlocks, 0x10), 1000, 2048,
       kSectorTypeMode1},
      {"type30 form 1 Read(10)", "type30", Read10Command(form1, kBlocks), form1, 2048,
       kSectorTypeMode2Form1},
      {"type30 form 2 Read CD", "type30", ReadCdCommand(form2, kBlocks, 0x10), form2, 2328,
       kSectorTypeMode2Form2},
      {"type30 form 2 raw", "type30", ReadCdCommand(form2, kBlocks, 0xF8), form2, 2352,
       kSectorTypeMode2Form2},
      {"type30 audio Read CD", "type30", ReadCdCommand(audio, kBlocks, 0x10), audio, 2352,
       kSectorTypeCdda},
      {"type30 Mode 1 raw with Q", "type30", ReadCdCommand(mode1, kBlocks, 0xF8, 0x02), mode1, 2368,
       kSectorTypeMode1},
      {"audio Read CD", "audio", ReadCdCommand(200, kBlocks, 0x10), 200, 2352, kSectorTypeCdda},
  };
}

struct Discovered {
  BlockSizeFinding finding;
  std::string status_line;
  std::string last_error;
};

// Sends the read as a job's first command does and finds its block size.
Discovered Discover(const std::string& id, const Read& read, std::uint8_t fill = kReplyFill) {
  DriveHarness h(id);
  EXPECT_TRUE(h.opened) << id;
  std::vector<std::uint8_t> buffer(kBlocks * kRequestPerBlock, fill);
  const CommandOutcome out = h.session.Run(read.cdb, buffer, false, false);
  EXPECT_EQ(out.status, CommandStatus::kGood) << h.session.status_line.Get();
  const ReadEvidence e{
      read.cdb, buffer, kBlocks, out.result.transferred, static_cast<std::uint32_t>(buffer.size()),
      read.lba};
  Discovered d;
  d.finding = FindBlockSize(h.session, e);
  d.status_line = h.session.status_line.Get();
  d.last_error = h.session.last_error_text.Get();
  return d;
}

TEST(BlockSizeDiscovery, EveryPathEveryDiscEveryRead) {
  for (const Read& read : Reads()) {
    for (const char* mode : {"exact", "none", "zero", "pad"}) {
      SCOPED_TRACE(read.what + ", resid=" + mode);
      const Discovered d = Discover("emu:" + read.disc + "?speed=max&resid=" + mode, read);
      EXPECT_EQ(d.finding.bytes, read.bytes);
      const std::string m = mode;
      if (m == "exact" || m == "none") {
        // The drive's bytes end where the fill begins.
        EXPECT_EQ(d.finding.way, BlockSizeWay::kFill);
      } else {
        // A zeroed or padded tail and a count of the whole request: only the probe tells.
        EXPECT_EQ(d.finding.way, BlockSizeWay::kSectorType);
        EXPECT_EQ(d.finding.sector_type, read.sector_type);
      }
      // Probes refused on the way leave no trace in the session's texts.
      EXPECT_EQ(d.status_line, "");
      EXPECT_EQ(d.last_error, "");
    }
  }
}

TEST(BlockSizeDiscovery, AnHonestCountBehindAZeroedTail) {
  // A bounced buffer on a path that reports its residual (/dev/sgN on a virtual adapter).
  for (const Read& read : Reads()) {
    SCOPED_TRACE(read.what);
    const Discovered d = Discover("emu:" + read.disc + "?speed=max", read, 0x00);
    EXPECT_EQ(d.finding.bytes, read.bytes);
    EXPECT_EQ(d.finding.way, BlockSizeWay::kResidual);
  }
}

TEST(BlockSizeDiscovery, AProbeThatFindsNothingSaysWhy) {
  DriveHarness h("emu:type13?speed=max&resid=zero&bad=5000");
  std::vector<std::uint8_t> buffer(kRequestPerBlock, 0);
  const ReadEvidence e{
      ReadCdCommand(5000, 1, 0x10), buffer, 1, kRequestPerBlock, kRequestPerBlock, 5000};
  const BlockSizeFinding f = FindBlockSize(h.session, e);
  EXPECT_EQ(f.way, BlockSizeWay::kNotFound);
  EXPECT_EQ(f.bytes, 0u);
  EXPECT_EQ(f.Text(), "block size not found");
  EXPECT_EQ(h.session.status_line.Get(), "Error Notified( UNRECOVERED READ ERROR).");

  // A path that refuses Read CD is not asked five times over.
  DriveHarness refusing("emu:type13?speed=max&resid=zero&refuse=be");
  EXPECT_EQ(ProbeBlockSize(refusing.session, Read10Command(0, 1), 0).way, BlockSizeWay::kNotFound);
  EXPECT_EQ(refusing.session.status_line.Get(),
            "Error Notified(Transport failure: host adapter error (DID_ERROR))");
}

TEST(BlockSizeDiscovery, AReadCdNamingItsTypeIsProbedWithThatTypeAlone) {
  DriveHarness h("emu:type30?speed=max&resid=pad");
  const auto t30 = MakeType30Disc();
  Cdb form2 = ReadCdCommand(TrackStart(*t30, 12), 1, 0x10);
  form2[1] = kSectorTypeMode2Form2 << 2;
  const BlockSizeFinding f = ProbeBlockSize(h.session, form2, TrackStart(*t30, 12));
  EXPECT_EQ(f.bytes, 2328u);
  EXPECT_EQ(f.Text(), "block size 2328 (from the sector type Mode 2 form 2)");
  // Expecting Mode 1 of a form 2 block: the drive refuses, and no other type is tried.
  form2[1] = kSectorTypeMode1 << 2;
  EXPECT_EQ(ProbeBlockSize(h.session, form2, TrackStart(*t30, 12)).way, BlockSizeWay::kNotFound);
}

}  // namespace
}  // namespace tamarack::emu::testing
