// The virtual drive on every path a data-in reply can take (resid=exact|none|zero|pad, and under),
// and the one block reader and block size discovery on each.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "device/command_monitor.h"
#include "device/read_buffer.h"
#include "emu/drive_harness.h"
#include "emu/resid_modes.h"
#include "golden.h"
#include "mmc/block_read.h"
#include "mmc/block_size.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

constexpr std::uint32_t kBlock = 2048;
constexpr std::uint32_t kTailFill = 300;  // bytes of 5Ah at the end of every block of the image
constexpr const char* kWays[] = {"whole", "residual", "fill", "two fills"};  // of ReceivedWay

// Each read on each path, each case of block_reads.txt (the drive, "$IMAGE" standing for an
// image whose data end in 5Ah, the buffer's size, the count expected, the CDB): 2 blocks of the
// image come whole, the fill alone saying short so the same blocks are read again over A5h (the
// last byte the drive's own 5Ah); a transfer stopping half-way into block 4 is short where the
// path leaves a trace of it (the residual, two fills), not where the unsent half is zeros
// reported as sent; room for the largest block gives the exact count, or the whole buffer on a
// zeroing or padding path; a failed read ends with its check condition and no second read. A
// drive reads every block asked for: a bad one past the buffer fails the command, and blocks
// that do not fit it are an overrun, whatever the path.
TEST(BlockRead, EveryPath) {
  // An ISO image of 32 blocks whose user data end in 5Ah bytes, as a disc's data may.
  tamarack::testing::TempDir dir;
  std::vector<std::uint8_t> bytes(32 * kBlock);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = i % kBlock >= kBlock - kTailFill ? kReplyFill : static_cast<std::uint8_t>(i / 7);
  }
  dir.Write("tail.iso", bytes);
  tamarack::testing::ExpectEachInput("block_reads.txt", "emu", [&](const std::string& line) {
    std::istringstream in(line);
    std::string id, t;
    std::size_t size = 0;
    std::uint32_t expected = 0;
    in >> id >> size >> expected;
    if (id.starts_with("$IMAGE")) id.replace(0, 6, "emu:" + dir.File("tail.iso"));
    const std::size_t colon = line.find(": "), note = line.find(" #");
    const Cdb cdb = CdbOf(line.substr(colon + 2, note - colon - 2));
    for (const std::string& mode : tamarack::testing::ResidModes()) {
      DriveHarness h(tamarack::testing::WithResid(id, mode));
      std::vector<std::uint8_t> buffer(size);
      const BlockReply b = ReadBlocks(h.session, cdb, buffer, expected);
      t += StrFormat("%sresid=%s: %s, received %u by %s%s%s, last byte %02x",
                     t.empty() ? "" : "\n  ", mode.c_str(),
                     b.good()                                             ? "good"
                     : b.outcome.status == CommandStatus::kCheckCondition ? "check condition"
                                                                          : "other failure",
                     b.received, kWays[static_cast<int>(b.way)],
                     b.second_read ? ", second read" : "", b.short_reply ? ", short" : "",
                     buffer[b.received ? b.received - 1 : 0]);
    }
    return t;
  });
}

// One buffer read into again and again, as the jobs do, on every path: whatever the last reply
// left in it (data of other blocks, data ending in 5Ah bytes), each reply is counted as the
// drive sent it, as a freshly filled buffer counts it, in as many commands, and its data are the
// disc's. The reads cut short stop half-way into their second block, short of the buffer by
// more than the guard, after data ending in A5h or 5Ah bytes too; on a zeroing or padding path
// they come whole with a zeroed tail.
TEST(BlockRead, ABufferReadIntoAgainCountsEachReplyAsItCame) {
  tamarack::testing::TempDir dir;
  std::vector<std::uint8_t> image(32 * kBlock);
  for (std::size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<std::uint8_t>(i % kBlock == kBlock - 1 ? 0x11 : i / 7);
  }
  auto set = [&](std::uint32_t block, std::uint32_t from, std::uint32_t to, std::uint8_t v) {
    std::fill(image.begin() + block * kBlock + from, image.begin() + block * kBlock + to, v);
  };
  set(11, kBlock - 300, kBlock, kReplyFill);          // data ending in 5Ah within the guard
  set(21, kBlock - 700, kBlock, kReplyFill);          // and past it
  set(25, kBlock / 2 - 24, kBlock / 2, kSecondFill);  // cut short after A5h bytes
  set(27, kBlock / 2 - 24, kBlock / 2, kReplyFill);   // cut short after 5Ah bytes
  dir.Write("disc.iso", image);
  const std::string id = "emu:" + dir.File("disc.iso") + "?speed=max&short=5,25,27";
  const struct {
    std::uint32_t lba;
    bool cut;  // the drive stops half-way into the second block
  } reads[] = {{0, false}, {4, true},  {2, false}, {10, false}, {20, false},
               {24, true}, {6, false}, {26, true}, {12, false}, {4, true}};
  constexpr std::uint32_t kWant = 2 * kBlock;
  for (const std::string& mode : tamarack::testing::ResidModes()) {
    DriveHarness h(tamarack::testing::WithResid(id, mode));
    CommandMonitor counter(1);  // counts the commands the session sends
    h.drives.Trace().SetSink(&counter);
    const bool keeps_tail = mode == "exact" || mode == "none";
    ReadBuffer buffer(kWant);
    for (const auto& r : reads) {
      SCOPED_TRACE(StrFormat("resid=%s lba %u", mode.c_str(), r.lba));
      const std::uint32_t sent = r.cut ? kBlock + kBlock / 2 : kWant;
      const std::uint64_t before = counter.last_sequence();
      const BlockReply b = ReadBlocks(h.session, ReadCdCdb(r.lba, 2), buffer.span(), kWant);
      ASSERT_TRUE(b.good());
      EXPECT_EQ(counter.last_sequence() - before, b.second_read ? 2u : 1u);
      EXPECT_EQ(b.received, keeps_tail ? sent : kWant);
      EXPECT_EQ(b.short_reply, keeps_tail && r.cut);
      const auto disc = std::span(image).subspan(r.lba * kBlock, sent);
      EXPECT_TRUE(std::equal(disc.begin(), disc.end(), buffer.data()));
      if (!keeps_tail) {
        EXPECT_TRUE(std::all_of(buffer.data() + sent, buffer.data() + kWant,
                                [](std::uint8_t v) { return v == 0; }));
      }
      // A whole reply that does not end in 5Ah takes one command.
      if (!r.cut && image[r.lba * kBlock + kWant - 1] != kReplyFill) {
        EXPECT_FALSE(b.second_read);
      }
      // The count a buffer filled whole before the read finds.
      std::vector<std::uint8_t> fresh(kWant);
      const BlockReply f = ReadBlocks(h.session, ReadCdCdb(r.lba, 2), fresh, 0);
      EXPECT_EQ(b.received, f.received);
      // A residual into a buffer filled whole is checked against the fill as well (a second
      // read where its bytes end in 5Ah); beside the guard a residual is short as it stands.
      if (!(mode == "exact" && r.cut)) {
        EXPECT_EQ(b.way, f.way);
        EXPECT_EQ(b.second_read, f.second_read);
      }
    }
    h.drives.Trace().SetSink(nullptr);
  }
}

// The count of bytes received, each case of received_counts.txt: from a first read ("first",
// the buffer as runs of a byte and the count the path reported), believed as a residual but not
// past the fill (a path that counted 80 bytes and wrote 60); from two reads ("two", the buffer
// after the read over the 5Ah fill, "|", after the read over A5h), a byte sent being the same
// under both fills: data ending in either fill, nothing sent, a second read shorter than the
// first (unless the first read's bytes past it were A5h), other data the second time, each read
// only as far as its path counted, the parting byte found past many equal ones.
TEST(ReceivedCount, FromTheResidualTheFillOrTwoReads) {
  tamarack::testing::ExpectEachInput("received_counts.txt", "emu", [](const std::string& line) {
    std::istringstream in(line);
    std::string kind, word;
    in >> kind;
    std::vector<std::uint8_t> reads[2];
    std::uint32_t count = 0;
    for (std::size_t r = 0; in >> word;) {
      if (word == "|") {
        r = 1;
      } else if (word == "count") {
        in >> count;
      } else {
        const std::size_t star = word.find('*');
        reads[r].insert(reads[r].end(), std::stoul(word.substr(star + 1)),
                        static_cast<std::uint8_t>(std::stoul(word.substr(0, star), nullptr, 16)));
      }
    }
    if (kind == "two") return std::to_string(ReceivedFromTwoReads(reads[0], reads[1]));
    ReceivedWay way{};
    bool fill_short = false;
    const std::uint32_t n = ReceivedFromFirstRead(reads[0], count, &way, &fill_short);
    return StrFormat("%u by %s%s", n, kWays[static_cast<int>(way)], fill_short ? ", short" : "");
  });
}

// The console's bytes per block: every job's first read asks for this much.
constexpr std::uint32_t kRequestPerBlock = 2656;
constexpr std::uint32_t kBlocks = 16;

// Each read's size found on every path, each case of block_sizes_found.txt (the drive, the
// read's LBA, its CDB and what it is; a drive naming its resid= path is read on that one, else
// on every one): where the drive's bytes end (the residual on exact; the fill on none, settled
// by a second read where the data end in 5Ah), else by probing its sector type (a zeroed or
// padded tail and a count of the whole request). Probes refused on the way leave no trace in the
// session's texts. The true sizes are 2048 (Mode 1, form 1), 2328 (form 2 user data), 2352
// (raw, audio) and 2368 (raw with formatted Q). A Read(10) or Read(12) on a path that counts
// nothing of a read into room for the largest blocks (resid=under) tells no size, and a drive
// that does not know Read CD leaves the probe nothing: its size is Read Capacity's block length,
// and the probe's refusal is no error of the job then. The probe still comes first where the
// drive takes Read CD; where Read Capacity fails too, the size is not found and the refusal is
// told.
TEST(BlockSizeDiscovery, EveryPathEveryDiscEveryRead) {
  tamarack::testing::ExpectEachInput("block_sizes_found.txt", "emu", [](const std::string& line) {
    std::istringstream in(line);
    std::string id, t;
    std::int32_t lba = 0;
    in >> id >> lba;
    const std::size_t colon = line.find(": "), note = line.find(" #");
    const Cdb cdb = CdbOf(line.substr(colon + 2, note - colon - 2));
    const bool one_path = id.find("resid=") != id.npos;
    for (const std::string& mode :
         one_path ? std::vector<std::string>{""} : tamarack::testing::ResidModes()) {
      // Sent as a job's first read, into room for the largest block.
      DriveHarness h(one_path ? id : tamarack::testing::WithResid(id, mode));
      std::vector<std::uint8_t> buffer(kBlocks * kRequestPerBlock);
      const ReadEvidence e{cdb, kBlocks, static_cast<std::uint32_t>(buffer.size()), lba,
                           ReadBlocks(h.session, cdb, buffer, 0)};
      EXPECT_TRUE(e.reply.good()) << h.status.status_line.Get();
      if (id.ends_with("resid=under")) {
        EXPECT_EQ(e.reply.received, 0u) << line << ": the path counted nothing";
      }
      t += (t.empty() ? "" : "\n  ") + (one_path ? "" : "resid=" + mode + ": ") +
           FindBlockSize(h.session, e).Text() + (e.reply.second_read ? " after a second read" : "");
      if (!h.status.status_line.Get().empty() || !h.status.last_error_text.Get().empty()) {
        t += " status \"" + h.status.status_line.Get() + "\" last error \"" +
             h.status.last_error_text.Get() + "\"";
      }
    }
    return t;
  });
}

TEST(BlockSizeDiscovery, AProbeThatFindsNothingSaysWhyOrTriesTheNamedTypeAlone) {
  DriveHarness h("emu:type13?speed=max&resid=zero&bad=5000");
  // A good reply of the whole request (a zeroed tail): only the probe can tell.
  BlockReply whole;
  whole.outcome.status = CommandStatus::kGood;
  whole.received = kRequestPerBlock;
  const ReadEvidence e{ReadCdCdb(5000, 1), 1, kRequestPerBlock, 5000, whole};
  const BlockSizeFinding f = FindBlockSize(h.session, e);
  EXPECT_EQ(f.way, BlockSizeWay::kNotFound);
  EXPECT_EQ(f.Text(), "block size not found");
  EXPECT_EQ(h.status.status_line.Get(),
            "Error Notified( UNRECOVERED READ ERROR). Information 5000 (00001388h)");

  // A path that refuses Read CD is not asked five times over.
  DriveHarness refusing("emu:type13?speed=max&resid=zero&refuse=be");
  EXPECT_EQ(ProbeBlockSize(refusing.session, Read10Command(0, 1), 0).way, BlockSizeWay::kNotFound);
  EXPECT_EQ(refusing.status.status_line.Get(),
            "Error Notified(Transport failure: host adapter error (DID_ERROR))");

  // A Read CD naming its sector type is probed with that type alone: expecting Mode 1 of a
  // form 2 block, the drive refuses, and no other type is tried.
  DriveHarness pad("emu:type30?speed=max&resid=pad");
  const std::int32_t form2 = MakeType30Disc()->Layout().tracks[11].start;
  EXPECT_EQ(
      ProbeBlockSize(pad.session, ReadCdCommand(form2, 1, {kSectorTypeMode2Form2}), form2).Text(),
      "block size 2328 (from the sector type Mode 2 form 2)");
  EXPECT_EQ(ProbeBlockSize(pad.session, ReadCdCommand(form2, 1, {kSectorTypeMode1}), form2).way,
            BlockSizeWay::kNotFound);
}

}  // namespace
}  // namespace tamarack::emu::testing
