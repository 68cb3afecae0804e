// The virtual drive on every path a data-in reply can take (resid=exact|none|zero|pad), and the
// one block reader and block size discovery on each.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/block_read.h"
#include "device/block_size.h"
#include "emu/drive_harness.h"
#include "emu/resid_modes.h"
#include "golden.h"
#include "temp_dir.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

// Reading blocks through the one reader on every path a reply can take: data that end in 5Ah
// bytes come whole (after a second read over A5h), a short transfer is short wherever the path
// leaves a trace of it, and the received count is exact.

constexpr std::uint32_t kBlock = 2048;
constexpr std::uint32_t kTailFill = 300;  // bytes of 5Ah at the end of every block of the image

// An ISO image of 32 blocks whose user data end in 5Ah bytes, as a disc's data may.
class FillTailImage {
 public:
  FillTailImage() {
    std::vector<std::uint8_t> bytes(32 * kBlock);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = i % kBlock >= kBlock - kTailFill ? kReplyFill : static_cast<std::uint8_t>(i / 7);
    }
    dir_.Write("tail.iso", bytes);
  }
  std::string Id(const std::string& options) const {
    return "emu:" + dir_.File("tail.iso") + "?" + options;
  }

 private:
  tamarack::testing::TempDir dir_;
};

// Each read on each path, in block_reads.txt: 2 blocks of the image whose data end in 5Ah come
// whole, the fill alone saying short so the same blocks are read again over A5h (the last byte
// the drive's own 5Ah); a transfer stopping half-way into block 4 is short where the path leaves
// a trace of it (the residual, two fills), not where the unsent half is zeros reported as sent;
// room for the largest block gives the exact count, or the whole buffer on a zeroing or padding
// path; a failed read ends with its check condition and no second read.
TEST(BlockRead, EveryPath) {
  const FillTailImage image;
  const struct {
    const char* name;
    std::string id;
    Cdb cdb;
    std::size_t buffer;
    std::uint32_t expected;
  } reads[] = {
      {"2 blocks", image.Id("speed=max"), ReadCdCdb(3, 2), 2 * kBlock, 2 * kBlock},
      {"2 blocks, short=4", image.Id("speed=max&short=4"), ReadCdCdb(3, 2), 2 * kBlock, 2 * kBlock},
      {"4 blocks into room for the largest", image.Id("speed=max"), ReadCdCdb(0, 4), 4 * kBlockRoom,
       0},
      {"type13 bad=10", "emu:type13?speed=max&bad=10", ReadCdCdb(8, 4), 4 * kBlock, 4 * kBlock}};
  const char* const ways[] = {"whole", "residual", "fill", "two fills"};
  std::string t;
  for (const auto& r : reads) {
    for (const std::string& mode : tamarack::testing::ResidModes()) {
      DriveHarness h(tamarack::testing::WithResid(r.id, mode));
      std::vector<std::uint8_t> buffer(r.buffer);
      const BlockReply b = ReadBlocks(h.session, r.cdb, buffer, r.expected);
      t += StrFormat(
          "%s resid=%s: %s, received %u by %s%s%s, last byte %02x\n", r.name, mode.c_str(),
          b.good()                                             ? "good"
          : b.outcome.status == CommandStatus::kCheckCondition ? "check condition"
                                                               : "other failure",
          b.received, ways[static_cast<int>(b.way)], b.second_read ? ", second read" : "",
          b.short_reply ? ", short" : "", buffer[b.received ? b.received - 1 : 0]);
    }
  }
  tamarack::testing::ExpectGoldenFile("block_reads.txt", t, "emu");
}

TEST(ReceivedCount, FromTheResidualTheFillOrTwoFills) {
  std::vector<std::uint8_t> b(100, kReplyFill);
  for (int i = 0; i < 60; ++i) b[static_cast<std::size_t>(i)] = 1;
  ReceivedWay way{};
  bool fill_short = false;
  EXPECT_EQ(ReceivedFromFirstRead(b, 80, &way, &fill_short), 80u);  // a residual is believed
  EXPECT_EQ(way, ReceivedWay::kResidual);
  EXPECT_FALSE(fill_short);
  EXPECT_EQ(ReceivedFromFirstRead(b, 100, &way, &fill_short), 60u);
  EXPECT_EQ(way, ReceivedWay::kFill);
  EXPECT_TRUE(fill_short);
  // The second read: 70 bytes sent whose last ten were 5Ah; over A5h they show.
  std::vector<std::uint8_t> second(100, kSecondFill);
  for (int i = 0; i < 70; ++i) second[static_cast<std::size_t>(i)] = i < 60 ? 1 : kReplyFill;
  EXPECT_EQ(ReceivedFromTwoFills(60, second), 70u);
  // Sent bytes ending in A5h: the first read already saw them.
  EXPECT_EQ(ReceivedFromTwoFills(70, std::vector<std::uint8_t>(100, kSecondFill)), 70u);
  EXPECT_EQ(ReceivedFromTwoFills(0, std::vector<std::uint8_t>(100, kSecondFill)), 0u);
}

// Block size discovery against the virtual drive on every path a reply can take
// (resid=exact|none|zero|pad): each read's size is found, and found the way the path allows.

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
