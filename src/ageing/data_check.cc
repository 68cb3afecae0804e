#include "ageing/data_check.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::size_t kMinutesAt = 13, kSecondsAt = 16, kFramesAt = 19;
constexpr std::size_t kChecksumAt = 2046;

// A number written in the sector from `at` on: digits up to the first other byte, never
// reading past the sector.
int NumberAt(std::span<const std::uint8_t> sector, std::size_t at) {
  const std::string_view text(reinterpret_cast<const char*>(sector.data()) + at,
                              sector.size() - at);
  return DecimalValue(text.substr(0, std::min<std::size_t>(text.size(), 12)));
}

// The sum of the 1023 little-endian words at bytes 0-2045, modulo 65536: 16-bit lanes that
// wrap on their own, so the compiler adds many words at once.
std::uint16_t SectorSum(std::span<const std::uint8_t> sector) {
  constexpr std::size_t kWords = kChecksumAt / 2;
  std::uint16_t sum = 0;
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint8_t* p = sector.data();
    for (std::size_t i = 0; i < kWords; ++i) {
      std::uint16_t w;
      std::memcpy(&w, p + 2 * i, 2);
      sum = static_cast<std::uint16_t>(sum + w);
    }
  } else {
    for (std::size_t i = 0; i < kChecksumAt; i += 2) {
      sum = static_cast<std::uint16_t>(sum + (sector[i] | (sector[i + 1] << 8)));
    }
  }
  return sum;
}

}  // namespace

AgeingDataCheck::AgeingDataCheck(const AgeingSettings& settings, std::function<std::string()> stamp,
                                 std::vector<std::pair<std::uint32_t, std::uint32_t>> unread)
    : s_(settings), stamp_(std::move(stamp)), unread_(std::move(unread)) {}

void AgeingDataCheck::Mark(std::size_t block) {
  if (block < marks_.size()) marks_[block] = true;
}

bool AgeingDataCheck::Check(const CheckedRead& read) {
  if (!s_.data_check) return true;
  marks_.fill(false);
  message_.clear();
  if (read.block_size == 0) return false;  // the run never checks without a size
  const auto answered = static_cast<std::int64_t>(read.data.size() / read.block_size);
  if (answered != read.blocks) {
    message_ = StrFormat("\nData Check NG!(Request(%d)!=Answer(%d)) lba:%08d(%08xh)", read.blocks,
                         static_cast<int>(answered), read.lba, static_cast<unsigned>(read.lba)) +
               stamp_();
    return false;
  }
  if (s_.data_check_type == DataCheckType::kOther) return CheckReference(read);
  return CheckTestSectors(read);
}

bool AgeingDataCheck::CheckTestSectors(const CheckedRead& read) {
  const bool letters = s_.data_check_type == DataCheckType::kType30;
  bool ok = true;
  for (std::int32_t i = 0; i < read.blocks; ++i) {
    // Each block's user data begins with its test sector, whatever the block's size (2324
    // bytes of an XA form 2 block hold the 2048 of the test sector and more).
    const std::size_t at = static_cast<std::size_t>(i) * read.block_size;
    // Printed as the 32-bit number the drive was sent.
    const auto lba = static_cast<std::int32_t>(static_cast<std::uint32_t>(read.lba) +
                                               static_cast<std::uint32_t>(i));
    const auto ulba = static_cast<unsigned>(lba);
    if (read.block_size < kTestSectorBytes || at + kTestSectorBytes > read.data.size()) {
      Mark(static_cast<std::size_t>(i));  // no whole test sector in this block
      ok = false;
      continue;
    }
    const auto sector = read.data.subspan(at, kTestSectorBytes);
    if (letters && (sector[15] != 'm' || sector[18] != 's' || sector[21] != 'f')) {
      Mark(static_cast<std::size_t>(i));
      ok = false;
      continue;
    }
    const int mm = NumberAt(sector, kMinutesAt);
    const int ss = NumberAt(sector, kSecondsAt);
    const int ff = NumberAt(sector, kFramesAt);
    const std::int64_t frames = (std::int64_t{mm} * 60 + ss) * 75 + ff;
    const std::int64_t expected = std::int64_t{read.lba} + i + 150;
    if (frames != expected) {
      Mark(static_cast<std::size_t>(i));
      if (ok) {
        message_ = StrFormat("MSF Check NG! lba:%08d(%08xh) mm:%02d ss:%02d ff:%02d (+- %08d)", lba,
                             ulba, mm, ss, ff, static_cast<int>(expected - frames));
      }
      ok = false;
      continue;
    }
    const std::uint16_t sum = SectorSum(sector);
    const auto stored =
        static_cast<std::uint16_t>(sector[kChecksumAt] | (sector[kChecksumAt + 1] << 8));
    if (sum != stored) {
      Mark(static_cast<std::size_t>(i));
      if (ok) {
        message_ = StrFormat("Check sum NG! lba:%08d(%08xh) sum:%02x checksum:%02x", lba, ulba, sum,
                             stored);
      }
      ok = false;
    } else if (message_.empty()) {
      message_ =
          StrFormat("Check sum OK! lba:%08d(%08xh) mm:%02d ss:%02d ff:%02d", lba, ulba, mm, ss, ff);
    }
  }
  return ok;
}

bool AgeingDataCheck::ReadReference(std::int32_t lba, std::uint32_t block_size, std::int32_t blocks,
                                    std::vector<std::uint8_t>* out) const {
  out->clear();
  if (!reference_tried_) {
    reference_tried_ = true;
    if (!s_.data_file.empty()) reference_file_.Open(s_.data_file, nullptr);
  }
  if (!reference_file_.is_open()) return false;
  const std::optional<std::uint64_t> offset =
      ReferenceOffset(ReferenceFirstLba(s_.start_lba, s_.end_lba), lba, block_size);
  if (!offset) return true;  // before the file's first block: nothing to compare with
  const std::size_t want = std::size_t{block_size} * static_cast<std::size_t>(std::max(blocks, 0));
  out->resize(want);
  out->resize(reference_file_.ReadAt(*offset, *out));
  return true;
}

bool AgeingDataCheck::CheckReference(const CheckedRead& read) {
  const std::uint32_t bs = read.block_size;
  if (!ReadReference(read.lba, bs, read.blocks, &reference_)) return false;  // empty message
  const std::size_t want = std::size_t{bs} * static_cast<std::size_t>(std::max(read.blocks, 0));
  bool ok = true;
  std::size_t first_bad = want;
  // The blocks the file holds as filler (its list of unread blocks) are not compared.
  const auto unread = [this, &read](std::size_t block) {
    const std::uint64_t lba = static_cast<std::uint32_t>(read.lba) + block;
    return std::any_of(unread_.begin(), unread_.end(),
                       [lba](const auto& r) { return lba >= r.first && lba <= r.second; });
  };
  // Bytes the file or the reply does not hold count as different.
  for (std::size_t i = 0; i < want; ++i) {
    const bool same =
        i < reference_.size() && i < read.data.size() && reference_[i] == read.data[i];
    if (same) continue;
    if (!unread_.empty() && unread(i / bs)) {
      i = (i / bs + 1) * bs - 1;  // on to the next block
      continue;
    }
    Mark(i / bs);
    if (first_bad == want) first_bad = i;
    ok = false;
  }
  if (!ok) {
    const auto lba = static_cast<std::int32_t>(static_cast<std::uint32_t>(read.lba) +
                                               static_cast<std::uint32_t>(first_bad / bs));
    message_ =
        StrFormat("Data Check NG! lba:%08d(%08xh)", lba, static_cast<unsigned>(lba)) + stamp_();
    return false;
  }
  message_ = StrFormat("Data Check Ok! TotalSize(%zu Bytes),blk=%d,blksize=%u,lba=%d", want,
                       read.blocks, bs, read.lba);
  return true;
}

}  // namespace tamarack
