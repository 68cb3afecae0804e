// Read TOC/PMA/ATIP (43h), and the format 0 reply (the track descriptors) as one reader.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::mmc {

inline constexpr std::uint8_t kTocFormatTracks = 0;
inline constexpr std::uint8_t kTocFormatSessions = 1;
inline constexpr std::uint8_t kTocFormatFull = 2;
inline constexpr std::uint8_t kLeadOutTrack = 0xAA;
// Where a format 0 reply holds its first descriptor's start (LBA), bytes 8-11.
inline constexpr std::size_t kFirstDescriptorStart = 8;

struct ReadTocRequest {
  std::uint8_t format = kTocFormatTracks;  // byte 2
  bool msf = false;                        // byte 1 bit 1 (TIME)
  std::uint8_t track = 0;                  // byte 6: the first track (or session) asked for
  std::uint16_t length = 0xFF;             // bytes 7-8
};

inline Cdb ReadTocCdb(const ReadTocRequest& r) {
  Cdb cdb{kReadToc, static_cast<std::uint8_t>(r.msf ? 0x02 : 0x00), r.format, 0, 0, 0, r.track};
  WriteBe16(cdb, 7, r.length);
  return cdb;
}

// One track descriptor of a format 0 reply (LBA addresses).
struct TocTrack {
  std::uint8_t number = 0;   // 1-99, or AAh for the lead-out
  std::uint8_t control = 0;  // bits 3-0 of byte 1: bit 2 set is a data track
  std::uint32_t start = 0;   // bytes 4-7
  bool operator==(const TocTrack&) const = default;
};

struct TrackToc {
  std::uint8_t first_track = 0;  // byte 2
  std::uint8_t last_track = 0;   // byte 3
  std::vector<TocTrack> tracks;  // in the reply's order, the lead-out among them
};

// The descriptors inside the reply's own length (bytes 0-1), the span and `received`, whole
// ones only; nothing when not even the header came.
std::optional<TrackToc> ParseTrackToc(std::span<const std::uint8_t> reply, std::size_t received);

}  // namespace tamarack::mmc
