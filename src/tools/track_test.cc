#include "tools/track_test.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "mmc/block_read.h"
#include "mmc/block_size.h"
#include "mmc/read_toc.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr int kType30Tracks = 23;
constexpr std::size_t kTocDescriptorSize = 8;

constexpr Type30Pass kPasses[] = {
    {"User Data", 0x10}, {"Header", 0x20}, {"Sub Header", 0x40}, {"All Header", 0x60},
    {"Parity", 0x08},    {"Sync", 0x80},   {"All", 0xF8},
};

// Read TOC format 0, LBA addressing, from track 0, allocation length A000h: the whole table.
// Returns the reply (cut to what the drive sent) or nothing when the command failed.
std::optional<std::vector<std::uint8_t>> ReadToc(DeviceSession& session, CommandOutcome* outcome) {
  std::vector<std::uint8_t> reply(kTocCacheSize, 0);
  *outcome = session.Run(mmc::ReadTocCdb({.length = 0xA000}), reply);
  if (outcome->status != CommandStatus::kGood) return std::nullopt;
  return reply;
}

// The decimal number at the start of `text` (digits only; none gives 0), as the address text's
// letters end each number.
int LeadingNumber(std::span<const std::uint8_t> text) {
  int value = 0;
  for (std::uint8_t c : text) {
    if (c < '0' || c > '9' || value > 100000) break;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::uint16_t ReadLe16(std::span<const std::uint8_t> b, std::size_t i) {
  return static_cast<std::uint16_t>(ByteAt(b, i) | ByteAt(b, i + 1) << 8);
}

// Sum of the 1023 little-endian words before the checksum, modulo 65536.
std::uint16_t SectorSum(std::span<const std::uint8_t> sector) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < 2046; i += 2) sum += ReadLe16(sector, i);
  return static_cast<std::uint16_t>(sum);
}

int Milliseconds(Clock::Duration d) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

}  // namespace

const char* TrackTestName(TrackTestKind kind) {
  switch (kind) {
    case TrackTestKind::kType13:
      return "Type1.3";
    case TrackTestKind::kType30Normal:
      return "Type3.0(Normal)";
    case TrackTestKind::kType30Plus1:
      return "Type3.0(+1)";
    case TrackTestKind::kType30Minus1:
      return "Type3.0(-1)";
  }
  return "";
}

TrackClass Type30ClassOf(int number) {
  switch (number) {
    case 1:
    case 3:
    case 13:
    case 16:
    case 20:
    case 23:
      return TrackClass::kMode1;
    case 2:
      return TrackClass::kTrack2;
    case 12:
    case 17:
    case 22:
      return TrackClass::kForm2;
    default:
      return TrackClass::kAudio;
  }
}

std::span<const Type30Pass> Type30Passes() { return kPasses; }

bool PassReadsClass(const Type30Pass& pass, TrackClass c) {
  switch (pass.selection) {
    case 0x10:
    case 0xF8:
      return true;
    case 0x40:
      return c == TrackClass::kTrack2 || c == TrackClass::kForm2;
    default:
      return c != TrackClass::kAudio;
  }
}

bool LengthAccepted(std::uint8_t selection, TrackClass c, std::uint32_t length) {
  const bool mode1 = c == TrackClass::kMode1;
  const bool track2 = c == TrackClass::kTrack2;
  const bool form2 = c == TrackClass::kForm2;
  switch (selection) {
    case 0x10:
      if (form2) return length == 2328;
      if (c == TrackClass::kAudio) return length == 2352;
      return length == 2048 || length == 2352;
    case 0x20:
      if (c == TrackClass::kAudio) return length == 0;
      return length == 4 || (!form2 && length == 0);
    case 0x40:
      return (track2 || form2) && length == 8;
    case 0x60:
      if (mode1) return length == 4;
      return (track2 || form2) && length == 12;
    case 0x08:
      if (mode1) return length == 288 || length == 0;
      if (track2) return length == 280 || length == 0;
      return form2 && length == 0;
    case 0x80:
      return c != TrackClass::kAudio && length == 12;
    case 0xF8:
      return length == 2352;
    default:
      return false;
  }
}

std::array<std::uint32_t, 23> Type30ReadAddresses(TrackTestKind kind,
                                                  const std::array<std::uint32_t, 23>& starts) {
  std::array<std::uint32_t, 23> at = starts;
  if (kind == TrackTestKind::kType30Plus1) {
    for (std::uint32_t& a : at) ++a;
  } else if (kind == TrackTestKind::kType30Minus1) {
    for (std::size_t i = 0; i < 21; ++i) at[i] = starts[i + 1] - 1;
  }
  return at;
}

Type13Verdict CheckType13Sector(std::span<const std::uint8_t> sector, std::int32_t lba) {
  Type13Verdict v;
  const int minutes = LeadingNumber(sector.subspan(std::min<std::size_t>(13, sector.size())));
  const int seconds = LeadingNumber(sector.subspan(std::min<std::size_t>(16, sector.size())));
  const int frames = LeadingNumber(sector.subspan(std::min<std::size_t>(19, sector.size())));
  const long long address = (minutes * 60LL + seconds) * 75 + frames;
  if (address != static_cast<long long>(lba) + 150) {
    v.ok = false;
    v.line = StrFormat("Ng! %d,%d,%d %d", minutes, seconds, frames, lba);
    return v;
  }
  // A block whose address text survived may still be damaged elsewhere: the checksum tells.
  const std::uint16_t sum = SectorSum(sector);
  const std::uint16_t stored = ReadLe16(sector, 2046);
  if (sector.size() < 2048 || sum != stored) {
    v.ok = false;
    v.line = StrFormat("Ng! %d,%d,%d %d sum:%04x checksum:%04x", minutes, seconds, frames, lba, sum,
                       stored);
    return v;
  }
  if (lba % 100 == 0) v.line = StrFormat("Ok! %d,%d,%d %d", minutes, seconds, frames, lba);
  return v;
}

void TrackTestJob::AddLine(JobContext& ctx, std::string line, bool ng) {
  if (ng) {
    ++result_.ng_lines;
    result_.verdict.AddDifferences(1);
  }
  ctx.host().Show(JobText::kResultLine, line);
  result_.lines.push_back(std::move(line));
}

void TrackTestJob::Count(const BlockReply& reply) {
  result_.reads += reply.second_read ? 2 : 1;
  if (reply.second_read) ++result_.second_reads;
}

void TrackTestJob::Run(JobContext& ctx) {
  result_ = TrackTestResult{};
  const bool ran_out = kind_ == TrackTestKind::kType13 ? RunType13(ctx) : RunType30(ctx);
  result_.ended_by = ran_out ? RunState::kIdle : ctx.state();
  if (ran_out) {
    ctx.host().Message(MessageIcon::kInformation, kFinishedText);
    return;
  }
  result_.verdict.Cancelled();
  // A closing window has nobody left to tell; every other stop names its cause, as Cancel does.
  if (ctx.cancel_cause() != CancelCause::kClose) {
    ctx.host().Message(MessageIcon::kInformation,
                       kCanceledText + CancelCauseSuffix(ctx.cancel_cause()));
  }
}

std::optional<std::vector<std::uint8_t>> TrackTestJob::ReadTestToc(JobContext& ctx,
                                                                   int last_track) {
  CommandOutcome outcome;
  auto toc = ReadToc(ctx.session(), &outcome);
  if (!toc) {
    result_.verdict.EndedBy(outcome);
    result_.failure_text = FailureTextsOf(outcome).status_line;
  } else if ((*toc)[2] != 1 || (*toc)[3] != last_track) {
    result_.verdict.AddDifferences(1);  // another disc than the test's
    toc.reset();
  }
  if (!toc) ctx.host().Message(MessageIcon::kQuestion, kTocInformationNgText);
  return toc;
}

bool TrackTestJob::RunType13(JobContext& ctx) {
  DeviceSession& session = ctx.session();
  if (!ReadTestToc(ctx, 1)) return true;
  result_.toc_ok = true;
  AddLine(ctx, kTocReadingOkText, false);
  std::vector<std::uint8_t> sector(kType13SectorBytes);
  const std::uint64_t reads = (kType13EndLba + kType13Step - 1) / kType13Step;
  result_.verdict.coverage().Ask(reads, /*check=*/true);
  for (std::int32_t lba = 0; lba < kType13EndLba; lba += kType13Step) {
    if (ctx.stop_requested()) return false;
    const auto address = static_cast<std::uint32_t>(lba);
    const BlockReply reply = ReadBlocks(session, ReadCdCdb(address, 1), sector, kType13SectorBytes);
    Count(reply);
    if (!reply.ok()) {
      // A block cut short is no test sector: its read failed, as one refused would have.
      result_.verdict.EndedBy(reply.outcome, reply.short_reply);
      result_.verdict.coverage().Failed(lba, 1);
      result_.failure_text = reply.good()
                                 ? StrFormat("the reply was malformed: %u of %u bytes at LBA %d",
                                             reply.received, kType13SectorBytes, lba)
                                 : FailureTextsOf(reply.outcome).status_line;
      AddLine(ctx, kTrackCommandErrorText, false);
      return true;
    }
    Type13Verdict v = CheckType13Sector(sector, lba);
    result_.verdict.coverage().ReadWhole(1);
    result_.verdict.coverage().Compared(1);
    if (!v.line.empty()) AddLine(ctx, std::move(v.line), !v.ok);
    ctx.host().Progress({static_cast<std::uint64_t>(lba / kType13Step + 1), reads, address, 0});
  }
  return true;
}

bool TrackTestJob::RunType30(JobContext& ctx) {
  DeviceSession& session = ctx.session();
  const auto toc = ReadTestToc(ctx, kType30Tracks);
  if (!toc) return true;
  result_.toc_ok = true;
  // The job's own copy of the addresses: the variants must not change the session's TOC.
  std::array<std::uint32_t, 23> starts{};
  for (std::size_t i = 0; i < starts.size(); ++i) {
    starts[i] = ReadBe32(*toc, 4 + kTocDescriptorSize * i + 4);
  }
  const std::array<std::uint32_t, 23> at = Type30ReadAddresses(kind_, starts);
  AddLine(ctx, kTocReadingOkText, false);

  std::uint64_t total = 0;
  for (const Type30Pass& pass : kPasses) {
    for (int track = 1; track <= kType30Tracks; ++track) {
      if (PassReadsClass(pass, Type30ClassOf(track))) ++total;
    }
  }
  result_.verdict.coverage().Ask(total, /*check=*/true);
  // Room for any block: the length is what the test measures, so the read asks for no size.
  std::vector<std::uint8_t> buffer(kBlockRoom);
  std::uint64_t done = 0;
  for (const Type30Pass& pass : kPasses) {
    for (int track = 1; track <= kType30Tracks; ++track) {
      const TrackClass c = Type30ClassOf(track);
      if (!PassReadsClass(pass, c)) continue;
      if (ctx.stop_requested()) return false;
      const std::uint32_t lba = at[static_cast<std::size_t>(track - 1)];
      const std::uint8_t sector_type = c == TrackClass::kAudio ? kSectorTypeCdda : kSectorTypeAny;
      const Cdb cdb = ReadCdCdb(lba, 1, {sector_type, pass.selection, 0});
      const Clock::Duration started = ctx.clock().Now();
      const BlockReply reply = ReadBlocks(session, cdb, buffer, 0);
      // The read's own time: a second read over the A5h fill only settles its length.
      Clock::Duration took = ctx.clock().Now() - started;
      if (reply.second_read) took -= std::min<Clock::Duration>(took, reply.outcome.result.duration);
      const int ms = Milliseconds(took);
      Count(reply);
      if (!reply.good()) {
        result_.verdict.WentPast(reply.outcome);
        result_.verdict.coverage().Failed(lba, 1);
        result_.failure_text = FailureTextsOf(reply.outcome).status_line;
        AddLine(ctx, StrFormat("***Track %2d Read Error Time=%dmsec", track, ms), false);
      } else if (reply.way == ReceivedWay::kWhole) {
        // A zeroed or padded tail hides where the reply ended: the length the test is about
        // cannot be measured, and a size the sector type would give is no measurement.
        result_.verdict.coverage().CheckSkipped(lba, 1, SkipReason::kNotChecked);
        AddLine(ctx,
                StrFormat("Track %2d -- %s %s Time=%dmsec", track, pass.name,
                          kLengthNotMeasuredText, ms),
                false);
      } else {
        const std::uint32_t length = reply.received;
        const bool ok = LengthAccepted(pass.selection, c, length);
        result_.verdict.coverage().ReadWhole(1);
        result_.verdict.coverage().Compared(1);
        AddLine(ctx,
                StrFormat("%sTrack %2d %s %s Length=%u Time=%dmsec", ok ? "" : "***", track,
                          ok ? "Ok" : "Ng", pass.name, length, ms),
                !ok);
      }
      ctx.host().Progress({++done, total, lba, 0});
    }
  }
  return true;
}

}  // namespace tamarack
