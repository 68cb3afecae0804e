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

// Blocks between two sessions, from one session's lead-out to the next session's program area
// (its first track's pregap): no track holds them and a drive refuses to read them.
struct SessionGap {
  std::int32_t first = 0;
  std::int32_t end = 0;  // the first block after the gap
  bool operator==(const SessionGap&) const = default;
};

// Room for a full TOC (format 2) reply of 99 tracks in up to 99 sessions' A0-A2, B0 and C0.
inline constexpr std::uint16_t kFullTocBytes = 4 + (99 + 5 * 99) * 11;

// The gaps of a full TOC (format 2) reply, ascending: each session's lead-out (A2) up to the
// next session's program area (its B0 point, else its first track's start). Descriptors past
// the reply's own length or `received` are left out, and so is a gap that would be empty.
std::vector<SessionGap> SessionGapsOfFullToc(std::span<const std::uint8_t> reply,
                                             std::uint32_t received);

// Reads the full TOC and gives its gaps; none for a disc of one session or a TOC that cannot
// be read.
std::vector<SessionGap> ReadSessionGaps(DeviceSession& session);

}  // namespace tamarack
