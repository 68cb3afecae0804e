// A disc as the virtual drive sees it: its layout (sessions, tracks, indexes, control bits,
// MCN, ISRC, CD-TEXT) and every raw sector, built on demand.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "util/msf.h"

namespace tamarack::emu {

inline constexpr std::size_t kRawSectorSize = 2352;
inline constexpr std::size_t kSubchannelSize = 96;
inline constexpr std::size_t kC2Size = 294;

enum class TrackMode {
  kAudio,
  kMode1,          // 2048 user bytes, EDC and ECC
  kMode2Formless,  // 2336 user bytes
  kMode2Form1,     // XA: sub-header, 2048 user bytes, EDC and ECC
  kMode2Form2,     // XA: sub-header, 2324 user bytes, optional EDC
};

// Q control nibble bits.
inline constexpr std::uint8_t kControlPreEmphasis = 0x01;
inline constexpr std::uint8_t kControlCopyPermitted = 0x02;
inline constexpr std::uint8_t kControlData = 0x04;
inline constexpr std::uint8_t kControlFourChannel = 0x08;

struct IndexPoint {
  int number = 0;  // 2..99 (index 0 and 1 are the track's pregap_start and start)
  std::int32_t lba = 0;
};

struct TrackInfo {
  int number = 1;  // 1..99
  int session = 1;
  TrackMode mode = TrackMode::kMode1;
  std::uint8_t control = kControlData;
  std::int32_t pregap_start = 0;  // index 0; equals `start` when the track has no pregap
  std::int32_t start = 0;         // index 1
  std::int32_t end = 0;           // one past the last block of the track
  std::vector<IndexPoint> indexes;
  std::string isrc;  // 12 characters, or empty
};

struct SessionInfo {
  int number = 1;
  int first_track = 1;
  int last_track = 1;
  std::int32_t leadout_start = 0;  // first block of this session's lead-out
  std::uint8_t disc_type = 0x00;   // A0 point's PSEC: 00h CD-DA/CD-ROM, 10h CD-I, 20h CD-ROM XA
};

// What ATIP a recordable disc carries (pressed discs have none).
struct AtipInfo {
  std::array<std::uint8_t, 24> bytes{};  // the ATIP descriptor as Read TOC format 4 returns it
};

struct DiscLayout {
  std::vector<SessionInfo> sessions;  // in order, at least one
  std::vector<TrackInfo> tracks;      // in order of number
  std::string mcn;                    // 13 digits, or empty
  // CD-TEXT packs, 18 bytes each with their CRC, as Read TOC format 5 returns them.
  std::vector<std::array<std::uint8_t, 18>> cd_text_packs;
  std::optional<AtipInfo> atip;

  // The lead-out of the last session: the disc's capacity in blocks.
  std::int32_t LeadoutStart() const { return sessions.empty() ? 0 : sessions.back().leadout_start; }
  // The track whose blocks (pregap included) hold `lba`, or null (lead-in, lead-out, gaps
  // between sessions).
  const TrackInfo* TrackAt(std::int32_t lba) const {
    for (const TrackInfo& t : tracks) {
      if (lba >= t.pregap_start && lba < t.end) return &t;
    }
    return nullptr;
  }
};

// One block as it lies on the disc.
struct RawSector {
  std::array<std::uint8_t, kRawSectorSize> main{};  // sync..ECC, or audio samples
  std::array<std::uint8_t, kSubchannelSize> sub{};  // raw P-W: bit 7 P, bit 6 Q, ... bit 0 W
  std::array<std::uint8_t, kC2Size> c2{};           // one bit per main byte, set = C2 error
};

// A disc: the layout plus a sector source. Implementations are built-in test discs and user
// images. ReadSector may be called from any one thread at a time.
class Disc {
 public:
  virtual ~Disc() = default;
  virtual const DiscLayout& Layout() const = 0;
  // A short name for titles and logs ("type13", "/path/image.cue").
  virtual std::string Name() const = 0;
  // Builds block `lba` (from -150 up to the lead-out; lead-out blocks are built too). Returns
  // false with a reason when an image cannot be read.
  virtual bool ReadSector(std::int32_t lba, RawSector* out, std::string* error) const = 0;

  // The 2048 user bytes of a block of a Mode 1 track (main bytes 16 to 2063) for the plain
  // block reads, which need nothing else of the sector. The default builds the whole sector;
  // discs that hold or make user data directly skip the EDC and ECC work.
  virtual bool ReadMode1UserData(std::int32_t lba, std::span<std::uint8_t, 2048> out,
                                 std::string* error) const {
    RawSector sector;
    if (!ReadSector(lba, &sector, error)) return false;
    std::copy_n(sector.main.begin() + 16, out.size(), out.begin());
    return true;
  }

  // The user bytes of `count` blocks of one Mode 1 track from `lba` into `out` (count x 2048
  // bytes). Block by block by default; an image that holds them one after another reads them in
  // one go.
  virtual bool ReadMode1Run(std::int32_t lba, std::int32_t count, std::span<std::uint8_t> out,
                            std::string* error) const {
    for (std::int32_t i = 0; i < count; ++i) {
      const std::span<std::uint8_t, 2048> block(
          out.data() + std::size_t{2048} * static_cast<std::size_t>(i), 2048);
      if (!ReadMode1UserData(lba + i, block, error)) return false;
    }
    return true;
  }
};

}  // namespace tamarack::emu
