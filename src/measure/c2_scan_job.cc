#include "measure/c2_scan_job.h"

#include <algorithm>
#include <array>

#include "device/device_session.h"
#include "device/read_cd_selection.h"
#include "device/sense.h"
#include "mmc/disc_extent.h"
#include "mmc/inquiry.h"
#include "mmc/mode_sense.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {
namespace {

long long AsLong(std::int64_t v) { return static_cast<long long>(v); }

bool Send(DeviceSession& session, const Cdb& cdb, std::span<std::uint8_t> buffer,
          std::uint32_t* transferred) {
  *transferred = 0;
  return SendScsiCommand(session, cdb, buffer, transferred);
}

// Page 2Ah byte 5: "C2 Pointers are supported".
constexpr std::uint8_t kC2PointersBit = 0x10;

// A block of nothing but zeros: what a zeroing or padding path leaves where the drive sent
// nothing (a data block always has its sync).
bool AllZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// A reply that says something of its blocks (a medium error, or good status and too few
// bytes), so that each is worth reading again alone; any other failure (refused, timed out,
// an illegal request) would only repeat for every block, and ends the scan.
bool BlockFault(const BlockReply& reply) {
  return reply.good() ||
         (reply.outcome.status == CommandStatus::kCheckCondition && reply.outcome.sense.key == 0x3);
}

bool HasSync(std::span<const std::uint8_t> block) {
  return std::equal(kSyncPattern.begin(), kSyncPattern.end(), block.begin());
}

}  // namespace

std::optional<bool> C2PointersOfModeSense(std::span<const std::uint8_t> reply,
                                          std::uint32_t received) {
  const std::size_t n = std::min<std::size_t>(reply.size(), received);
  if (n < 8) return std::nullopt;
  const std::size_t page = 8 + ReadBe16(reply, 6);
  if (page + 6 > n || (reply[page] & 0x3F) != mmc::kCapabilitiesPage || reply[page + 1] < 4) {
    return std::nullopt;
  }
  return (reply[page + 5] & kC2PointersBit) != 0;
}

C2BlockCheck CheckC2Block(std::span<const std::uint8_t, kC2ScanBlockBytes> block,
                          std::int64_t lba) {
  C2BlockCheck c;
  c.bits = CountC2Bits(block.subspan(kCdSectorBytes, kReadCdC2Bytes));
  // Audio blocks have no sync and no EDC: their C2 bits are all there is to see.
  if (HasSync(block)) c.edc = VerifySectorEdc(block.first<kCdSectorBytes>(), lba);
  return c;
}

C2Record C2ScanJob::Live() const {
  const std::lock_guard lock(mutex_);
  return result_.record;
}

bool C2ScanJob::ReadRange(JobContext& ctx) {
  const mmc::DiscExtent extent = mmc::ReadDiscExtent(ctx.session());
  std::optional<std::int64_t> disc_last;
  if (extent.last_lba) disc_last = *extent.last_lba;
  if (!disc_last && !settings_.last_override) {
    // Without the disc's last block there is no range to scan: said as what it is, not as
    // an empty range.
    const std::string why = StrFormat(
        Tr("ﾃﾞｨｽｸの最終ﾌﾞﾛｯｸを読めませんでした (Read Capacity: %s): ｽｷｬﾝするﾌﾞﾛｯｸがありません"),
        extent.capacity.error_text.empty() ? Tr("応答なし") : extent.capacity.error_text.c_str());
    result_.verdict.Refused(why);
    ctx.host().Message(MessageIcon::kError, why);
    return false;
  }
  // The first track's start from the TOC's first descriptor.
  const std::int64_t start =
      extent.first_start ? static_cast<std::int32_t>(*extent.first_start) : 0;
  first_ = settings_.first_override.value_or(start);
  last_ = settings_.last_override ? *settings_.last_override : *disc_last;
  if (disc_last) last_ = std::min(last_, *disc_last);
  if (first_ < 0 || first_ > last_) {
    const std::string why =
        StrFormat(Tr("先頭ﾌﾞﾛｯｸ %lld が最終ﾌﾞﾛｯｸ %lld より後ろです: ｽｷｬﾝするﾌﾞﾛｯｸがありません"),
                  AsLong(first_), AsLong(last_));
    result_.verdict.Refused(why);
    ctx.host().Message(MessageIcon::kError, why);
    return false;
  }
  const std::lock_guard lock(mutex_);
  result_.record = C2Record(first_, last_);
  return true;
}

void C2ScanJob::ReadModel(JobContext& ctx) {
  std::array<std::uint8_t, 36> reply{};
  std::uint32_t moved = 0;
  if (!Send(ctx.session(), mmc::InquiryCdb({.length = 36}), reply, &moved)) return;
  const mmc::InquiryNames names = mmc::InquiryNamesOf(reply);
  result_.model = StrFormat("%s %s", names.vendor.c_str(), names.product.c_str());
  ctx.host().Show(JobText::kModel, result_.model);
}

bool C2ScanJob::CheckSupport(JobContext& ctx) {
  std::array<std::uint8_t, 255> reply{};
  std::uint32_t moved = 0;
  const Cdb cdb = mmc::ModeSense10Cdb({.page = mmc::kCapabilitiesPage});
  DeviceSession& session = ctx.session();
  const CommandOutcome outcome = session.Run(cdb, reply, RunOptions{.report = HostReport::kSilent});
  if (outcome.status == CommandStatus::kGood) {
    moved = std::min<std::uint32_t>(outcome.result.transferred, reply.size());
    result_.c2_pointers = C2PointersOfModeSense(reply, moved);
  }
  if (!result_.c2_pointers) {
    ctx.host().Show(JobText::kStatusLine,
                    Tr("C2 ﾎﾟｲﾝﾀ: ﾍﾟｰｼﾞ 2Ah を読めませんでした; ｽｷｬﾝでﾄﾞﾗｲﾌﾞに求めます"));
    return true;
  }
  if (*result_.c2_pointers) {
    ctx.host().Show(JobText::kStatusLine, Tr("C2 ﾎﾟｲﾝﾀ: 報告あり (ﾍﾟｰｼﾞ 2Ah)"));
    return true;
  }
  const std::string why = Tr("ﾄﾞﾗｲﾌﾞは C2 ｴﾗｰﾎﾟｲﾝﾀを報告しません (ﾍﾟｰｼﾞ 2Ah): C2 ｽｷｬﾝはできません");
  result_.verdict.Refused(why);
  ctx.host().Message(MessageIcon::kError, why);
  return false;
}

void C2ScanJob::Run(JobContext& ctx) {
  JobHost& host = ctx.host();
  if (settings_.block_count < 1 || settings_.block_count > kMaxC2BlockCount) {
    const std::string why = StrFormat(Tr("1 ｺﾏﾝﾄﾞのﾌﾞﾛｯｸ数は 1 から %d です"), kMaxC2BlockCount);
    result_.verdict.Refused(why);
    host.Message(MessageIcon::kError, why);
    return;
  }
  host.SetBusy(true);
  if (ReadRange(ctx)) {
    ReadModel(ctx);
    if (CheckSupport(ctx)) {
      buffer_.Resize(static_cast<std::size_t>(settings_.block_count) * kC2ScanBlockBytes);
      result_.verdict.coverage().Ask(static_cast<std::uint64_t>(last_ - first_ + 1));
      Scan(ctx);
      result_.summary = SummarizeC2(result_.record, settings_.max_per_second);
      result_.summarized = true;
      const C2Summary& s = result_.summary;
      // What the rule finds wrong with what was read; unreadable blocks are failures already.
      result_.verdict.AddDifferences(s.bad_blocks + s.edc_failed + s.seconds_over_limit);
      std::string text = C2SummaryText(result_.record, s, settings_.max_per_second);
      while (!text.empty()) {
        const std::size_t end = text.find('\n');
        host.Show(JobText::kResultLine, text.substr(0, end));
        text.erase(0, end == std::string::npos ? text.size() : end + 1);
      }
    }
  }
  host.SetBusy(false);
}

void C2ScanJob::Scan(JobContext& ctx) {
  std::int64_t lba = first_;
  Report(ctx, lba);
  while (lba <= last_) {
    if (ctx.stop_requested()) {
      result_.verdict.Cancelled();
      return;
    }
    const std::int64_t blocks = std::min<std::int64_t>(settings_.block_count, last_ - lba + 1);
    if (!ReadCommand(ctx, lba, blocks)) return;
    lba += blocks;
    Report(ctx, lba);
  }
}

bool C2ScanJob::ReadCommand(JobContext& ctx, std::int64_t lba, std::int64_t blocks) {
  const Cdb cdb = ReadCdCdb(static_cast<std::uint32_t>(lba), static_cast<std::uint32_t>(blocks),
                            ReadCdSelection{.main = kC2ScanSelection});
  if (first_command_) ctx.host().Show(JobText::kCdb, HexBytes(cdb, " "));
  const auto want = static_cast<std::uint32_t>(blocks) * kC2ScanBlockBytes;
  const BlockReply reply = ReadBlocks(ctx.session(), cdb, std::span(buffer_.data(), want), want);
  ++result_.commands;
  const bool first = first_command_;
  first_command_ = false;
  if (first && reply.outcome.status == CommandStatus::kCheckCondition &&
      reply.outcome.sense.key == 0x5) {
    // A drive that takes no error field says so with its first command (the range is the
    // disc's, of any sector type).
    result_.verdict.EndedBy(reply.outcome);
    ctx.host().Show(JobText::kStatusLine,
                    Tr("ﾄﾞﾗｲﾌﾞは Read CD の C2 ｴﾗｰﾌｨｰﾙﾄﾞを拒否しました: C2 ｽｷｬﾝはできません"));
    return false;
  }
  if (!BlockFault(reply)) return End(ctx, reply);
  const std::int64_t taken = reply.good() ? TakeBlocks(lba, blocks, reply.received) : 0;
  if (taken == blocks) return true;
  // The blocks the command did not bring whole are read again one at a time.
  return ReadSingly(ctx, lba + taken, blocks - taken);
}

std::int64_t C2ScanJob::TakeBlocks(std::int64_t lba, std::int64_t blocks, std::uint32_t received) {
  const std::int64_t whole = std::min<std::int64_t>(blocks, received / kC2ScanBlockBytes);
  bool data_seen = false;
  Coverage& coverage = result_.verdict.coverage();
  const std::lock_guard lock(mutex_);
  for (std::int64_t i = 0; i < whole; ++i) {
    const std::span<const std::uint8_t, kC2ScanBlockBytes> block(
        buffer_.data() + static_cast<std::size_t>(i) * kC2ScanBlockBytes, kC2ScanBlockBytes);
    // Zeros after a data block: the tail of a reply the drive cut short, zeroed by the path.
    if (data_seen && AllZero(block)) return i;
    const C2BlockCheck c = CheckC2Block(block, lba + i);
    // A data block whose EDC fails in a reply of several may be the one the drive cut short:
    // it and the rest are read again alone.
    if (c.edc == EdcVerdict::kFailed && blocks > 1) return i;
    data_seen = data_seen || c.edc != EdcVerdict::kUnchecked;
    result_.record.Read(lba + i, c.bits, c.edc == EdcVerdict::kFailed);
    if (c.edc == EdcVerdict::kFailed) {
      coverage.Failed(lba + i, 1);
    } else {
      coverage.ReadWhole(1);
    }
  }
  return whole;
}

bool C2ScanJob::ReadSingly(JobContext& ctx, std::int64_t lba, std::int64_t blocks) {
  for (std::int64_t i = 0; i < blocks; ++i) {
    if (ctx.stop_requested()) {
      result_.verdict.Cancelled();
      return false;
    }
    const std::int64_t at = lba + i;
    const Cdb cdb =
        ReadCdCdb(static_cast<std::uint32_t>(at), 1, ReadCdSelection{.main = kC2ScanSelection});
    const BlockReply reply = ReadBlocks(
        ctx.session(), cdb, std::span(buffer_.data(), kC2ScanBlockBytes), kC2ScanBlockBytes);
    ++result_.commands;
    ++result_.single_reads;
    if (reply.ok() && TakeBlocks(at, 1, reply.received) == 1) continue;
    if (!BlockFault(reply)) return End(ctx, reply);
    {
      const std::lock_guard lock(mutex_);
      result_.record.Unreadable(at);
    }
    result_.verdict.coverage().Failed(at, 1);
    result_.verdict.WentPast(reply.outcome, reply.good());
    if (reply.good()) {
      ctx.host().Show(JobText::kStatusLine,
                      StrFormat("Read CD at LBA %lld returned %u of %u bytes", AsLong(at),
                                reply.received, kC2ScanBlockBytes));
    }
  }
  return true;
}

bool C2ScanJob::End(JobContext& ctx, const BlockReply& reply) {
  result_.verdict.EndedBy(reply.outcome);
  ctx.host().Show(JobText::kStatusLine, reply.outcome.error_text);
  return false;
}

void C2ScanJob::Report(JobContext& ctx, std::int64_t next) {
  JobProgress p;
  p.total = static_cast<std::uint64_t>(last_ - first_ + 1);
  p.done =
      static_cast<std::uint64_t>(std::clamp<std::int64_t>(next - first_, 0, last_ - first_ + 1));
  p.address = static_cast<std::uint32_t>(std::min(next, last_));
  ctx.host().Progress(p);
}

}  // namespace tamarack
