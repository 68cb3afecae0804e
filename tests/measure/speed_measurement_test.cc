// The speed measurement run on a simulated clock: against a scripted drive that reads at a
// fixed pace (the run's edge cases), and against the virtual drive's CLV and CAV models.
#include "measure/speed_measurement_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/scripted_transport.h"
#include "golden.h"
#include "job/scripted_job_host.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::ScriptedReply;

MeasureSettings Blocks(std::int32_t count, bool hex = false,
                       std::optional<std::int64_t> first = {}) {
  MeasureSettings s;
  s.block_count = count;
  s.hex = hex;
  s.first_override = first;
  return s;
}

// A drive that reads `rate` blocks a second on the simulated clock: a disc of blocks 0 to
// `last`, 2048 bytes each (its read errors are the CLI's fault matrix); Cancel is asked once
// the reads pass `cancel_at`.
struct PacedDrive {
  PacedDrive() {
    drive.transport->responder = [this](const ScsiRequest& r) { return Answer(r); };
  }

  ScriptedReply Answer(const ScsiRequest& r) {
    std::vector<std::uint8_t> reply(260);
    switch (r.cdb[0]) {
      case 0x25:
        WriteBe32(reply, 0, static_cast<std::uint32_t>(last));
        WriteBe32(reply, 4, 2048);
        return Good(reply);
      case 0x43:  // one track from LBA 0
        return Good(reply);
      case 0x12:
        std::copy_n("KESTREL PACED   ", 16, reply.begin() + 8);
        return Good(reply);
      case 0xBE:
        break;
      default:
        return CheckCondition(5, 0x20, 0);
    }
    const std::int64_t lba = ReadBe32(r.cdb, 2);
    const auto count = static_cast<std::int32_t>(ReadBe24(r.cdb, 6));
    if (!reads.empty() && reads.back().lba == lba && reads.back().count == count &&
        reads.back().length == r.buffer.size()) {
      ++reads.back().times;
    } else {
      reads.push_back({lba, count, r.buffer.size()});
    }
    clock.Advance(
        std::chrono::microseconds(static_cast<std::int64_t>(std::llround(count * 1e6 / rate))));
    if (cancel_at && lba + count >= *cancel_at) state.Set(RunState::kCancelRequested);
    const std::size_t bytes = static_cast<std::size_t>(count) * 2048;
    ScriptedReply good = Good(std::vector<std::uint8_t>(bytes, 0x11));
    if (tail_5a) std::fill(good.data.end() - 4, good.data.end(), 0x5A);
    return good;
  }

  // Runs and compares with tests/data/measure/NAME.txt: the result, its coverage (a stopped run
  // leaves blocks not reached and marks its file), the status line, the reads
  // sent (LBA, blocks, buffer bytes; repeats counted), then what the host was told.
  MeasureResult ExpectGoldenRun(const std::string& name, MeasureSettings settings) {
    const MeasureResult r = Run(settings);
    std::string t = StrFormat(
        "%s, first sent %d, lba %lld-%lld at %lld, bytes %lld, block %d, second reads %llu\n",
        r.verdict.cancelled() ? "cancelled"
        : r.verdict.good()    ? "good"
                              : "not good",
        r.first_command_sent, static_cast<long long>(r.start_lba),
        static_cast<long long>(r.last_lba), static_cast<long long>(r.current_lba),
        static_cast<long long>(r.total_bytes), r.record.block_size,
        static_cast<unsigned long long>(r.second_reads));
    t += "coverage: " + r.verdict.coverage().Text() +
         (r.record.unfinished.empty() ? "" : ", file marked " + r.record.unfinished) + "\n";
    t += "summary: " + r.summary + (r.rotation ? " / " + r.rotation->Text() : "") + "\nsamples:";
    for (std::int32_t n : r.record.samples) t += " " + std::to_string(n);
    t += "\nstatus line: " + drive.status.status_line.Get() + "\nreads:" + ReadsText();
    testing::ExpectGoldenFile(name, t + "\n" + host.Report(), "measure");
    return r;
  }

  // The reads sent, LBA+blocks/buffer bytes: a read sent again at once as "(N times)", a run of
  // reads that go on from each other as " xN".
  std::string ReadsText() const {
    std::string t;
    for (std::size_t i = 0, same = 1; i < reads.size(); i += same) {
      const Read& a = reads[i];
      for (same = 1; i + same < reads.size(); ++same) {
        const Read& b = reads[i + same];
        if (b.count != a.count || b.length != a.length || b.times != a.times ||
            b.lba != a.lba + static_cast<std::int64_t>(same) * a.count) {
          break;
        }
      }
      t += StrFormat(" %lld+%d/%zu", static_cast<long long>(a.lba), a.count, a.length) +
           (a.times > 1 ? StrFormat(" (%zu times)", a.times) : "") +
           (same > 1 ? " x" + std::to_string(same) : "");
    }
    return t;
  }

  MeasureResult Run(MeasureSettings settings = {}) {
    SpeedMeasurementJob job(settings);
    state.Set(RunState::kRunning);
    host.status_board = &drive.status;
    JobContext ctx(drive.session, host, clock, state);
    job.Run(ctx);
    return job.result();
  }

  struct Read {
    std::int64_t lba;
    std::int32_t count;
    std::size_t length;
    std::size_t times = 1;  // sent again at once
  };
  testing::ScriptedSession drive;
  SimulatedClock clock;
  RunStateWord state;
  testing::ScriptedJobHost host;
  std::optional<std::int64_t> cancel_at;
  std::int64_t last = 0;
  double rate = 75;
  bool tail_5a = false;
  std::vector<Read> reads;
};

// Each run against its golden file in tests/data/measure.
TEST(SpeedMeasurement, EachRunIsItsGoldenFile) {
  const struct {
    const char* golden;
    double rate;
    std::int64_t last;
    MeasureSettings settings;
    std::optional<std::int64_t> cancel_at = {};
    bool tail_5a = false;
  } runs[] = {
      // Vendor and product as the drive pads them; no message. The first command takes room for
      // the largest blocks, later ones exactly their blocks; the last 120 blocks (no more than a
      // command's) are read one at a time. The speed line, cleared at the start, shows the last
      // second.
      {"thirty_seconds.txt", 120, 30 * 120 - 1, Blocks(120)},
      // Ten whole seconds of 300 blocks, then the blocks of the cut-short second, in hex; the
      // stop comes a tenth of a second after the tenth mark.
      {"stopped_in_hex.txt", 300, 300 * 100 - 1, Blocks(30, true), 3030},
      // Every block's data end in 5Ah: every command, the first one's with its residual too, is
      // read again over the A5h fill to tell the data from an unsent tail. The
      // second reads are counted, and their time is the drive's: each command takes twice as
      // long, and the second marks, falling inside commands, share them by duration.
      {"tail_5a.txt", 75, 999, Blocks(10), {}, true},
      // A drive whose capacity reaches the top of the 32-bit address: the run counts past
      // 7FFFFFFFh, reads the last block at FFFFFFFFh and ends at 2^32 with four seconds of 75
      // blocks.
      {"top_of_32_bits.txt", 75, 0xFFFFFFFF, Blocks(75, false, 0xFFFFFFFF - 299)},
      // Where the run turns to one block per command: only once no more than a command's blocks
      // remain, so one block past a command's is read as a whole command and then that one
      // block; a command's blocks and one, just a command's, two commands' and one.
      {"last_blocks_11.txt", 5, 10, Blocks(10)},
      {"last_blocks_10.txt", 5, 9, Blocks(10)},
      {"last_blocks_21.txt", 5, 20, Blocks(10)},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.golden);
    PacedDrive d;
    d.rate = run.rate;
    d.last = run.last;
    d.cancel_at = run.cancel_at;
    d.tail_5a = run.tail_5a;
    d.ExpectGoldenRun(run.golden, run.settings);
  }
}

TEST(SpeedMeasurement, SamplesStopAt6000Seconds) {
  PacedDrive d;
  d.last = 75 * 6100 - 1;
  const MeasureResult r = d.Run(Blocks(75));
  EXPECT_EQ(r.current_lba, d.last + 1);  // the run goes on to the end
  ASSERT_EQ(r.record.samples.size(), kMaxSpeedSamples);
  EXPECT_EQ(r.record.samples.back(), 75);  // no closing sample once full
  EXPECT_EQ(r.summary, "x1.0 speed(936960000 Bytes/6000 Sec)");
}

}  // namespace
}  // namespace tamarack
