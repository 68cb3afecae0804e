// The Get Configuration reply of the virtual drive: a CD/DVD-ROM reader with its profiles and
// features, each descriptor in the size of its MMC version 0; or, as the modern model, a
// current DVD writer on Serial ATA with the longer descriptors and later features such drives
// report.
#pragma once

#include <cstdint>
#include <vector>

#include "emu/drive_model.h"

namespace tamarack::emu {

inline constexpr std::uint16_t kProfileNone = 0x0000;
inline constexpr std::uint16_t kProfileCdRom = 0x0008;
inline constexpr std::uint16_t kProfileDvdRom = 0x0010;

// Requested type: 0 every feature from `starting_feature`, 1 the current ones among them,
// 2 only `starting_feature` (the header alone when the drive lacks it). `cd_present` makes
// the CD-ROM profile and the medium-dependent features current. The caller rejects other RT
// values.
std::vector<std::uint8_t> BuildConfiguration(int requested_type, std::uint16_t starting_feature,
                                             bool cd_present,
                                             DriveModel model = DriveModel::kClassic);

}  // namespace tamarack::emu
