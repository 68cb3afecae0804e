// Which bytes of a block Read CD returns (MMC, READ CD: "Number of Bytes Returned Based on Data
// Selection Field"): the expected sector type (CDB byte 1 bits 4-2), the main-channel
// selection (byte 9: sync 80h, header codes 60h, user data 10h, EDC and ECC 08h, error field
// 06h) and the sub-channel selection (byte 10 bits 2-0). Drives and the programs that read
// them agree on this one table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tamarack {

// Expected sector types; a block's own sector type is one of 1 to 5.
inline constexpr std::uint8_t kSectorTypeAny = 0;
inline constexpr std::uint8_t kSectorTypeCdda = 1;
inline constexpr std::uint8_t kSectorTypeMode1 = 2;
inline constexpr std::uint8_t kSectorTypeMode2Formless = 3;
inline constexpr std::uint8_t kSectorTypeMode2Form1 = 4;
inline constexpr std::uint8_t kSectorTypeMode2Form2 = 5;

// "CD-DA", "Mode 1", "Mode 2 formless", "Mode 2 form 1", "Mode 2 form 2"; "any" for 0.
const char* SectorTypeName(std::uint8_t sector_type);

// C2 error pointers of one block, and the sub-channel of one block.
inline constexpr std::size_t kReadCdC2Bytes = 294;
inline constexpr std::size_t kReadCdSubChannelBytes = 96;

// The largest block Read CD returns: 2352 main bytes, C2 flags with the block error byte and
// its pad byte (296), 96 sub-channel bytes.
inline constexpr std::size_t kMaxReadCdBlock = 2352 + kReadCdC2Bytes + 2 + kReadCdSubChannelBytes;

struct ReadCdSelection {
  std::uint8_t expected_type = kSectorTypeAny;  // 0-7
  std::uint8_t main = 0x10;                     // CDB byte 9
  std::uint8_t sub = 0;                         // CDB byte 10 bits 2-0

  // From a Read CD or Read CD MSF CDB (bytes 1, 9 and 10).
  static ReadCdSelection FromCdb(std::span<const std::uint8_t> cdb);
};

enum class ReadCdStatus {
  kOk,
  kInvalidField,         // ILLEGAL REQUEST, INVALID FIELD IN CDB (5/24/00)
  kIllegalModeForTrack,  // ILLEGAL REQUEST, ILLEGAL MODE FOR THIS TRACK (5/64/00)
};

// Checks the selection alone (no block needed): reserved sector types, sub-channel selections
// and error field, and the field combinations MMC marks illegal for every sector type.
ReadCdStatus CheckReadCdSelection(const ReadCdSelection& sel);

// Where a field lies in the 2352 bytes of a block.
struct SectorField {
  std::size_t offset = 0;
  std::size_t length = 0;
};
struct SectorFields {
  SectorField sync, header, sub_header, user, edc_ecc;
};
// The fields of a block of `sector_type` (1 to 5; nothing for others).
SectorFields SectorFieldsOf(std::uint8_t sector_type);

// The fields a main-channel selection takes from a block of `sector_type`, in order.
struct SelectedFields {
  bool sync = false, header = false, sub_header = false, user = false, edc_ecc = false;
};
SelectedFields SelectFields(std::uint8_t main, std::uint8_t sector_type);

// Bytes after the main channel: the error field's (0, 294, or 296 with the block error byte and
// its pad byte) and the sub-channel selection's (0, 96 raw or R-W, 16 formatted Q).
std::size_t ErrorFieldBytes(std::uint8_t main);
std::size_t SubChannelBytes(std::uint8_t sub);

// Bytes Read CD returns for one block of `sector_type` (the block's own type, 1 to 5), or why it
// refuses: an illegal combination, or a block of another type than the one expected.
ReadCdStatus ReadCdBytesPerBlock(const ReadCdSelection& sel, std::uint8_t sector_type,
                                 std::size_t* bytes);

}  // namespace tamarack
