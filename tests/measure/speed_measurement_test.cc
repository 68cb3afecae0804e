// The speed measurement run on a simulated clock: against a scripted drive that reads at a
// fixed pace (the run's edge cases), and against the virtual drive's CLV and CAV models.
#include "measure/speed_measurement_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/scripted_transport.h"
#include "emu/built_in_discs.h"
#include "emu/speed_model.h"
#include "golden.h"
#include "job/job_bench.h"
#include "measure/speed_walk.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::ScriptedReply;

MeasureSettings Blocks(std::int32_t count, bool hex = false) {
  MeasureSettings s;
  s.block_count = count;
  s.hex = hex;
  return s;
}

// Cancels the run once the progress passes a block.
class Host : public testing::ScriptedJobHost {
 public:
  void Progress(const JobProgress& p) override {
    ScriptedJobHost::Progress(p);
    if (cancel_at && p.done >= *cancel_at && state) state->Set(RunState::kCancelRequested);
  }
  std::optional<std::uint64_t> cancel_at;
  RunStateWord* state = nullptr;
};

// A drive that reads `rate` blocks a second on the simulated clock: a disc of blocks 0 to
// `last`, 2048 bytes each, unreadable at the `bad` blocks.
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
      case 0x43:
        WriteBe32(reply, 8, static_cast<std::uint32_t>(first));
        return Good(reply);
      case 0x12:
        std::copy_n("KESTREL PACED   ", 16, reply.begin() + 8);
        return Good(reply);
      case 0xBE:
        break;
      default:
        return CheckCondition(5, 0x20, 0);
    }
    const auto lba = static_cast<std::int32_t>(ReadBe32(r.cdb, 2));
    const auto count = static_cast<std::int32_t>(ReadBe24(r.cdb, 6));
    for (std::int32_t b = lba; b < lba + count; ++b) {
      if (bad.count(b)) return CheckCondition(3, 0x11, 0);
    }
    reads.push_back({lba, count, r.buffer.size()});
    clock.Advance(
        std::chrono::microseconds(static_cast<std::int64_t>(std::llround(count * 1e6 / rate))));
    const std::size_t bytes = static_cast<std::size_t>(count) * 2048;
    // The data only where the block size is looked for; otherwise the count alone.
    ScriptedReply good = Good(std::vector<std::uint8_t>(r.buffer.size() > bytes ? bytes : 0, 0x11));
    if (!good.data.empty() && tail_5a) std::fill(good.data.end() - 4, good.data.end(), 0x5A);
    good.result.transferred = static_cast<std::uint32_t>(bytes);
    return good;
  }

  // Runs and compares with tests/data/measure/NAME.txt: the result, the status line, the reads
  // sent (LBA, blocks, buffer bytes; repeats counted), then what the host was told.
  MeasureResult ExpectGoldenRun(const std::string& name, MeasureSettings settings) {
    const MeasureResult r = Run(settings);
    std::string t = StrFormat(
        "refused %d cancelled %d read error %d first sent %d lba %d-%d at %d bytes %lld block %d\n",
        r.refused, r.cancelled, r.read_error, r.first_command_sent, r.start_lba, r.last_lba,
        r.current_lba, static_cast<long long>(r.total_bytes), r.record.block_size);
    t += "summary: " + r.summary + (r.verdict ? " / " + r.verdict->Text() : "") + "\nsamples:";
    for (std::int32_t n : r.record.samples) t += " " + std::to_string(n);
    t += "\nstatus line: " + drive.session.status_line.Get() + "\nreads:";
    for (std::size_t i = 0, same = 1; i < reads.size(); i += same) {
      for (same = 1;
           i + same < reads.size() && reads[i + same].count == reads[i].count &&
           reads[i + same].length == reads[i].length &&
           reads[i + same].lba == reads[i].lba + static_cast<std::int32_t>(same) * reads[i].count;
           ++same) {
      }
      t += StrFormat(" %d+%d/%zu", reads[i].lba, reads[i].count, reads[i].length) +
           (same > 1 ? " x" + std::to_string(same) : "");
    }
    testing::ExpectGoldenFile(name, t + "\n" + host.Report(), "measure");
    return r;
  }

  MeasureResult Run(MeasureSettings settings = {}) {
    SpeedMeasurementJob job(settings);
    state.Set(RunState::kRunning);
    host.state = &state;
    JobContext ctx(drive.session, host, clock, state);
    job.Run(ctx);
    return job.result();
  }

  struct Read {
    std::int32_t lba, count;
    std::size_t length;
  };
  testing::ScriptedSession drive;
  SimulatedClock clock;
  RunStateWord state;
  Host host;
  std::int32_t first = 0;
  std::int32_t last = 0;
  double rate = 75;
  bool tail_5a = false;
  std::set<std::int32_t> bad;
  std::vector<Read> reads;
};

// Vendor and product as the drive pads them; no message. The first command takes the whole
// buffer, later ones exactly their blocks; the last 120 blocks (no more than a command's) are
// read one at a time. The speed line, cleared at the start, shows the last second (the read
// error run's varies).
TEST(SpeedMeasurement, ThirtySecondsOf120BlocksEndWithTheSummary) {
  PacedDrive d;
  d.rate = 120;
  d.last = 30 * 120 - 1;
  d.ExpectGoldenRun("thirty_seconds.txt", Blocks(120));
}

// A range smaller than the block count is read block by block in the assumed block size,
// without a summary.
TEST(SpeedMeasurement, ARangeSmallerThanTheBlockCountIsReadBlockByBlockWithoutSummary) {
  PacedDrive d;
  d.first = 100;
  d.last = 104;
  d.ExpectGoldenRun("five_blocks.txt", Blocks(10));
}

// Ten whole seconds of 300 blocks, then the blocks of the cut-short second.
TEST(SpeedMeasurement, AStoppedRunShowsTheAverageOfWhatWasReadInHex) {
  PacedDrive d;
  d.rate = 300;
  d.last = 300 * 100 - 1;
  d.host.cancel_at = 3030;  // a tenth of a second after the tenth mark
  d.ExpectGoldenRun("stopped_in_hex.txt", Blocks(30, true));
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

TEST(SpeedMeasurement, AFailingReadStopsTheRunWithItsLbaAndTheAverage) {
  PacedDrive d;
  d.rate = 150;
  d.last = 9999;
  d.bad = {1234};
  d.ExpectGoldenRun("read_error.txt", Blocks(10));
}

// At 75 blocks a second in commands of 10 the second marks fall inside commands: each is
// shared by its duration, 75 a second.
TEST(SpeedMeasurement, DataEndingIn5AhStillGiveTheWholeBlockSize) {
  PacedDrive d;
  d.last = 999;
  d.tail_5a = true;
  d.ExpectGoldenRun("tail_5a.txt", Blocks(10));
}

TEST(SpeedMeasurement, BlockCountsOutOfRangeAreRefusedBeforeAnyCommand) {
  for (std::int32_t count : {0, -5, kMaxMeasureBlockCount + 1}) {
    PacedDrive d;
    d.last = 1000;
    const MeasureResult r = d.Run(Blocks(count));
    EXPECT_TRUE(r.refused);
    EXPECT_TRUE(d.drive.transport->sent.empty());
    ASSERT_EQ(d.host.messages.size(), 1u);
    EXPECT_EQ(d.host.messages[0].first, MessageIcon::kError);
  }
}

// --- The virtual drive's speed models -------------------------------------------------------

struct VirtualRun {
  MeasureResult result;
  std::vector<std::string> texts;
};

VirtualRun MeasureVirtual(const std::string& id, std::int32_t block_count,
                          std::optional<std::int32_t> last = std::nullopt) {
  testing::JobBench<> bench(id);
  MeasureSettings settings = Blocks(block_count);
  settings.last_override = last;
  SpeedMeasurementJob job(settings);
  bench.Run(job);
  return {job.result(), bench.TextsAt(JobText::kResultLine)};
}

// Every 5 MB point of the curve against the model's speed at the middle of its stretch.
void ExpectCurveFollows(const MeasureResult& r, const emu::SpeedModel& model) {
  SpeedWalk walk(r.record.block_size);
  std::int64_t previous = 0;
  int points = 0;
  for (std::size_t i = 0; i + 1 < r.record.samples.size(); ++i) {
    const auto p = walk.Add(r.record.samples[i]);
    if (!p) continue;
    const double measured = static_cast<double>(p->since_blocks) /
                            static_cast<double>(p->since_seconds * kBlocksPerSecondAtX1);
    const auto middle = static_cast<std::int32_t>((previous + p->blocks) / 2);
    const double expected = model.SpeedAt(r.start_lba + middle);
    EXPECT_NEAR(measured / expected, 1.0, 0.005) << "at " << p->x_mb() << " MB";
    previous = p->blocks;
    ++points;
  }
  EXPECT_GE(points, 7);  // 40 MB and more
}

const emu::SpeedModel kClv24({emu::SpeedMode::kClv, 24});
const emu::SpeedModel kCav48({emu::SpeedMode::kCav, 48});

// The CLV curve on every path is the next test's; the rotation verdicts are Rotation's.
TEST(SpeedMeasurementVirtual, CavRisesFromX20ToX48OverTheWholeDisc) {
  const VirtualRun cav = MeasureVirtual("emu:type13?speed=cav48", 26);
  EXPECT_EQ(cav.result.current_lba, emu::kType13Blocks);
  ExpectCurveFollows(cav.result, kCav48);
  EXPECT_EQ(cav.texts, std::vector<std::string>{"Rotation: CAV x20.7 - x47.8"});
}

TEST(SpeedMeasurementVirtual, ARangeReadWithinASecondIsOnePartialSecond) {
  // 600 blocks at x24 (1800 blocks a second) take a third of a second.
  const VirtualRun run = MeasureVirtual("emu:type13?speed=clv24", 10, 599);
  EXPECT_EQ(run.result.current_lba, 600);
  EXPECT_EQ(run.result.record.samples, std::vector<std::int32_t>{600});
  EXPECT_EQ(run.result.summary, "x8.0 speed(1228800 Bytes/1 Sec)");
}

TEST(SpeedMeasurementVirtual, TheCurveIsTheSameWhateverThePathReportsOfTheReply) {
  for (const char* resid : {"exact", "none", "zero", "pad"}) {
    SCOPED_TRACE(resid);
    for (const auto& [speed, model] : {std::pair{"clv24", kClv24}, std::pair{"cav48", kCav48}}) {
      const VirtualRun run =
          MeasureVirtual(StrFormat("emu:type13?speed=%s&resid=%s", speed, resid), 26, 19999);
      EXPECT_EQ(run.result.record.block_size, 2048);
      EXPECT_EQ(run.result.current_lba, 20000);
      EXPECT_FALSE(run.result.read_error);
      ExpectCurveFollows(run.result, model);
    }
  }
}

}  // namespace
}  // namespace tamarack
