// How far the disc reaches: its last block (Read Capacity) and where its tracks begin (Read TOC
// format 0), read one way for every job and tab that needs the range of a disc.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/device_session.h"
#include "mmc/track_starts.h"

namespace tamarack::mmc {

struct DiscExtent {
  CommandOutcome capacity;                   // Read Capacity as it ended
  std::optional<std::uint32_t> last_lba;     // when it was good and held the last block
  CommandOutcome toc;                        // Read TOC as it ended (kNoDevice: not read)
  std::optional<std::uint32_t> first_start;  // the first descriptor's start, when it was good
  std::vector<std::int32_t> track_starts;    // as TrackStartsOfToc gives them
};

struct DiscExtentRequest {
  bool toc = true;  // false: the last block alone
  // The Read TOC's allocation length, and the room its reply is read into.
  std::uint16_t toc_length = kTrackTocBytes;
};

// The extent from the two replies as they came (`capacity_bytes` and `toc_bytes` received),
// each part only where its command was good.
void ParseDiscExtent(std::span<const std::uint8_t> capacity, std::uint32_t capacity_bytes,
                     std::span<const std::uint8_t> toc, std::uint32_t toc_bytes, DiscExtent* e);

// Sends Read Capacity and, when asked, Read TOC (format 0): plain reads told to the host.
DiscExtent ReadDiscExtent(DeviceSession& session, const DiscExtentRequest& request = {});

}  // namespace tamarack::mmc
