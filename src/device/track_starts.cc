#include "device/track_starts.h"

#include <algorithm>
#include <array>
#include <map>

#include "device/device_session.h"
#include "util/bytes.h"
#include "util/msf.h"

namespace tamarack {

namespace {
constexpr std::uint8_t kLeadOut = 0xAA;
constexpr std::uint8_t kLeadOutPoint = 0xA2;
constexpr std::size_t kFullDescriptor = 11;

// The block address of a descriptor's PMIN, PSEC, PFRAME (binary).
std::int64_t PointLba(std::span<const std::uint8_t> d) { return LbaOfMsf(Msf{d[8], d[9], d[10]}); }
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

std::vector<SessionGap> SessionGapsOfFullToc(std::span<const std::uint8_t> reply,
                                             std::uint32_t received) {
  const std::size_t end =
      std::min<std::size_t>({reply.size(), received, std::size_t{2} + ReadBe16(reply, 0)});
  // Per session number: its lead-out start and its first track's start.
  std::map<int, std::int64_t> leadout;
  std::map<int, std::int64_t> first_track;
  for (std::size_t at = 4; at + kFullDescriptor <= end; at += kFullDescriptor) {
    const auto d = reply.subspan(at, kFullDescriptor);
    if ((d[1] >> 4) != 1) continue;  // ADR 1: positions
    const int session = d[0];
    const std::uint8_t point = d[3];
    if (point == kLeadOutPoint) {
      leadout[session] = PointLba(d);
    } else if (point >= 1 && point <= 99) {
      const std::int64_t start = PointLba(d);
      auto [it, added] = first_track.emplace(session, start);
      if (!added) it->second = std::min(it->second, start);
    }
  }
  std::vector<SessionGap> gaps;
  for (const auto& [session, out] : leadout) {
    const auto next = first_track.upper_bound(session);
    if (next == first_track.end() || next->second <= out) continue;
    gaps.push_back({out, next->second - 1});
  }
  return gaps;
}

std::vector<SessionGap> ReadSessionGaps(DeviceSession& session) {
  std::vector<std::uint8_t> toc(kFullTocBytes, 0);
  std::uint32_t transferred = 0;
  // Silent: a drive without the full TOC is read as one session, no error of the job's.
  if (!SendScsiCommand(
          session,
          MakeCdb({0x43, 0x02, 0x02, 0, 0, 0, 1, static_cast<std::uint8_t>(kFullTocBytes >> 8),
                   static_cast<std::uint8_t>(kFullTocBytes & 0xFF)}),
          toc, &transferred, {.report = HostReport::kSilent})) {
    return {};
  }
  return SessionGapsOfFullToc(toc, transferred);
}

}  // namespace tamarack
