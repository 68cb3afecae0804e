#include "tools/sub_q_check.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "mmc/block_size.h"
#include "mmc/disc_extent.h"
#include "mmc/track_starts.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/strings.h"
#include "util/sub_q_crc.h"

namespace tamarack {

namespace {

constexpr std::uint8_t kDataBit = 0x40;
constexpr std::uint8_t kCopyBit = 0x20;
constexpr std::uint8_t kChannelBits = 0x90;  // four channels (80h), pre-emphasis (10h)

// Read CD of user data with the formatted Q sub-channel (16 bytes after each block's data).
constexpr ReadCdSelection kUserDataAndQ{kSectorTypeAny, 0x10, 0x02};
// The lowest address a drive reads: the start of the first track's pregap.
constexpr std::int64_t kFirstAddress = -150;

}  // namespace

SubQTally::Change SubQTally::Check(std::span<const std::uint8_t> q) {
  Change change;
  if (!SubQCrcOk(q)) {
    ++crc_errors_;
    change.result = StrFormat("CRC error count=%lld", static_cast<long long>(crc_errors_));
    return change;
  }
  const std::uint8_t control = q[0];
  if (control & kDataBit) return change;
  const bool first_audio = !audio_seen();
  const bool on = control & kCopyBit;
  ++(on ? copy_on_ : copy_off_);
  ++(on ? window_on_ : window_off_);
  const char* copy = first_audio ? (on ? kCopyOnText : kCopyOffText) : copy_line_;
  if (window_on_ + window_off_ >= kCopyWindow) {
    if (window_off_ == 0) {
      copy = kCopyOnText;
    } else if (window_on_ == 0) {
      copy = kCopyOffText;
    } else if (std::abs(window_on_ - window_off_) < 10) {
      copy = kCopyMixedText;
    }
    window_on_ = 0;
    window_off_ = 0;
  }
  if (copy != copy_line_) {
    change.copy = copy;
    copy_line_ = copy;
  }
  const auto bits = static_cast<std::uint8_t>(control & kChannelBits);
  if (bits != last_control_) {
    change.channel = std::string(control & 0x10 ? Tr("ﾌﾟﾘｴﾝﾌｧｼｽ有り") : Tr("ﾌﾟﾘｴﾝﾌｧｼｽ無し")) +
                     (control & 0x80 ? Tr(",4ﾁｬﾝﾈﾙｵｰﾃﾞｨｵ") : Tr(",2ﾁｬﾝﾈﾙｵｰﾃﾞｨｵ"));
    last_control_ = bits;
  }
  return change;
}

std::string SubQTally::Summary(std::int64_t lba_reached) const {
  std::string s = StrFormat("Total Subq=%lld CRC error=%lld", static_cast<long long>(lba_reached),
                            static_cast<long long>(crc_errors_));
  if (audio_seen()) {
    StrAppendFormat(&s, "\r\nDigital copy ok=%lld Digital copy ng=%lld",
                    static_cast<long long>(copy_on_), static_cast<long long>(copy_off_));
  }
  return s;
}

CommandOutcome ReadDiscRange(DeviceSession& session, DiscRange* range) {
  mmc::DiscExtent extent =
      mmc::ReadDiscExtent(session, {.toc_length = static_cast<std::uint16_t>(kTocCacheSize)});
  if (extent.capacity.status == CommandStatus::kGood) {
    range->last = static_cast<std::int32_t>(extent.last_lba.value_or(0));
  }
  if (extent.first_start) {
    range->start = static_cast<std::int32_t>(*extent.first_start);
    range->track_starts = std::move(extent.track_starts);
  }
  range->gaps = ReadSessionGaps(session);
  return extent.capacity;
}

SubQReadPlan::SubQReadPlan(std::int64_t start, std::int64_t last,
                           std::span<const std::int32_t> track_starts,
                           std::span<const SessionGap> gaps, std::uint32_t per_read)
    : start_(start), last_(last), per_read_(std::max<std::uint32_t>(per_read, 1)) {
  for (std::int32_t s : track_starts) {
    if (s > start_ && s <= last_) cuts_.push_back(s);
  }
  // Gaps as the drive's replies give them: clipped to the range, overlaps and all.
  for (const SessionGap& g : gaps) {
    const std::int64_t first = std::max<std::int64_t>(g.first, start_);
    const std::int64_t gap_last = std::min<std::int64_t>(std::int64_t{g.end} - 1, last_);
    if (first > gap_last || (!gaps_.empty() && first < gaps_.back().end)) continue;
    gaps_.push_back({static_cast<std::int32_t>(first), static_cast<std::int32_t>(gap_last + 1)});
    if (first > start_) cuts_.push_back(first);
    if (gap_last < last_) cuts_.push_back(gap_last + 1);
  }
  std::sort(cuts_.begin(), cuts_.end());
  cuts_.erase(std::unique(cuts_.begin(), cuts_.end()), cuts_.end());
}

std::optional<SubQRead> SubQReadPlan::At(std::int64_t lba) const {
  if (lba < start_ || lba > last_) return std::nullopt;
  const auto next = std::upper_bound(cuts_.begin(), cuts_.end(), lba);
  const std::int64_t end = next == cuts_.end() ? last_ : *next - 1;
  SubQRead read;
  read.lba = lba;
  read.new_track = lba == start_ || std::binary_search(cuts_.begin(), cuts_.end(), lba);
  const auto gap = std::find_if(gaps_.begin(), gaps_.end(), [lba](const SessionGap& g) {
    return g.first <= lba && lba < g.end;
  });
  if (gap != gaps_.end()) {
    read.between_sessions = true;
    read.blocks = static_cast<std::uint32_t>(gap->end - lba);
    return read;
  }
  read.blocks = static_cast<std::uint32_t>(std::min<std::int64_t>(per_read_, end - lba + 1));
  return read;
}

std::uint64_t SubQReadPlan::BlocksToRead() const {
  if (last_ < start_) return 0;
  std::int64_t blocks = last_ - start_ + 1;
  for (const SessionGap& g : gaps_) blocks -= g.end - g.first;
  return static_cast<std::uint64_t>(blocks);
}

const char* SubQCheckEndText(SubQCheckEnd end) {
  switch (end) {
    case SubQCheckEnd::kFinished:
      return kSubQFinishedText;
    case SubQCheckEnd::kReadFailed:
      return kSubQReadFailedText;
    case SubQCheckEnd::kUnsupported:
      return kSubQUnsupportedText;
    case SubQCheckEnd::kStopped:
      return kSubQCanceledText;
    case SubQCheckEnd::kNoDisc:
      return kNoDiscText;
  }
  return "";
}

SubQCheckEnd SubQCheckJob::Failed(const BlockReply& reply, std::int64_t lba, std::uint32_t blocks,
                                  SubQCheckEnd end, std::string why) {
  // A reply with good status that the check cannot use was malformed.
  result_.verdict.EndedBy(reply.outcome, reply.good());
  result_.verdict.coverage().Failed(lba, blocks);
  result_.failure_text = reply.good() ? std::move(why) : FailureTextsOf(reply.outcome).status_line;
  return end;
}

SubQCheckEnd SubQCheckJob::CheckBlocks(JobContext& ctx, SubQTally& tally) {
  DeviceSession& session = ctx.session();
  JobHost& host = ctx.host();
  const DiscRange& range = result_.range;
  const SubQReadPlan plan(range.start, range.last, range.track_starts, range.gaps,
                          kSubQBlocksPerRead);
  Coverage& coverage = result_.verdict.coverage();
  coverage.Ask(plan.BlocksToRead(), /*check=*/true);
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;  // bytes per record of the track being read
  std::int64_t& lba = result_.lba_reached;
  for (auto read = plan.At(lba); read; read = plan.At(lba)) {
    if (ctx.stop_requested()) return SubQCheckEnd::kStopped;
    // Between sessions there is nothing to read: no fault of the drive's, and no block asked.
    if (read->between_sessions) {
      coverage.PassedOver(lba, read->blocks, SkipReason::kBetweenSessions);
      lba += read->blocks;
      continue;
    }
    host.Progress({static_cast<std::uint64_t>(std::max<std::int64_t>(lba, 0)),
                   static_cast<std::uint64_t>(std::max<std::int64_t>(range.last, 0)),
                   static_cast<std::uint32_t>(lba), 0});
    // A track of another sector type has records of another size: learnt from its first read.
    if (read->new_track) size = 0;
    const std::uint32_t blocks = read->blocks;
    const std::uint32_t expected = blocks * size;
    buffer.resize(size == 0 ? std::size_t{blocks} * kBlockRoom : expected);
    const Cdb cdb = ReadCdCdb(static_cast<std::uint32_t>(lba), blocks, kUserDataAndQ);
    const BlockReply reply = ReadBlocks(session, cdb, buffer, expected);
    result_.reads += reply.second_read ? 2 : 1;
    if (reply.second_read) ++result_.second_reads;
    if (!reply.good()) return Failed(reply, lba, blocks, SubQCheckEnd::kReadFailed, "");
    if (size == 0) {
      const auto requested = static_cast<std::uint32_t>(buffer.size());
      const ReadEvidence evidence{cdb, blocks, requested, static_cast<std::int32_t>(lba), reply};
      size = FindBlockSize(session, evidence).bytes;
      // A size that cannot hold the Q data is no size.
      if (size < kFormattedQBytes) {
        return Failed(
            reply, lba, blocks, SubQCheckEnd::kUnsupported,
            StrFormat("no record size fits the reply at LBA %lld", static_cast<long long>(lba)));
      }
      result_.record_size = size;
      if (reply.received < std::uint64_t{blocks} * size ||
          reply.CountedBeyond(std::uint64_t{blocks} * size)) {
        return Failed(reply, lba, blocks, SubQCheckEnd::kReadFailed,
                      StrFormat("the reply was malformed: %u bytes for %u records of %u "
                                "bytes at LBA %lld",
                                reply.received, blocks, size, static_cast<long long>(lba)));
      }
    } else if (reply.short_reply) {
      return Failed(reply, lba, blocks, SubQCheckEnd::kReadFailed,
                    StrFormat("the reply was malformed: %u of %u bytes at LBA %lld", reply.received,
                              expected, static_cast<long long>(lba)));
    }
    for (std::uint32_t i = 0; i < blocks; ++i) {
      const std::span<const std::uint8_t> record =
          std::span<const std::uint8_t>(buffer).subspan(std::size_t{i} * size, size);
      const SubQTally::Change c = tally.Check(record.last(kFormattedQBytes));
      if (c.result) host.Show(JobText::kCounters, *c.result);
      if (c.copy) host.Show(JobText::kStatus, Tr(c.copy->c_str()));
      if (c.channel) host.Show(JobText::kSecondStatus, *c.channel);
    }
    coverage.ReadWhole(blocks);
    coverage.Compared(blocks);
    lba += blocks;
  }
  return SubQCheckEnd::kFinished;
}

void SubQCheckJob::Run(JobContext& ctx) {
  DeviceSession& session = ctx.session();
  JobHost& host = ctx.host();
  result_ = SubQCheckResult{};
  host.SetBusy(true);
  const CommandOutcome capacity = ReadDiscRange(session, &result_.range);
  const DiscRange& range = result_.range;
  if (range.last == 0) {
    result_.end = SubQCheckEnd::kNoDisc;
    if (capacity.status != CommandStatus::kGood) {
      result_.verdict.EndedBy(capacity);
      result_.failure_text = FailureTextsOf(capacity).status_line;
    } else {
      result_.verdict.Refused(Tr("ﾄﾞﾗｲﾌﾞが示すﾃﾞｨｽｸの最終LBA が0です"));
    }
    host.Message(MessageIcon::kQuestion, Tr(kNoDiscText));
    host.SetBusy(false);
    return;
  }
  SubQTally tally;
  result_.lba_reached = range.start;
  if (range.start < kFirstAddress || range.start > range.last) {
    // Nothing to read: a range like this comes from replies that cannot be right.
    result_.end = SubQCheckEnd::kReadFailed;
    result_.failure_text =
        StrFormat(Tr("ﾄﾞﾗｲﾌﾞが示すﾃﾞｨｽｸは LBA %d から %d です"), range.start, range.last);
    result_.verdict.Refused(result_.failure_text);
  } else {
    result_.end = CheckBlocks(ctx, tally);
  }
  if (result_.end == SubQCheckEnd::kStopped) result_.verdict.Cancelled();
  result_.crc_errors = tally.crc_errors();
  result_.verdict.AddDifferences(static_cast<std::uint64_t>(result_.crc_errors));
  result_.copy_on = tally.copy_on();
  result_.copy_off = tally.copy_off();
  result_.summary = tally.Summary(result_.lba_reached);
  host.Show(JobText::kCounters, result_.summary);
  if (ctx.cancel_cause() != CancelCause::kClose) {
    const std::string cause =
        result_.end == SubQCheckEnd::kStopped ? CancelCauseSuffix(ctx.cancel_cause()) : "";
    host.Message(MessageIcon::kInformation, Tr(SubQCheckEndText(result_.end)) + cause);
  }
  host.SetBusy(false);
}

}  // namespace tamarack
