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

}  // namespace

std::vector<std::uint8_t> BuildConfiguration(int requested_type, std::uint16_t starting_feature,
                                             bool cd_present) {
  std::vector<std::uint8_t> reply(8, 0);
  WriteBe16(reply, 6, cd_present ? kProfileCdRom : kProfileNone);
  for (const FeatureRow& f : Features(cd_present)) {
    const bool current =
        f.current == Currency::kAlways || (f.current == Currency::kWithCd && cd_present);
    if (requested_type == 2 ? f.code != starting_feature : f.code < starting_feature) continue;
    if (requested_type == 1 && !current) continue;
    const std::size_t at = reply.size();
    reply.resize(at + 4 + f.data.size(), 0);
    WriteBe16(reply, at, f.code);
    // Version 0 throughout.
    reply[at + 2] = static_cast<std::uint8_t>((f.persistent ? 0x02 : 0) | (current ? 0x01 : 0));
    reply[at + 3] = static_cast<std::uint8_t>(f.data.size());
    std::copy(f.data.begin(), f.data.end(), reply.begin() + static_cast<std::ptrdiff_t>(at + 4));
  }
  WriteBe32(reply, 0, static_cast<std::uint32_t>(reply.size() - 4));
  return reply;
}

}  // namespace tamarack::emu
