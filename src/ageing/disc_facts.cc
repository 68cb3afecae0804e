#include "ageing/disc_facts.h"

#include <algorithm>
#include <array>

#include "decode/properties.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

constexpr std::uint32_t kVolumeDescriptorLba = 16;
constexpr std::size_t kVolumeIdAt = 40;
constexpr std::size_t kVolumeIdLength = 32;

}  // namespace

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

std::string VolumeLabelOf(std::span<const std::uint8_t> block) {
  static constexpr std::uint8_t kPrimary[] = {1, 'C', 'D', '0', '0', '1'};
  if (block.size() < kVolumeIdAt + kVolumeIdLength ||
      !std::equal(std::begin(kPrimary), std::end(kPrimary), block.begin())) {
    return "";
  }
  std::string label;
  for (std::uint8_t b : block.subspan(kVolumeIdAt, kVolumeIdLength)) {
    label.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '?');
  }
  while (!label.empty() && label.back() == ' ') label.pop_back();
  return label;
}

std::string ReadVolumeLabel(DeviceSession& session) {
  std::array<std::uint8_t, 2048> block{};
  std::uint32_t moved = 0;
  Cdb cdb = MakeCdb({0x28});
  WriteBe32(cdb, 2, kVolumeDescriptorLba);
  WriteBe16(cdb, 7, 1);
  if (!SendScsiCommand(session, cdb, block, false, &moved, false)) return "";
  return VolumeLabelOf(
      std::span<const std::uint8_t>(block).first(std::min<std::size_t>(moved, block.size())));
}

}  // namespace tamarack
