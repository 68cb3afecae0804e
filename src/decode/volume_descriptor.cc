#include "decode/volume_descriptor.h"

#include <algorithm>
#include <array>
#include <vector>

#include "device/device_session.h"
#include "mmc/read_cd.h"
#include "mmc/read_toc.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

constexpr std::size_t kIdentifierOffset = 40;
constexpr std::size_t kIdentifierLength = 32;
constexpr std::size_t kUserBlock = 2048;

}  // namespace

Cdb SessionInfoCdb() {
  return mmc::ReadTocCdb({.format = mmc::kTocFormatSessions, .length = kSessionInfoLength});
}

std::optional<std::uint32_t> LastSessionStart(std::span<const std::uint8_t> reply) {
  if (reply.size() < 12) return std::nullopt;
  return ReadBe32(reply, 8);
}

std::uint32_t FindVolumeDescriptor(DeviceSession& session, HostReport report) {
  std::array<std::uint8_t, kSessionInfoLength> reply{};
  std::uint32_t transferred = 0;
  std::uint32_t start = 0;
  if (SendScsiCommand(session, SessionInfoCdb(), reply, &transferred, {.report = report})) {
    const std::size_t moved = std::min<std::size_t>(transferred, reply.size());
    start = LastSessionStart(std::span<const std::uint8_t>(reply).first(moved)).value_or(0);
  }
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{start} + kVolumeDescriptorOffset, 0xFFFFFFFFu));
}

std::string VolumeIdentifier(std::span<const std::uint8_t> block) {
  static constexpr std::array<std::uint8_t, 6> kPrimary = {1, 'C', 'D', '0', '0', '1'};
  if (block.size() < kIdentifierOffset + kIdentifierLength ||
      !std::equal(kPrimary.begin(), kPrimary.end(), block.begin())) {
    return {};
  }
  const auto id = block.subspan(kIdentifierOffset, kIdentifierLength);
  std::string text(id.begin(), id.end());
  const std::size_t last = text.find_last_not_of(std::string(" \0", 2));
  text.resize(last == std::string::npos ? 0 : last + 1);
  return text;
}

std::string ReadVolumeLabel(DeviceSession& session) {
  std::string system_label;
  session.WithTransport([&](Transport& t) { system_label = t.SystemVolumeLabel(); });
  if (!system_label.empty()) return system_label;
  // Silent: a disc without a volume label is no error of the one who asked.
  const std::uint32_t lba = FindVolumeDescriptor(session, HostReport::kSilent);
  const Cdb cdb = ReadCdCdb(lba, 1);  // user data of any sector type
  std::vector<std::uint8_t> block(kUserBlock, 0);
  std::uint32_t transferred = 0;
  std::string label;
  if (SendScsiCommand(session, cdb, block, &transferred, {.report = HostReport::kSilent})) {
    label = VolumeIdentifier(std::span<const std::uint8_t>(block).first(
        std::min<std::size_t>(transferred, block.size())));
  }
  return label;
}

}  // namespace tamarack
