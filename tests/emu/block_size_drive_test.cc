// Block size discovery against the virtual drive on every path a reply can take
// (resid=exact|none|zero|pad): each read's size is found, and found the way the path allows.
#include <gtest/gtest.h>

#include <string>

#include "device/block_size.h"
#include "emu/drive_harness.h"
#include "emu/resid_modes.h"
#include "golden.h"
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
};

// Every read of a job: the true sizes are 2048 (Mode 1, form 1), 2328 (form 2 user data),
// 2352 (raw, audio) and 2368 (raw with formatted Q).
std::vector<Read> Reads() {
  const auto t30 = MakeType30Disc();
  const std::int32_t form1 = TrackStart(*t30, 2);
  const std::int32_t form2 = TrackStart(*t30, 12);
  const std::int32_t audio = TrackStart(*t30, 4);
  const std::int32_t mode1 = TrackStart(*t30, 1) + 100;
  return {
      {"type13 Read(10)", "type13", Read10Command(1000, kBlocks), 1000},
      {"type13 Read CD", "type13", ReadCdCommand(1000, kBlocks, 0x10), 1000},
      {"type30 form 1 Read(10)", "type30", Read10Command(form1, kBlocks), form1},
      {"type30 form 2 Read CD", "type30", ReadCdCommand(form2, kBlocks, 0x10), form2},
      {"type30 form 2 raw", "type30", ReadCdCommand(form2, kBlocks, 0xF8), form2},
      {"type30 audio Read CD", "type30", ReadCdCommand(audio, kBlocks, 0x10), audio},
      {"type30 Mode 1 raw with Q", "type30", ReadCdCommand(mode1, kBlocks, 0xF8, 0x02), mode1},
      {"audio Read CD", "audio", ReadCdCommand(200, kBlocks, 0x10), 200},
  };
}

// Sends the read as a job's first command does, into room for the largest block, and finds
// its block size: the finding, whether a second read was needed, and the session's texts when
// the probes left any.
std::string Discover(const std::string& id, const Read& read) {
  DriveHarness h(id);
  EXPECT_TRUE(h.opened) << id;
  std::vector<std::uint8_t> buffer(kBlocks * kRequestPerBlock);
  const ReadEvidence e{read.cdb, kBlocks, static_cast<std::uint32_t>(buffer.size()), read.lba,
                       ReadBlocks(h.session, read.cdb, buffer, 0)};
  EXPECT_TRUE(e.reply.good()) << h.session.status_line.Get();
  std::string text = FindBlockSize(h.session, e).Text();
  if (e.reply.second_read) text += " after a second read";
  if (!h.session.status_line.Get().empty() || !h.session.last_error_text.Get().empty()) {
    text += " status \"" + h.session.status_line.Get() + "\" last error \"" +
            h.session.last_error_text.Get() + "\"";
  }
  return text;
}

// Each read's size found on every path, in block_sizes_found.txt: where the drive's bytes end
// (the residual on exact; the fill on none, settled by a second read where the data end in
// 5Ah), else by probing its sector type (a zeroed or padded tail and a count of the whole
// request). Probes refused on the way leave no trace in the session's texts.
TEST(BlockSizeDiscovery, EveryPathEveryDiscEveryRead) {
  std::string t;
  for (const Read& read : Reads()) {
    for (const std::string& mode : tamarack::testing::ResidModes()) {
      t += read.what + " resid=" + mode + ": " +
           Discover("emu:" + read.disc + "?speed=max&resid=" + mode, read) + "\n";
    }
  }
  tamarack::testing::ExpectGoldenFile("block_sizes_found.txt", t, "emu");
}

TEST(BlockSizeDiscovery, AProbeThatFindsNothingSaysWhy) {
  DriveHarness h("emu:type13?speed=max&resid=zero&bad=5000");
  // A good reply of the whole request (a zeroed tail): only the probe can tell.
  BlockReply whole;
  whole.outcome.status = CommandStatus::kGood;
  whole.received = kRequestPerBlock;
  const ReadEvidence e{ReadCdCommand(5000, 1, 0x10), 1, kRequestPerBlock, 5000, whole};
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
