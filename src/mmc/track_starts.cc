#include "mmc/track_starts.h"

#include <algorithm>
#include <array>
#include <optional>

#include "device/device_session.h"
#include "mmc/read_toc.h"
#include "util/bytes.h"
#include "util/msf.h"

namespace tamarack {

namespace {
constexpr std::size_t kFullDescriptor = 11;
constexpr std::uint8_t kPointLeadOut = 0xA2;
constexpr std::uint8_t kPointNextArea = 0xB0;

std::int32_t LbaOfBytes(std::span<const std::uint8_t> msf) {
  return static_cast<std::int32_t>(LbaOfMsf(Msf{msf[0], msf[1], msf[2]}));
}

// What the full TOC says of one session.
struct SessionPoints {
  int number = 0;
  std::optional<std::int32_t> leadout;
  std::optional<std::int32_t> next_area;    // B0: the next session's program area
  std::optional<std::int32_t> first_track;  // the lowest track start
};
}  // namespace

std::vector<std::int32_t> TrackStartsOfToc(std::span<const std::uint8_t> reply,
                                           std::uint32_t received) {
  std::vector<std::int32_t> starts;
  const std::optional<mmc::TrackToc> toc = mmc::ParseTrackToc(reply, received);
  if (!toc) return starts;
  for (const mmc::TocTrack& t : toc->tracks) {
    if (t.number == 0 || t.number == mmc::kLeadOutTrack) continue;
    starts.push_back(static_cast<std::int32_t>(t.start));
  }
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  return starts;
}

std::vector<std::int32_t> ReadTrackStarts(DeviceSession& session) {
  std::array<std::uint8_t, kTrackTocBytes> toc{};
  const CommandOutcome out = session.Run(mmc::ReadTocCdb({.length = kTrackTocBytes}), toc);
  if (out.status != CommandStatus::kGood) return {};
  return TrackStartsOfToc(toc, out.result.transferred);
}

}  // namespace tamarack

namespace tamarack {

std::vector<SessionGap> SessionGapsOfFullToc(std::span<const std::uint8_t> reply,
                                             std::uint32_t received) {
  if (reply.size() < 4) return {};
  const std::size_t end =
      std::min<std::size_t>({reply.size(), received, std::size_t{2} + ReadBe16(reply, 0)});
  std::vector<SessionPoints> sessions;
  for (std::size_t at = 4; at + kFullDescriptor <= end; at += kFullDescriptor) {
    const int number = reply[at];
    if (sessions.empty() || sessions.back().number != number) {
      sessions.push_back(SessionPoints{number, std::nullopt, std::nullopt, std::nullopt});
    }
    SessionPoints& s = sessions.back();
    const std::uint8_t point = reply[at + 3];
    const int adr = reply[at + 1] >> 4;  // 1: positions; 5: B0's next program area
    if (adr == 5 && point == kPointNextArea) s.next_area = LbaOfBytes(reply.subspan(at + 4, 3));
    if (adr != 1) continue;
    if (point == kPointLeadOut) s.leadout = LbaOfBytes(reply.subspan(at + 8, 3));
    if (point >= 1 && point <= 99) {
      const std::int32_t start = LbaOfBytes(reply.subspan(at + 8, 3));
      s.first_track = std::min(s.first_track.value_or(start), start);
    }
  }
  std::vector<SessionGap> gaps;
  for (std::size_t i = 0; i + 1 < sessions.size(); ++i) {
    const std::optional<std::int32_t> next =
        sessions[i].next_area ? sessions[i].next_area : sessions[i + 1].first_track;
    if (!sessions[i].leadout || !next || *next <= *sessions[i].leadout) continue;
    if (!gaps.empty() && *sessions[i].leadout < gaps.back().end) continue;
    gaps.push_back({*sessions[i].leadout, *next});
  }
  return gaps;
}

std::vector<SessionGap> ReadSessionGaps(DeviceSession& session) {
  std::vector<std::uint8_t> toc(kFullTocBytes);
  const CommandOutcome out = session.Run(
      mmc::ReadTocCdb(
          {.format = mmc::kTocFormatFull, .msf = true, .track = 1, .length = kFullTocBytes}),
      toc);
  if (out.status != CommandStatus::kGood) return {};
  return SessionGapsOfFullToc(toc, out.result.transferred);
}

}  // namespace tamarack
