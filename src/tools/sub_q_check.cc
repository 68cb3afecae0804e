#include "tools/sub_q_check.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "device/block_size.h"
#include "util/bytes.h"
#include "util/strings.h"
#include "util/sub_q_crc.h"

namespace tamarack {

namespace {

constexpr std::uint8_t kDataBit = 0x40;
constexpr std::uint8_t kCopyBit = 0x20;
constexpr std::uint8_t kChannelBits = 0x90;  // four channels (80h), pre-emphasis (10h)

Cdb SubQReadCdb(std::int32_t lba, std::uint32_t blocks) {
  const auto a = static_cast<std::uint32_t>(lba);
  return MakeCdb({0xBE, 0, static_cast<std::uint8_t>(a >> 24), static_cast<std::uint8_t>(a >> 16),
                  static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a),
                  static_cast<std::uint8_t>(blocks >> 16), static_cast<std::uint8_t>(blocks >> 8),
                  static_cast<std::uint8_t>(blocks), 0x10, 0x02});
}

}  // namespace

SubQTally::Change SubQTally::Check(std::span<const std::uint8_t> q) {
  Change change;
  if (!SubQCrcOk(q)) {
    ++crc_errors_;
    change.result = StrFormat("CRC error count=%d", crc_errors_);
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
    change.channel = std::string(control & 0x10 ? "ﾌﾟﾘｴﾝﾌｧｼｽ有り" : "ﾌﾟﾘｴﾝﾌｧｼｽ無し") +
                     (control & 0x80 ? ",4ﾁｬﾝﾈﾙｵｰﾃﾞｨｵ" : ",2ﾁｬﾝﾈﾙｵｰﾃﾞｨｵ");
    last_control_ = bits;
  }
  return change;
}

std::string SubQTally::Summary(std::int32_t lba_reached) const {
  std::string s = StrFormat("Total Subq=%d CRC error=%d", lba_reached, crc_errors_);
  if (audio_seen()) {
    StrAppendFormat(&s, "\r\nDigital copy ok=%d Digital copy ng=%d", copy_on_, copy_off_);
  }
  return s;
}

void ReadDiscRange(DeviceSession& session, DiscRange* range) {
  std::vector<std::uint8_t> capacity(8, 0);
  if (session.Run(MakeCdb({0x25}), capacity, false, false).status == CommandStatus::kGood) {
    range->last = static_cast<std::int32_t>(ReadBe32(capacity, 0));
  }
  std::vector<std::uint8_t> toc(255, 0);
  if (session.Run(MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0x00, 0xFF}), toc, false, false).status ==
      CommandStatus::kGood) {
    range->start = static_cast<std::int32_t>(ReadBe32(toc, 8));
  }
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

void SubQCheckJob::Run(JobContext& ctx) {
  DeviceSession& session = ctx.session();
  JobHost& host = ctx.host();
  result_ = SubQCheckResult{};
  SubQTally tally;
  host.SetBusy(true);
  ReadDiscRange(session, &result_.range);
  const std::int32_t last = result_.range.last;
  if (last == 0) {
    result_.end = SubQCheckEnd::kNoDisc;
    host.Message(MessageIcon::kQuestion, kNoDiscText);
    host.SetBusy(false);
    return;
  }
  auto check = [&](std::span<const std::uint8_t> record) {
    const std::uint32_t size = result_.record_size;
    const SubQTally::Change c =
        tally.Check(record.subspan(size - kFormattedQBytes, kSubQRecordSize));
    if (c.result) host.Show(JobText::kCounters, *c.result);
    if (c.copy) host.Show(JobText::kStatus, *c.copy);
    if (c.channel) host.Show(JobText::kSecondStatus, *c.channel);
  };
  // A size that cannot hold the Q data is no size.
  auto usable = [](std::uint32_t size) { return size >= kFormattedQBytes ? size : 0u; };

  std::vector<std::uint8_t> buffer(kSubQBlocksPerRead * kSubQRecordRoom);
  std::int32_t lba = result_.range.start;
  bool first = true;
  while (!ctx.stop_requested()) {
    host.Progress({static_cast<std::uint64_t>(std::max(lba, 0)),
                   static_cast<std::uint64_t>(std::max(last, 0)), static_cast<std::uint32_t>(lba),
                   0});
    if (last - lba < static_cast<std::int32_t>(kSubQBlocksPerRead)) {
      // The tail, one block at a time through the last LBA.
      const std::span<std::uint8_t> one(buffer.data(), kSubQRecordRoom);
      for (; lba <= last && !ctx.stop_requested(); ++lba) {
        std::fill(one.begin(), one.end(), kReplyFill);
        const Cdb cdb = SubQReadCdb(lba, 1);
        const CommandOutcome out = session.Run(cdb, one, false, false);
        if (out.status != CommandStatus::kGood || out.result.transferred == 0) break;
        if (result_.record_size == 0) {
          const ReadEvidence evidence{cdb, 1, kSubQRecordRoom, lba, ReplyOfFirstRead(out, one)};
          result_.record_size = usable(FindBlockSize(session, evidence).bytes);
          if (result_.record_size == 0) {
            result_.end = SubQCheckEnd::kUnsupported;
            break;
          }
        }
        check(one.first(result_.record_size));
      }
      break;
    }
    const Cdb cdb = SubQReadCdb(lba, kSubQBlocksPerRead);
    if (first) {
      first = false;
      std::fill(buffer.begin(), buffer.end(), kReplyFill);
      const CommandOutcome out = session.Run(cdb, buffer, false, false);
      if (out.status == CommandStatus::kGood) {
        // The fill alone cannot tell on Linux (a bounced buffer comes back zeroed): discovery.
        const auto requested = static_cast<std::uint32_t>(buffer.size());
        const ReadEvidence evidence{cdb, kSubQBlocksPerRead, requested, lba,
                                    ReplyOfFirstRead(out, buffer)};
        result_.record_size = usable(FindBlockSize(session, evidence).bytes);
      } else {
        result_.failure = out;
      }
      if (result_.record_size == 0) {
        result_.end = SubQCheckEnd::kUnsupported;
        break;
      }
    } else {
      const std::span<std::uint8_t> data(buffer.data(), kSubQBlocksPerRead * result_.record_size);
      const CommandOutcome out = session.Run(cdb, data, false, false);
      if (out.status != CommandStatus::kGood) {
        result_.failure = out;
        result_.end = SubQCheckEnd::kReadFailed;
        break;
      }
    }
    for (std::uint32_t i = 0; i < kSubQBlocksPerRead; ++i) {
      check(std::span<const std::uint8_t>(buffer).subspan(i * result_.record_size,
                                                          result_.record_size));
    }
    lba += static_cast<std::int32_t>(kSubQBlocksPerRead);
  }
  if (ctx.stop_requested() && result_.end == SubQCheckEnd::kFinished) {
    result_.end = SubQCheckEnd::kStopped;
  }
  result_.lba_reached = lba;
  result_.crc_errors = tally.crc_errors();
  result_.copy_on = tally.copy_on();
  result_.copy_off = tally.copy_off();
  result_.summary = tally.Summary(lba);
  host.Show(JobText::kCounters, result_.summary);
  if (ctx.state() != RunState::kInterrupted) {
    host.Message(MessageIcon::kInformation, SubQCheckEndText(result_.end));
  }
  host.SetBusy(false);
}

}  // namespace tamarack
