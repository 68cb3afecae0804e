#include "measure/c2_record.h"

#include <bit>

#include "util/message_catalogue.h"
#include "util/msf.h"
#include "util/strings.h"

namespace tamarack {
namespace {

long long AsLong(std::int64_t v) { return static_cast<long long>(v); }
unsigned long long AsUlong(std::uint64_t v) { return static_cast<unsigned long long>(v); }

// The unreadable blocks a summary names; the file names them all.
constexpr std::size_t kNamedUnreadable = 8;

}  // namespace

std::uint32_t CountC2Bits(std::span<const std::uint8_t> field) {
  std::uint32_t n = 0;
  for (const std::uint8_t b : field) n += static_cast<std::uint32_t>(std::popcount(b));
  return n;
}

C2Second& C2Record::SecondOf(std::int64_t lba) {
  const auto index = static_cast<std::size_t>((lba - first_) / kC2BlocksPerSecond);
  while (seconds_.size() <= index) {
    C2Second s;
    s.first_lba = first_ + static_cast<std::int64_t>(seconds_.size()) * kC2BlocksPerSecond;
    seconds_.push_back(s);
  }
  return seconds_[index];
}

void C2Record::Read(std::int64_t lba, std::uint32_t bits, bool edc_failed) {
  ++scanned_;
  C2Second& s = SecondOf(lba);
  s.errors += bits;
  if (bits > 0) ++s.error_blocks;
  if (edc_failed) ++s.edc_failed;
  if (bits > 0 || edc_failed) blocks_.push_back({lba, bits, false, edc_failed});
}

void C2Record::Unreadable(std::int64_t lba) {
  ++scanned_;
  ++SecondOf(lba).unreadable;
  blocks_.push_back({lba, 0, true, false});
}

C2Summary SummarizeC2(const C2Record& record, std::optional<std::uint64_t> max_per_second) {
  C2Summary s;
  s.blocks = record.blocks_scanned();
  for (const C2Second& second : record.seconds()) {
    s.errors += second.errors;
    s.error_blocks += second.error_blocks;
    s.unreadable += second.unreadable;
    s.edc_failed += second.edc_failed;
    if (second.errors > 0 && (!s.worst || second.errors > s.worst->errors)) s.worst = second;
    if (max_per_second && second.errors > *max_per_second) ++s.seconds_over_limit;
  }
  for (const C2Block& b : record.blocks()) {
    if (b.bits >= kC2BadBlockBits) ++s.bad_blocks;
  }
  const std::int64_t asked = record.last_lba() - record.first_lba() + 1;
  s.complete = asked > 0 && s.blocks == static_cast<std::uint64_t>(asked);
  s.pass = s.complete && s.unreadable == 0 && s.bad_blocks == 0 && s.edc_failed == 0 &&
           s.seconds_over_limit == 0;
  return s;
}

namespace {

// The lines in the CLI's fixed English or, `local`, in the window's language; each pair of
// texts side by side, so that the compilers check both against the arguments.
std::string SummaryText(const C2Record& record, const C2Summary& s,
                        std::optional<std::uint64_t> max_per_second, bool local) {
  std::string t =
      StrFormat(local ? Tr("C2 ｴﾗｰ: %llu (%llu ﾌﾞﾛｯｸ, %u ﾋﾞｯﾄ以上の不良ﾌﾞﾛｯｸ: %llu)\n")
                      : "C2 errors: %llu in %llu blocks (bad blocks, %u bits or more: %llu)\n",
                AsUlong(s.errors), AsUlong(s.error_blocks), kC2BadBlockBits, AsUlong(s.bad_blocks));
  if (s.worst) {
    const Msf m = MsfOfLba(s.worst->first_lba);
    t += StrFormat(local ? Tr("最多の1秒: C2 ｴﾗｰ %llu, LBA %lld (%02lld:%02lld:%02lld)\n")
                         : "worst second: %llu C2 errors at LBA %lld (%02lld:%02lld:%02lld)\n",
                   AsUlong(s.worst->errors), AsLong(s.worst->first_lba), AsLong(m.minutes),
                   AsLong(m.seconds), AsLong(m.frames));
  } else {
    t += local ? Tr("最多の1秒: なし\n") : "worst second: none\n";
  }
  t += StrFormat(local ? Tr("読めないﾌﾞﾛｯｸ: %llu") : "unreadable blocks: %llu",
                 AsUlong(s.unreadable));
  std::size_t named = 0;
  for (const C2Block& b : record.blocks()) {
    if (!b.unreadable) continue;
    if (named == kNamedUnreadable) {
      t += ", ...";
      break;
    }
    t += StrFormat(named == 0 ? " (LBA %lld" : ", %lld", AsLong(b.lba));
    ++named;
  }
  t += named > 0 ? ")\n" : "\n";
  t +=
      StrFormat(local ? Tr("EDC 不一致: %llu\n") : "EDC mismatches: %llu\n", AsUlong(s.edc_failed));
  if (max_per_second) {
    t +=
        StrFormat(local ? Tr("C2 ｴﾗｰ %llu 超の秒: %llu\n") : "seconds above %llu C2 errors: %llu\n",
                  AsUlong(*max_per_second), AsUlong(s.seconds_over_limit));
  }
  if (!s.complete) {
    t += StrFormat(local ? Tr("C2 ｽｷｬﾝ: 未完了, %llu / %lld ﾌﾞﾛｯｸ\n")
                         : "C2 scan: incomplete, %llu of %lld blocks scanned\n",
                   AsUlong(s.blocks), AsLong(record.last_lba() - record.first_lba() + 1));
  } else if (s.pass) {
    t += local ? Tr("C2 ｽｷｬﾝ: 合格\n") : "C2 scan: pass\n";
  } else {
    t += local ? Tr("C2 ｽｷｬﾝ: 不合格\n") : "C2 scan: fail\n";
  }
  return t;
}

}  // namespace

std::string C2SummaryText(const C2Record& record, const C2Summary& s,
                          std::optional<std::uint64_t> max_per_second) {
  return SummaryText(record, s, max_per_second, false);
}

std::string C2SummaryLocalText(const C2Record& record, const C2Summary& s,
                               std::optional<std::uint64_t> max_per_second) {
  return SummaryText(record, s, max_per_second, true);
}

std::string FormatC2File(const C2Record& record, const std::string& model) {
  // Line ends in the model would start lines of their own.
  std::string name = model;
  for (char& c : name) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::string t = "model=" + name + "\n";
  t += StrFormat("first=%lld\nlast=%lld\n", AsLong(record.first_lba()), AsLong(record.last_lba()));
  for (const C2Second& s : record.seconds()) {
    t += StrFormat("second=%lld %llu %u %u %u\n", AsLong(s.first_lba), AsUlong(s.errors),
                   s.error_blocks, s.unreadable, s.edc_failed);
  }
  for (const C2Block& b : record.blocks()) {
    t += StrFormat("block=%lld %u%s%s\n", AsLong(b.lba), b.bits, b.unreadable ? " unreadable" : "",
                   b.edc_failed ? " edc" : "");
  }
  return t;
}

}  // namespace tamarack
