#include "emu/configuration_reply.h"

#include "util/bytes.h"

namespace tamarack::emu {

namespace {

enum class Currency { kAlways, kWithCd, kNever };

struct FeatureRow {
  std::uint16_t code;
  bool persistent;
  Currency current;
  std::vector<std::uint8_t> data;  // the bytes after the 4-byte feature header
  std::uint8_t version = 0;
};

std::vector<FeatureRow> Features(bool cd_present) {
  return {
      // Profile List: DVD-ROM, then CD-ROM (current with a CD in the drive).
      {0x0000,
       true,
       Currency::kAlways,
       {0x00, 0x10, 0x00, 0x00, 0x00, 0x08, static_cast<std::uint8_t>(cd_present ? 1 : 0), 0x00}},
      // Core: ATAPI.
      {0x0001, true, Currency::kAlways, {0x00, 0x00, 0x00, 0x02}},
      // Morphing: no asynchronous events.
      {0x0002, true, Currency::kAlways, {0x00, 0x00, 0x00, 0x00}},
      // Removable Medium: tray, eject, lock.
      {0x0003, true, Currency::kAlways, {0x29, 0x00, 0x00, 0x00}},
      // Random Readable: 2048-byte blocks, blocking 1.
      {0x0010, false, Currency::kWithCd, {0x00, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00, 0x00}},
      {0x001D, false, Currency::kWithCd, {}},  // Multi-Read
      // CD-Read: C2 error pointers and CD-TEXT.
      {0x001E, false, Currency::kWithCd, {0x03, 0x00, 0x00, 0x00}},
      {0x001F, false, Currency::kNever, {}},  // DVD Read
      {0x0100, true, Currency::kAlways, {}},  // Power Management
      // CD Audio External Play: scan, separate channel mute and volume; 256 volume levels.
      {0x0103, false, Currency::kWithCd, {0x07, 0x00, 0x01, 0x00}},
      {0x0105, true, Currency::kAlways, {}},  // Time-Out
      // Real Time Streaming: Set CD Speed supported.
      {0x0107, false, Currency::kWithCd, {0x08, 0x00, 0x00, 0x00}},
  };
}

// A current DVD writer: DVD and CD profiles, a Core of 8 bytes of its own on Serial ATA,
// descriptors longer than their first versions, and features of later MMC versions.
std::vector<FeatureRow> ModernFeatures(bool cd_present) {
  const std::uint8_t cd = cd_present ? 1 : 0;
  return {
      {0x0000, true, Currency::kAlways, {0x00, 0x1B, 0x00, 0x00,    // DVD+R
                                         0x00, 0x1A, 0x00, 0x00,    // DVD+RW
                                         0x00, 0x11, 0x00, 0x00,    // DVD-R
                                         0x00, 0x14, 0x00, 0x00,    // DVD-RW sequential
                                         0x00, 0x10, 0x00, 0x00,    // DVD-ROM
                                         0x00, 0x0A, 0x00, 0x00,    // CD-RW
                                         0x00, 0x09, 0x00, 0x00,    // CD-R
                                         0x00, 0x08, cd,   0x00}},  // CD-ROM
      // Core: Serial ATAPI (7), device busy events.
      {0x0001, true, Currency::kAlways, {0x00, 0x00, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00}, 2},
      // Morphing: operational change events.
      {0x0002, true, Currency::kAlways, {0x02, 0x00, 0x00, 0x00}, 1},
      // Removable Medium: tray, eject, lock, with a persistent-prevent jumper.
      {0x0003, true, Currency::kAlways, {0x29, 0x00, 0x00, 0x00}},
      {0x0010, false, Currency::kWithCd, {0x00, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00, 0x00}},
      {0x001D, false, Currency::kWithCd, {}},
      {0x001E, false, Currency::kWithCd, {0x03, 0x00, 0x00, 0x00}, 2},
      // DVD Read: 4 bytes of its own (MULTI110, DUAL-R).
      {0x001F, false, Currency::kNever, {0x01, 0x00, 0x01, 0x00}, 1},
      // Incremental Streaming Writable: one link size (7), padded to 4 bytes.
      {0x0021, false, Currency::kNever, {0x00, 0x07, 0x01, 0x01, 0x07, 0x00, 0x00, 0x00}, 1},
      // Formattable: 8 bytes of its own where the first version had none.
      {0x0023, false, Currency::kNever, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
      {0x002B, false, Currency::kNever, {0x01, 0x00, 0x00, 0x00}},  // DVD+R
      {0x002D, false, Currency::kNever, {0x46, 0x00, 0x3F, 0xFF}, 2},
      {0x0037, false, Currency::kNever, {0x00, 0xFF, 0x00, 0x00}},  // CD-RW Media Write Support
      // A later feature with 28 bytes of its own.
      {0x0040, false, Currency::kNever, std::vector<std::uint8_t>(28, 0), 1},
      {0x0100, true, Currency::kAlways, {}},
      {0x0104, true, Currency::kAlways, {0x01, 0x00, 0x00, 0x00}, 1},  // Microcode Upgrade
      {0x0105, true, Currency::kAlways, {0x01, 0x00, 0x00, 0x00}, 1},  // Time-Out
      {0x0106, false, Currency::kNever, {0x00, 0x00, 0x00, 0x01}},     // DVD CSS
      // Real Time Streaming: 4 bytes of its own.
      {0x0107, false, Currency::kWithCd, {0x1F, 0x00, 0x00, 0x00}, 5},
      // Disc Control Blocks: one 4-character id.
      {0x010A, false, Currency::kNever, {'D', 'C', 'B', 'S'}},
  };
}

}  // namespace

std::vector<std::uint8_t> BuildConfiguration(int requested_type, std::uint16_t starting_feature,
                                             bool cd_present, DriveModel model) {
  std::vector<std::uint8_t> reply(8, 0);
  WriteBe16(reply, 6, cd_present ? kProfileCdRom : kProfileNone);
  const std::vector<FeatureRow> features =
      model == DriveModel::kModern ? ModernFeatures(cd_present) : Features(cd_present);
  for (FeatureRow f : features) {
    // CD-Read's C2 flags bit follows the model as page 2Ah's does.
    if (f.code == 0x001E && !ReportsC2(model) && !f.data.empty()) f.data[0] &= 0xFD;
    const bool current =
        f.current == Currency::kAlways || (f.current == Currency::kWithCd && cd_present);
    if (requested_type == 2 ? f.code != starting_feature : f.code < starting_feature) continue;
    if (requested_type == 1 && !current) continue;
    const std::size_t at = reply.size();
    reply.resize(at + 4 + f.data.size(), 0);
    WriteBe16(reply, at, f.code);
    reply[at + 2] = static_cast<std::uint8_t>((f.version << 2) | (f.persistent ? 0x02 : 0) |
                                              (current ? 0x01 : 0));
    reply[at + 3] = static_cast<std::uint8_t>(f.data.size());
    std::copy(f.data.begin(), f.data.end(), reply.begin() + static_cast<std::ptrdiff_t>(at + 4));
  }
  WriteBe32(reply, 0, static_cast<std::uint32_t>(reply.size() - 4));
  return reply;
}

}  // namespace tamarack::emu
