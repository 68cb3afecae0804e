// Where the disc's tracks begin, for the jobs that read across tracks of different sector types
// and learn each track's block size where it starts.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tamarack {

class DeviceSession;

// Room for a Read TOC (format 0) reply of 99 tracks and the lead-out.
inline constexpr std::uint16_t kTrackTocBytes = 4 + 100 * 8;

// The start LBA of each track a Read TOC (format 0) reply holds, ascending, each once: the
// descriptors inside the reply's own length and the `received` bytes, the lead-out (AAh) and
// track 0 left out.
std::vector<std::int32_t> TrackStartsOfToc(std::span<const std::uint8_t> reply,
                                           std::uint32_t received);

// Reads the TOC (format 0) and gives its track starts; none when it cannot be read.
std::vector<std::int32_t> ReadTrackStarts(DeviceSession& session);

// Addresses between two sessions that hold nothing a drive reads: from one session's lead-out
// start to the block before the next session's first track (its lead-out, the next lead-in
// and that track's pregap).
struct SessionGap {
  std::int64_t first = 0;
  std::int64_t last = 0;
};

// Room for a Read TOC (format 2) reply of 99 tracks and the points of 99 sessions.
inline constexpr std::uint16_t kFullTocBytes = 4 + (99 + 99 * 6) * 11;

// The gaps a Read TOC (format 2, the full TOC) reply shows, ascending: for every session but
// the last, its lead-out start (point A2h) to the first track start of the next session, both
// as the descriptors inside the reply's own length and the `received` bytes give them. A
// session without one of them, or a next session that starts before its lead-out, gives none.
std::vector<SessionGap> SessionGapsOfFullToc(std::span<const std::uint8_t> reply,
                                             std::uint32_t received);

// Reads the full TOC and gives its gaps; none when it cannot be read (one session assumed).
std::vector<SessionGap> ReadSessionGaps(DeviceSession& session);

}  // namespace tamarack
