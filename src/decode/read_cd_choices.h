// The field choices of MMC Read CD (BEh) and Read CD MSF (B9h): the expected sector type and
// RelADR of CDB byte 1, the main-channel selection of byte 9 (sync, header codes, user data,
// EDC and ECC, error field) and the sub-channel selection of byte 10. One table serves the
// parameter forms of the Command tab and the sector dump's detail dialog.
#pragma once

#include <cstdint>

#include "form/form_layout.h"

namespace tamarack {

// CDB bytes and masks of the fields.
inline constexpr std::size_t kReadCdTypeByte = 1;
inline constexpr std::uint8_t kExpectedSectorTypeMask = 0x1C;  // bits 4-2
inline constexpr std::uint8_t kRelAdrBit = 0x01;
inline constexpr std::size_t kReadCdMainByte = 9;
inline constexpr std::uint8_t kSyncBit = 0x80;
inline constexpr std::uint8_t kHeaderCodesMask = 0x60;
inline constexpr std::uint8_t kHeaderOnly = 0x20;
inline constexpr std::uint8_t kSubHeaderOnly = 0x40;
inline constexpr std::uint8_t kUserDataBit = 0x10;
inline constexpr std::uint8_t kEdcEccBit = 0x08;
inline constexpr std::uint8_t kErrorFieldMask = 0x06;
inline constexpr std::uint8_t kC2ErrorBits = 0x02;
inline constexpr std::uint8_t kC2AndBlockErrorBits = 0x04;
inline constexpr std::size_t kReadCdSubByte = 10;
inline constexpr std::uint8_t kSubChannelMask = 0x07;
inline constexpr std::uint8_t kSubChannelRaw = 1;
inline constexpr std::uint8_t kSubChannelQ = 2;
inline constexpr std::uint8_t kSubChannelPw = 4;

// Entries of the choice boxes, each with the bits it stands for as they lie in the byte.
inline constexpr Choice kExpectedSectorTypeChoices[] = {
    {"000b All types", 0x00},       {"001b CD-DA", 0x04},         {"010b Mode 1", 0x08},
    {"011b Mode 2 formless", 0x0C}, {"100b Mode 2 form 1", 0x10}, {"101b Mode 2 form 2", 0x14},
};
inline constexpr Choice kHeaderCodeChoices[] = {
    {"00b none", 0x00},
    {"01b header only", kHeaderOnly},
    {"10b sub-header only", kSubHeaderOnly},
    {"11b All headers", kHeaderOnly | kSubHeaderOnly},
};
inline constexpr Choice kErrorFieldChoices[] = {
    {"00b none", 0x00},
    {"01b C2 error block data", kC2ErrorBits},
    {"10b C2 and Block Error Bits", kC2AndBlockErrorBits},
};
inline constexpr Choice kSubChannelChoices[] = {
    {"000b No Sub-channel data", 0},
    {"001b RAW", kSubChannelRaw},
    {"010b Q", kSubChannelQ},
    {"100b P-W", kSubChannelPw},
};

}  // namespace tamarack
