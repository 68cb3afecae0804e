// The long jobs against a hostile drive: a virtual drive whose every reply passes through the
// fuzzer, which may refuse it, time it out, fail the path, turn it into a check condition, put
// any sense bytes and length or SCSI status on it, deliver fewer bytes than the drive sent,
// report any transferred count, and end the data in 5Ah or A5h bytes or spoil one of them. The
// job runs on the fuzzer's thread on a simulated clock; every question is answered yes or
// continue. After the 96th command every command is refused, so each input ends soon.
//
// Checked after each job (abort on a violation):
//   - every block of a capture's file is one a GOOD Read CD delivered whole (within both the
//     bytes written and the count reported), or one the job recorded as unread;
//   - a job whose commands all failed does not end as a success;
//   - what a job counts (commands, failures, differences) does not exceed the commands sent, and
//     the bytes a measurement counts do not exceed the bytes delivered.
//   - its coverage adds up: read whole + failed + skipped + not reached = asked, not reached
//     only for a job that ended early, failed blocks only with a failed command, and a good
//     verdict only with every block read whole (ExpectCoverage).
//
// Input: the job (1 byte, see JobKind), the disc (1 byte, see DiscId), the range's start and
// length and a setting byte (1 byte each, see their use per job), then one reply plan of
// 6 bytes per command (see ReplyPlan); commands past the plans get the drive's own replies.
// A file a job writes stops growing at 64 MiB.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ageing/ageing_job.h"
#include "device/clock.h"
#include "device/device_session.h"
#include "device/scripted_transport.h"
#include "device/sense.h"
#include "device/sense_table.h"
#include "emu/test_sector.h"
#include "emu/virtual_drive_provider.h"
#include "fuzz/fuzz_input.h"
#include "job/job.h"
#include "measure/speed_measurement_job.h"
#include "mmc/block_read.h"
#include "refdata/reference_job.h"
#include "temp_dir.h"
#include "tools/sub_q_check.h"
#include "tools/track_test.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace {

using namespace tamarack;
using fuzzing::FuzzInput;

constexpr std::uint32_t kCommandCap = 96;
constexpr std::int32_t kSmallDiscBlocks = 64;
constexpr std::uint8_t kReadCd = 0xBE;

// Whether what the job counted in commands (sent, failed, differing) fits the commands sent:
// its verdict's failures, and the counts of those results that keep their own.
template <typename Result>
bool CountsWithin(const Result& r, std::uint64_t sent) {
  const auto fits = [sent](auto n) {
    return std::cmp_greater_equal(n, 0) && std::cmp_less_equal(n, sent);
  };
  bool within = r.verdict.failures() <= sent;
  if constexpr (requires { r.read_errors; })
    within = within && fits(r.read_errors) && fits(r.mismatches);
  if constexpr (requires { r.ng_lines; }) within = within && fits(r.ng_lines);
  if constexpr (requires { r.commands; }) {
    within = within && fits(r.commands) && r.failed_commands <= r.commands &&
             r.counts.data_ok + r.counts.data_ng <= r.commands;
  }
  return within;
}

// How one reply is spoilt, from 6 bytes of the input; all zeroes: the drive's own reply.
//   ladder  bits 0-2: 0-3 the drive's status, 4 refused, 5 timed out, 6 transport error,
//           7 check condition (sense key `a` & 0Fh, ASC `b`); bit 3: SCSI status `b` without
//           sense; bit 4: sense bytes of response code `b` and length `a` % 25
//   cut     0: the bytes the drive sent; else (cut - 1) / 254 of them
//   count   bits 0-1: the reported count is 0 the bytes delivered, 1 the whole request,
//           2 zero, 3 `param` x 256; bits 2-3: the data end in 5Ah (1) or A5h (2) bytes over
//           `param` % 16 + 1 bytes, or (3) byte `param` x delivered / 256 is inverted
struct ReplyPlan {
  std::uint8_t ladder = 0, cut = 0, count = 0, param = 0, a = 0, b = 0;
};

// Past the input's end every byte is 0: the drive's own reply. (A braced list reads its bytes
// in order.)
ReplyPlan NextPlan(FuzzInput& in) {
  return {in.Byte(), in.Byte(), in.Byte(), in.Byte(), in.Byte(), in.Byte()};
}

// What one command was given.
struct Delivery {
  Cdb cdb{};
  bool good = false;                // the session sees GOOD status
  std::uint32_t delivered = 0;      // bytes written into the caller's buffer
  std::uint32_t reported = 0;       // the transferred count
  std::uint32_t whole = 0;          // bytes delivered and counted as transferred
  std::vector<std::uint8_t> bytes;  // the bytes delivered to a Read CD
};

class HostileTransport {
 public:
  HostileTransport(std::unique_ptr<Transport> drive, FuzzInput& plans, Clock& clock)
      : drive_(std::move(drive)), plans_(plans), clock_(clock) {}

  ScsiResult Execute(const ScsiRequest& request) {
    Delivery d;
    d.cdb = request.cdb;
    const bool in = request.direction == DataDirection::kIn;
    const auto size = static_cast<std::uint32_t>(request.buffer.size());
    if (deliveries_.size() >= kCommandCap) {
      deliveries_.push_back(d);
      ScsiResult refused = testing::Refused(TransportStatus::kRefused, "no more commands").result;
      refused.transferred = size;
      return refused;
    }
    const ReplyPlan p = NextPlan(plans_);
    ScsiRequest sub = request;
    if (in) {
      scratch_.assign(request.buffer.begin(), request.buffer.end());
      sub.buffer = scratch_;
    }
    ScsiResult r = drive_->Execute(sub);
    std::uint32_t delivered = in ? std::min(r.transferred, size) : 0;
    if (p.cut != 0) {
      delivered = static_cast<std::uint32_t>(std::uint64_t{delivered} * (p.cut - 1u) / 254);
    }
    Spoil(p, std::span<std::uint8_t>(scratch_).first(delivered));
    if (in) std::copy_n(scratch_.begin(), delivered, request.buffer.begin());
    const std::uint32_t counts[] = {delivered, size, 0, std::uint32_t{p.param} << 8};
    r.transferred = counts[p.count & 3];
    Fail(p, request, &r);
    // Sense bytes count only where the transport counted them, as the session reads them.
    d.good = r.status == TransportStatus::kCompleted && r.scsi_status == 0 &&
             (r.sense_length == 0 || ParseSense(r.sense).format == SenseFormat::kNone);
    d.delivered = delivered;
    d.reported = r.transferred;
    d.whole = std::min(delivered, r.transferred);
    delivered_total_ += d.good ? d.whole : 0;
    if (in && request.cdb[0] == kReadCd) {
      d.bytes.assign(scratch_.begin(), scratch_.begin() + static_cast<std::ptrdiff_t>(delivered));
    }
    deliveries_.push_back(std::move(d));
    return r;
  }

  Transport& drive() { return *drive_; }
  const std::vector<Delivery>& deliveries() const { return deliveries_; }
  std::uint64_t sent() const { return deliveries_.size(); }
  bool all_failed() const {
    return std::none_of(deliveries_.begin(), deliveries_.end(),
                        [](const Delivery& d) { return d.good; });
  }
  // Bytes that GOOD commands delivered and counted.
  std::uint64_t delivered_total() const { return delivered_total_; }

 private:
  static void Spoil(const ReplyPlan& p, std::span<std::uint8_t> data) {
    if (data.empty()) return;
    const auto tail =
        static_cast<std::ptrdiff_t>(std::min<std::size_t>(p.param % 16 + 1, data.size()));
    const int how = (p.count >> 2) & 3;
    if (how == 3) data[std::size_t{p.param} * data.size() / 256] ^= 0xFF;
    if (how == 1 || how == 2)
      std::fill(data.end() - tail, data.end(), how == 1 ? kReplyFill : kSecondFill);
  }

  void Fail(const ReplyPlan& p, const ScsiRequest& request, ScsiResult* r) {
    const int how = p.ladder & 7;
    // No reply: refused (counting the whole request), timed out, a broken link.
    if (how >= 4 && how <= 6) {
      static constexpr TransportStatus kStatus[] = {
          TransportStatus::kRefused, TransportStatus::kTimedOut, TransportStatus::kTransportError};
      static const char* const kReason[] = {"refused", "timed out", "link reset"};
      *r = testing::Refused(kStatus[how - 4], kReason[how - 4]).result;
      if (how == 4) r->transferred = static_cast<std::uint32_t>(request.buffer.size());
      if (how == 5) clock_.Sleep(std::chrono::seconds(request.timeout_seconds));
      return;
    }
    if (how == 7) {  // the drive's status and count kept
      const ScsiResult c = testing::CheckCondition(p.a & 0x0F, p.b, 0).result;
      std::tie(r->scsi_status, r->sense, r->sense_length) =
          std::tie(c.scsi_status, c.sense, c.sense_length);
    }
    if ((p.ladder & 0x08) != 0) r->scsi_status = p.b;
    if ((p.ladder & 0x10) != 0) {
      r->sense[0] = p.b;
      r->sense_length = static_cast<std::uint8_t>(p.a % (kSenseSize + 1));
    }
  }

  std::unique_ptr<Transport> drive_;
  FuzzInput& plans_;
  Clock& clock_;
  std::vector<std::uint8_t> scratch_;
  std::vector<Delivery> deliveries_;
  std::uint64_t delivered_total_ = 0;
};

// Answers every question with going on.
class YesHost final : public JobHost {
 public:
  Answer Ask(const JobQuestion& q) override {
    return q.kind == QuestionKind::kContinueSkipStop ? Answer::kContinue : Answer::kYes;
  }
};

// The folder of this process's files: the small disc image, the capture, the check file, the
// ageing log.
const testing::TempDir& Folder() {
  static const testing::TempDir dir("tamarack-fuzz-jobs-");
  static const bool written = [] {
    if (!dir.ok()) std::abort();
    std::vector<std::uint8_t> image(std::size_t{kSmallDiscBlocks} * emu::kTestSectorSize);
    for (std::int32_t lba = 0; lba < kSmallDiscBlocks; ++lba) {
      emu::FillTestSector(lba, std::span(image).subspan(std::size_t(lba) * emu::kTestSectorSize,
                                                        emu::kTestSectorSize));
    }
    dir.Write("small.iso", image);
    return true;
  }();
  (void)written;
  return dir;
}

// 0 the small disc, 1 type13, 2 audio, 3 type30.
std::string DiscId(int index) {
  static const char* const kDiscs[] = {nullptr, "type13", "audio", "type30"};
  const char* name = kDiscs[index];
  return std::string("emu:") + (name ? name : Folder().File("small.iso")) + "?speed=max";
}

// The disc's own user data of `blocks` blocks at `lba`, straight from the drive; `spoil` inverts
// one byte, so that a check finds a difference; written as check.dat.
void WriteDiscData(Transport& drive, std::uint32_t lba, std::uint32_t blocks, bool spoil) {
  std::vector<std::uint8_t> data(std::size_t{blocks} * kBlockRoom);
  const ScsiResult result = drive.Execute({ReadCdCdb(lba, blocks), data, DataDirection::kIn});
  data.resize(result.status == TransportStatus::kCompleted ? result.transferred : 0);
  if (spoil && !data.empty()) data[data.size() / 2] ^= 0xFF;
  Folder().Write("check.dat", data);
}

// Every block of the capture's file came whole from a GOOD Read CD of its LBA, or is unread.
// Empty when it holds, else what is wrong.
std::string CaptureFileFault(const ReferenceResult& r, const std::vector<Delivery>& deliveries,
                             const UnreadBlocks& unread) {
  if (r.file.empty()) return {};
  std::ifstream in(r.file, std::ios::binary);
  const std::vector<std::uint8_t> file(std::istreambuf_iterator<char>(in), {});
  const std::uint32_t bs = r.block_size.bytes;
  if (file.empty()) return {};
  if (bs == 0 || file.size() % bs != 0 || file.size() / bs > r.range.blocks()) {
    return "the capture file's " + std::to_string(file.size()) + " bytes are no whole blocks of " +
           std::to_string(bs) + " in the range";
  }
  for (std::size_t i = 0; i < file.size() / bs; ++i) {
    const auto lba = static_cast<std::uint32_t>(r.range.start + i);
    const auto block = std::span(file).subspan(i * bs, bs);
    const bool received = std::any_of(deliveries.begin(), deliveries.end(), [&](const Delivery& d) {
      if (!d.good || d.cdb[0] != kReadCd) return false;
      const std::uint32_t first = ReadBe32(d.cdb, 2);
      if (lba < first || lba - first >= ReadBe24(d.cdb, 6)) return false;
      const std::size_t at = std::size_t{lba - first} * bs;
      return at + bs <= d.whole && std::equal(block.begin(), block.end(),
                                              d.bytes.begin() + static_cast<std::ptrdiff_t>(at));
    });
    if (!received && !unread.Contains(lba)) {
      return "the capture file holds block " + std::to_string(lba) +
             ", which no good Read CD delivered whole and the job did not report unread";
    }
  }
  return {};
}

const std::vector<Delivery>* g_deliveries = nullptr;  // of the input being run

// Ends the run with what was broken and the commands that led there, so that a finding
// explains itself.
void Expect(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_long_jobs: %s\n", what);
  for (std::size_t i = 0; g_deliveries && i < g_deliveries->size(); ++i) {
    const Delivery& d = (*g_deliveries)[i];
    std::fprintf(stderr, "  command %zu: %s %s, %u bytes delivered, %u reported\n", i + 1,
                 HexBytes(d.cdb, " ").c_str(), d.good ? "GOOD" : "failed", d.delivered, d.reported);
  }
  std::abort();
}

// The coverage of any job (one that asks for no blocks holds it too): read whole + failed +
// skipped never exceed what was asked, and what they leave over (not reached) is left only by
// a job that ended early; blocks that failed came from commands that failed; a good verdict
// left nothing out; no more blocks compared than read.
template <typename Result>
void ExpectCoverage(const Result& r) {
  const Coverage& c = r.verdict.coverage();
  const JobVerdict& v = r.verdict;
  Expect(c.read_whole() + c.failed() + c.skipped() <= c.asked(),
         "a job accounted for more blocks than it asked for");
  Expect(c.not_reached() == 0 || v.cancelled() || v.ended_by() || v.refused() || v.file_error(),
         "a job that did not end early left blocks it asked for unaccounted");
  Expect(c.failed() == 0 || v.failures() != 0, "a job counted failed blocks without a failure");
  Expect(c.compared() <= c.read_whole(), "a job compared blocks it did not read whole");
  Expect(!v.good() || (c.failed() == 0 && c.skipped() == 0 && c.check_skipped() == 0 &&
                       c.not_reached() == 0),
         "a good verdict left blocks out");
  if constexpr (requires { r.unread; }) {
    Expect(r.unread.blocks() <= c.failed(), "a capture listed unread blocks that did not fail");
  }
}

// Runs `job` on `session` as the job frame would, on this thread, and checks what every job
// must hold: commands that all failed are no success, and its counts fit the commands sent.
template <typename J>
const auto& RunChecked(J& job, DeviceSession& session, const HostileTransport& drive,
                       Clock& clock) {
  YesHost host;
  RunStateWord state;
  state.Set(RunState::kRunning);
  JobContext ctx(session, host, clock, state);
  job.Run(ctx);
  Expect(!(drive.all_failed() && job.result().verdict.good()),
         "a job whose commands all failed ended as a success");
  Expect(CountsWithin(job.result(), drive.sent()), "a job counted more commands than it sent");
  ExpectCoverage(job.result());
  return job.result();
}

enum class JobKind {
  kCapture,
  kCaptureAndCheck,
  kCheck,
  kAgeing,
  kMeasure,
  kType13,
  kType30,
  kType30Plus1,
  kType30Minus1,
  kSubQ,
};
constexpr int kJobs = 10;

}  // namespace

// A file the jobs write stops growing at 64 MiB (write() fails with EFBIG), whatever range a
// spoilt reply makes a job walk.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{rlim_t{64} << 20, rlim_t{64} << 20};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const auto kind = static_cast<JobKind>(in.Byte() % kJobs);
  const std::uint8_t disc = in.Byte();
  // The settings bytes (a length of 0: the whole disc where the job allows it).
  const std::uint32_t start = in.Byte() % 48, length = in.Byte() % 41;
  const std::uint8_t extra = in.Byte();

  SimulatedClock clock;
  emu::VirtualDriveProvider virtual_drives(clock, {});
  const bool reference =
      kind == JobKind::kCapture || kind == JobKind::kCaptureAndCheck || kind == JobKind::kCheck;
  // The reference jobs on discs of one block size throughout.
  const int disc_index = reference ? disc % 3 : disc % 4;
  std::string id = DiscId(disc_index);
  if (kind == JobKind::kType13) id = "emu:type13?speed=max";
  if (kind >= JobKind::kType30 && kind <= JobKind::kType30Minus1) id = "emu:type30?speed=max";
  OpenResult opened = virtual_drives.Open(id);
  if (!opened.transport) std::abort();
  HostileTransport drive(std::move(opened.transport), in, clock);
  g_deliveries = &drive.deliveries();
  // The session's one drive answers every command through the hostile one.
  testing::ScriptedSession scripted;
  scripted.transport->responder = [&drive](const ScsiRequest& r) {
    return testing::ScriptedReply{drive.Execute(r), {}};
  };
  DeviceSession& session = scripted.session;

  const std::string capture = Folder().File("capture.dat");
  const std::string check = Folder().File("check.dat");
  std::filesystem::remove(capture);
  std::filesystem::remove(capture + kPartialSuffix);
  // The whole disc only for the check on the small disc, which its file bounds: a capture of
  // the whole disc reads as far as a spoilt capacity says, and writes every block it passes.
  const bool whole_disc = kind == JobKind::kCheck && length == 0 && disc_index == 0;
  ReferenceRequest request;
  request.start = whole_disc ? 0 : start;
  request.end = whole_disc ? 0 : start + std::max<std::uint32_t>(length, 1);
  request.confirm_range = (extra & 1) != 0;
  if (kind == JobKind::kCheck || kind == JobKind::kCaptureAndCheck || kind == JobKind::kAgeing) {
    WriteDiscData(drive.drive(), request.start, length + 1, (extra & 2) != 0);
  }

  switch (kind) {
    case JobKind::kCapture:
    case JobKind::kCaptureAndCheck: {
      request.path = capture;
      CaptureJob job(request, kind == JobKind::kCaptureAndCheck);
      const ReferenceResult& r = RunChecked(job, session, drive, clock);
      if (kind == JobKind::kCapture) {
        const std::string fault = CaptureFileFault(r, drive.deliveries(), r.unread);
        Expect(fault.empty(), fault.c_str());
      }
      break;
    }
    case JobKind::kCheck: {
      request.path = check;
      CheckJob job(request);
      RunChecked(job, session, drive, clock);
      break;
    }
    case JobKind::kAgeing: {
      AgeingSettings s;
      s.start_lba = static_cast<std::int32_t>(start);
      s.end_lba = static_cast<std::int32_t>(start + length);
      s.step = 1 + (extra >> 6);
      s.mode.set_method((extra >> 2) & 3);
      s.mode.set_loop((extra & 0x10) != 0 ? static_cast<int>(LoopMode::kCounted)
                                          : static_cast<int>(LoopMode::kOnce));
      s.loop_count = 1 + (extra & 1);
      s.mode.set_end_on_command_error((extra & 0x20) != 0);
      s.transfer_length = (extra >> 4) % 5;
      s.command_index = disc / 4 % 3;
      s.data_check = disc / 12 % 4 != 3;
      s.data_check_type = static_cast<DataCheckType>(disc / 12 % 4 % 3);
      s.data_file = check;
      s.log_path = Folder().File("ageing.log");
      s.log_html = (extra & 2) != 0;
      AgeingRunOptions options;
      options.seed = 1;
      options.time_origin = 0;
      options.utc_times = true;
      AgeingJob job(s, options);
      RunChecked(job, session, drive, clock);
      break;
    }
    case JobKind::kMeasure: {
      MeasureSettings s;
      s.block_count = extra % 17;  // 0 is refused
      if (length != 0) {
        s.first_override = static_cast<std::int32_t>(start);
        s.last_override = static_cast<std::int32_t>(start + length);
      }
      SpeedMeasurementJob job(s);
      const MeasureResult& r = RunChecked(job, session, drive, clock);
      Expect(r.total_bytes >= 0 &&
                 static_cast<std::uint64_t>(r.total_bytes) <= drive.delivered_total(),
             "the measurement counted bytes no good command delivered");
      break;
    }
    case JobKind::kType13:
    case JobKind::kType30:
    case JobKind::kType30Plus1:
    case JobKind::kType30Minus1: {
      static const TrackTestKind kKinds[] = {TrackTestKind::kType13, TrackTestKind::kType30Normal,
                                             TrackTestKind::kType30Plus1,
                                             TrackTestKind::kType30Minus1};
      TrackTestJob job(kKinds[static_cast<int>(kind) - static_cast<int>(JobKind::kType13)]);
      RunChecked(job, session, drive, clock);
      break;
    }
    case JobKind::kSubQ: {
      SubQCheckJob job;
      RunChecked(job, session, drive, clock);
      break;
    }
  }
  g_deliveries = nullptr;
  return 0;
}
