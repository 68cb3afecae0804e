#include "ageing/disc_facts.h"

#include <algorithm>
#include <array>

#include "util/bytes.h"
#include "views/properties.h"

namespace tamarack {

void ReadDiscBounds(DeviceSession& session, AgeingSettings* s) {
  std::array<std::uint8_t, 8> capacity{};
  std::uint32_t moved = 0;
  if (SendScsiCommand(session, MakeCdb({0x25}), capacity, false, &moved, false) && moved >= 4) {
    s->last_lba = static_cast<std::int32_t>(ReadBe32(capacity, 0));
  }
  std::array<std::uint8_t, 255> toc{};
  moved = 0;
  if (SendScsiCommand(session, MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0, 0xFF}), toc, false, &moved,
                      false) &&
      moved >= 12) {
    s->first_track_lba = static_cast<std::int32_t>(ReadBe32(toc, 8));
  } else {
    s->first_track_lba = s->start_lba;
  }
}

std::string ReadModelName(DeviceSession& session) {
  const PropertiesResult properties = FillPropertiesTab(session);
  return properties.identity ? properties.identity->ModelName() : std::string();
}

}  // namespace tamarack
