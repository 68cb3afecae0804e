#include "mmc/block_size.h"

#include <optional>

#include <algorithm>
#include <array>

#include "device/device_session.h"
#include "mmc/opcodes.h"
#include "mmc/read_capacity.h"
#include "util/strings.h"

namespace tamarack {

namespace {

using mmc::kRead10;
using mmc::kRead12;
using mmc::kReadCd;
using mmc::kReadCdMsf;
constexpr std::uint8_t kUserDataOnly = 0x10;

// The block lengths of the CD-ROM density codes a Mode Select block descriptor can set, which
// Read(10) and Read(12) then return.
constexpr std::array<std::uint32_t, 7> kLogicalBlockLengths = {2048, 2056, 2324, 2332,
                                                               2336, 2340, 2352};

// The probe's order: the data types first, as data discs are the common case.
constexpr std::array<std::uint8_t, 5> kProbeOrder = {kSectorTypeMode1, kSectorTypeMode2Form1,
                                                     kSectorTypeMode2Form2,
                                                     kSectorTypeMode2Formless, kSectorTypeCdda};

bool IsReadCd(const Cdb& command) { return command[0] == kReadCd || command[0] == kReadCdMsf; }

bool Plausible(std::uint64_t size, std::span<const std::uint32_t> candidates) {
  if (candidates.empty()) return size >= 1 && size <= kMaxReadCdBlock;
  return std::find(candidates.begin(), candidates.end(), size) != candidates.end();
}

}  // namespace

std::string BlockSizeFinding::Text() const {
  switch (way) {
    case BlockSizeWay::kFill:
      return StrFormat("block size %u (from the reply's fill)", bytes);
    case BlockSizeWay::kResidual:
      return StrFormat("block size %u (from the transferred count)", bytes);
    case BlockSizeWay::kCapacity:
      return StrFormat("block size %u (from Read Capacity's block length)", bytes);
    case BlockSizeWay::kSectorType:
      return StrFormat("block size %u (from the sector type %s)", bytes,
                       SectorTypeName(sector_type));
    case BlockSizeWay::kNotFound:
      break;
  }
  return "block size not found";
}

std::vector<std::uint32_t> CandidateBlockSizes(const Cdb& command) {
  std::vector<std::uint32_t> sizes;
  if (command[0] == kRead10 || command[0] == kRead12) {
    sizes.assign(kLogicalBlockLengths.begin(), kLogicalBlockLengths.end());
  } else if (IsReadCd(command)) {
    const ReadCdSelection sel = ReadCdSelection::FromCdb(command);
    for (std::uint8_t type : kProbeOrder) {
      std::size_t bytes = 0;
      if (ReadCdBytesPerBlock(sel, type, &bytes) == ReadCdStatus::kOk && bytes > 0) {
        sizes.push_back(static_cast<std::uint32_t>(bytes));
      }
    }
  }
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  return sizes;
}

std::uint32_t BlockSizeFromFill(std::span<const std::uint8_t> reply, std::uint32_t requested,
                                std::uint32_t blocks, std::span<const std::uint32_t> candidates) {
  const std::span<const std::uint8_t> data =
      reply.first(std::min<std::size_t>(reply.size(), requested));
  if (blocks == 0 || data.empty()) return 0;
  std::size_t end = data.size();
  while (end > 0 && data[end - 1] == kReplyFill) --end;
  if (end == data.size() || end == 0) return 0;  // no fill left, or nothing sent
  if (candidates.empty()) {
    return end % blocks == 0 && Plausible(end / blocks, candidates)
               ? static_cast<std::uint32_t>(end / blocks)
               : 0;
  }
  for (std::uint32_t s : candidates) {
    const std::uint64_t whole = std::uint64_t{blocks} * s;
    if (whole <= data.size() && whole - s < end && end <= whole) return s;
  }
  return 0;
}

std::uint32_t BlockSizeFromResidual(std::uint32_t transferred, std::uint32_t requested,
                                    std::uint32_t blocks,
                                    std::span<const std::uint32_t> candidates) {
  if (blocks == 0 || transferred == 0 || transferred >= requested) return 0;
  if (transferred % blocks != 0) return 0;
  const std::uint32_t size = transferred / blocks;
  return Plausible(size, candidates) ? size : 0;
}

namespace {

// A check condition of an illegal request (sense key 5): the drive refuses the expected
// sector type for this block.
bool RefusesTheType(const CommandOutcome& out) {
  return out.status == CommandStatus::kCheckCondition && out.sense.format != SenseFormat::kNone &&
         out.sense.key == 0x05;
}

// The probe of ProbeBlockSize, silent: `refused` gets the last refusal for the caller to tell.
BlockSizeFinding ProbeTypes(DeviceSession& session, const Cdb& command, std::int32_t lba,
                            std::optional<CommandOutcome>* refused_out) {
  BlockSizeFinding found;
  ReadCdSelection sel{kSectorTypeAny, kUserDataOnly, 0};
  if (IsReadCd(command)) sel = ReadCdSelection::FromCdb(command);
  std::optional<CommandOutcome> refused;
  for (std::uint8_t type : kProbeOrder) {
    if (sel.expected_type != kSectorTypeAny && sel.expected_type != type) continue;
    std::size_t bytes = 0;
    const ReadCdSelection probe{type, sel.main, sel.sub};
    if (ReadCdBytesPerBlock(probe, type, &bytes) != ReadCdStatus::kOk || bytes == 0) continue;
    const Cdb cdb = ReadCdCdb(static_cast<std::uint32_t>(lba), 1, probe);
    std::vector<std::uint8_t> buffer(bytes, kReplyFill);
    const CommandOutcome out = session.Run(cdb, buffer, {.report = HostReport::kSilent});
    if (out.status == CommandStatus::kGood) {
      found.bytes = static_cast<std::uint32_t>(bytes);
      found.way = BlockSizeWay::kSectorType;
      found.sector_type = type;
      return found;
    }
    if (out.status != CommandStatus::kNoDevice) refused = out;
    // Only an illegal request says the block is not of this type; anything else is the
    // probe's own failure.
    if (out.status != CommandStatus::kNoDevice && !RefusesTheType(out)) {
      found.failed_probe = out;
      found.failed_probe_cdb = cdb;
    }
    if (out.status != CommandStatus::kCheckCondition) break;  // no device, or refused
    if (found.failed_probe) break;
  }
  *refused_out = refused;
  return found;
}

void TellRefusal(DeviceSession& session, const std::optional<CommandOutcome>& refused,
                 HostReport report) {
  SessionHost* host = session.host();
  if (refused && report == HostReport::kTell && host) host->CommandEnded(*refused);
}

// Read Capacity's block length, when it is one Read(10) and Read(12) return; 0 otherwise. A
// failed Read Capacity is no error of the job: the size is then not found.
std::uint32_t BlockLengthOfCapacity(DeviceSession& session) {
  std::array<std::uint8_t, 8> reply{};
  const CommandOutcome out =
      session.Run(mmc::ReadCapacityCdb(), reply, {.report = HostReport::kSilent});
  if (out.status != CommandStatus::kGood || out.result.transferred < reply.size()) return 0;
  const auto capacity = mmc::ParseCapacity(reply, out.result.transferred);
  if (!capacity) return 0;
  return Plausible(capacity->block_length, kLogicalBlockLengths) ? capacity->block_length : 0;
}

}  // namespace

BlockSizeFinding ProbeBlockSize(DeviceSession& session, const Cdb& command, std::int32_t lba,
                                HostReport report) {
  std::optional<CommandOutcome> refused;
  BlockSizeFinding found = ProbeTypes(session, command, lba, &refused);
  TellRefusal(session, refused, report);
  return found;
}

std::uint32_t BlockSizeFromReply(const ReadEvidence& evidence) {
  const BlockReply& r = evidence.reply;
  if (!r.good() || r.way == ReceivedWay::kWhole || evidence.blocks == 0) return 0;
  if (r.received == 0 || r.received >= evidence.requested) return 0;
  if (r.received % evidence.blocks != 0) return 0;
  const std::uint32_t size = r.received / evidence.blocks;
  return Plausible(size, CandidateBlockSizes(evidence.command)) ? size : 0;
}

BlockSizeFinding FindBlockSize(DeviceSession& session, const ReadEvidence& evidence,
                               HostReport report) {
  BlockSizeFinding found;
  found.bytes = BlockSizeFromReply(evidence);
  if (found.bytes != 0) {
    found.way = evidence.reply.way == ReceivedWay::kResidual ? BlockSizeWay::kResidual
                                                             : BlockSizeWay::kFill;
    return found;
  }
  std::optional<CommandOutcome> refused;
  found = ProbeTypes(session, evidence.command, evidence.lba, &refused);
  const std::uint8_t op = evidence.command[0];
  if (found.way == BlockSizeWay::kNotFound && !found.failed_probe &&
      (op == kRead10 || op == kRead12)) {
    found.bytes = BlockLengthOfCapacity(session);
    if (found.bytes != 0) {
      found.way = BlockSizeWay::kCapacity;
      return found;
    }
  }
  TellRefusal(session, refused, report);
  return found;
}

}  // namespace tamarack
