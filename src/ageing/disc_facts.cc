#include "ageing/disc_facts.h"

#include <algorithm>
#include <array>

#include "decode/inquiry.h"
#include "mmc/disc_extent.h"
#include "mmc/inquiry.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::size_t kModelInquiryLength = 255;

}  // namespace

void ReadDiscBounds(DeviceSession& session, const std::vector<std::int32_t>& track_starts,
                    AgeingSettings* s) {
  if (const auto last = mmc::ReadDiscExtent(session, {.toc = false}).last_lba) {
    s->last_lba = static_cast<std::int32_t>(*last);
  }
  s->first_track_lba = track_starts.empty() ? s->start_lba : track_starts.front();
}

std::optional<std::string> RangeOutsideDisc(const AgeingSettings& s) {
  if (s.mode.loop() != LoopMode::kOnce || s.last_lba <= 0 || s.start_lba <= s.last_lba) {
    return std::nullopt;
  }
  return StrFormat("Start LBA %d lies past the disc's last block (%d)", s.start_lba, s.last_lba);
}

std::optional<std::string> StepGoesNowhere(const AgeingSettings& s) {
  if (s.mode.loop() != LoopMode::kOnce || s.step > 0) return std::nullopt;
  return StrFormat("A single pass needs a Step of 1 or more: Step %d would read LBA %d forever",
                   s.step, s.start_lba);
}

std::string ReadModelName(DeviceSession& session) {
  if (!session.HasDevice()) return {};
  // Inquiry as the Properties tab sends it: 255 bytes into a zero-filled buffer.
  std::vector<std::uint8_t> reply(kModelInquiryLength, 0);
  const CommandOutcome outcome = session.Run(mmc::InquiryCdb(), reply);
  if (outcome.status != CommandStatus::kGood) return {};
  const std::size_t moved = std::min<std::size_t>(outcome.result.transferred, reply.size());
  return SaveInquiryIdentity(std::span<const std::uint8_t>(reply).first(moved)).ModelName();
}

}  // namespace tamarack
