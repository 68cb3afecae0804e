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

}  // namespace tamarack
