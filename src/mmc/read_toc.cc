#include "mmc/read_toc.h"

#include <algorithm>

namespace tamarack::mmc {

namespace {
constexpr std::size_t kDescriptor = 8;
}  // namespace

std::optional<TrackToc> ParseTrackToc(std::span<const std::uint8_t> reply, std::size_t received) {
  const std::size_t got = std::min(reply.size(), received);
  if (got < 4) return std::nullopt;
  const std::size_t end = std::min<std::size_t>(got, std::size_t{2} + ReadBe16(reply, 0));
  TrackToc toc;
  toc.first_track = reply[2];
  toc.last_track = reply[3];
  for (std::size_t at = 4; at + kDescriptor <= end; at += kDescriptor) {
    toc.tracks.push_back(
        {reply[at + 2], static_cast<std::uint8_t>(reply[at + 1] & 0x0F), ReadBe32(reply, at + 4)});
  }
  return toc;
}

}  // namespace tamarack::mmc
