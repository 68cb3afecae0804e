#include "device/track_starts.h"

#include <algorithm>
#include <array>

#include "device/device_session.h"
#include "util/bytes.h"

namespace tamarack {

namespace {
constexpr std::uint8_t kLeadOut = 0xAA;
}  // namespace

std::vector<std::int32_t> TrackStartsOfToc(std::span<const std::uint8_t> reply,
                                           std::uint32_t received) {
  const std::size_t end =
      std::min<std::size_t>({reply.size(), received, std::size_t{2} + ReadBe16(reply, 0)});
  std::vector<std::int32_t> starts;
  for (std::size_t at = 4; at + 8 <= end; at += 8) {
    const std::uint8_t track = reply[at + 2];
    if (track == 0 || track == kLeadOut) continue;
    starts.push_back(static_cast<std::int32_t>(ReadBe32(reply, at + 4)));
  }
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  return starts;
}

std::vector<std::int32_t> ReadTrackStarts(DeviceSession& session) {
  std::array<std::uint8_t, kTrackTocBytes> toc{};
  const CommandOutcome out =
      session.Run(MakeCdb({0x43, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(kTrackTocBytes >> 8),
                           static_cast<std::uint8_t>(kTrackTocBytes & 0xFF)}),
                  toc);
  if (out.status != CommandStatus::kGood) return {};
  return TrackStartsOfToc(toc, out.result.transferred);
}

}  // namespace tamarack
