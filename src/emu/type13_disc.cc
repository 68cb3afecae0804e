// type13: the self-describing single-track data disc.
#include <memory>

#include "emu/built_in_discs.h"
#include "emu/synthetic_disc.h"
#include "emu/test_sector.h"

namespace tamarack::emu {

std::unique_ptr<Disc> MakeType13Disc() {
  DiscLayout layout;
  layout.sessions.push_back(SessionInfo{1, 1, 1, kType13Blocks, 0x00});
  TrackInfo t;
  t.number = 1;
  t.mode = TrackMode::kMode1;
  t.control = kControlData;
  t.pregap_start = -150;
  t.start = 0;
  t.end = kType13Blocks;
  layout.tracks.push_back(t);
  return std::make_unique<SyntheticDisc>(
      "type13", std::move(layout),
      [](const TrackInfo&, std::int32_t lba, std::span<std::uint8_t> user) {
        FillTestSector(lba, user);
      });
}

}  // namespace tamarack::emu
