#include "tools/sector_dump.h"

#include <algorithm>

#include "decode/status_commands.h"
#include "form/number_box.h"
#include "tools/dump_number.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::uint32_t kMsfBoxMax = 99;

// The fields show their numbers unsigned, in the current base.
std::string FormatDumpNumber(std::uint32_t value, bool hex) {
  return StrFormat(hex ? "%x" : "%u", value);
}

int PackMsf(const MsfText& t) {
  return static_cast<int>(MsfBoxValue(t[0]) * 65536 + MsfBoxValue(t[1]) * 256 + MsfBoxValue(t[2]));
}

MsfText UnpackMsf(int packed) {
  const auto v = static_cast<std::uint32_t>(std::max(packed, 0));
  return {StrFormat("%02u", (v >> 16) & 0xFFu), StrFormat("%02u", (v >> 8) & 0xFFu),
          StrFormat("%02u", v & 0xFFu)};
}

// The value a field is saved with: what it means in the current base, or, when it does not
// parse, its leading decimal number.
int KeyValue(const std::string& text, bool hex) {
  const std::uint32_t v = ParseDumpNumber(text, hex).value_or(ParseNumberText(text, false));
  return static_cast<int>(v);
}

DumpPreparation Stop(DumpPreparation p, const char* message) {
  p.messages.emplace_back(Tr(message));
  p.request.reset();
  return p;
}

}  // namespace

Cdb DumpRequest::CommandCdb() const {
  if (mode == DumpAddressMode::kMsf) return ReadCdMsfCdb(start_frames, end_frames, sector_cdb);
  return ReadCdCdb(lba, blocks, sector_cdb);
}

SectorDump::SectorDump() : sector_cdb(DefaultSectorCdb()) {}

DumpPreparation SectorDump::Prepare(DumpStep step, bool hex) {
  if (mode == DumpAddressMode::kVolumeDescriptor) {
    if (step == DumpStep::kNone) {
      DumpPreparation p;
      DumpRequest r;
      r.mode = DumpAddressMode::kVolumeDescriptor;
      r.blocks = 1;
      r.sector_cdb = sector_cdb;
      r.group_size = group_size();
      p.request = r;
      return p;
    }
    // Stepping leaves the volume descriptor for LBA mode at the block last read.
    mode = DumpAddressMode::kLba;
    if (vds_lba_) lba_text = FormatDumpNumber(*vds_lba_, hex);
  }
  if (mode == DumpAddressMode::kMsf) return PrepareMsf(step);
  return PrepareLba(step, hex);
}

DumpPreparation SectorDump::PrepareLba(DumpStep step, bool hex) {
  DumpPreparation p;
  const auto lba = ParseDumpNumber(lba_text, hex);
  if (!lba) return Stop(std::move(p), kDumpLbaInvalidMessage);
  const auto parsed_length = ParseDumpNumber(length_text, hex);
  if (!parsed_length) return Stop(std::move(p), kDumpLengthInvalidMessage);
  std::uint32_t length = *parsed_length;
  if (length == 0) return Stop(std::move(p), kDumpLengthZeroMessage);
  if (length > kMaxDumpBlocks) {
    p.messages.emplace_back(Tr(kDumpLengthCutMessage));
    length = kMaxDumpBlocks;
    length_text = FormatDumpNumber(length, hex);
  }
  std::uint32_t at = *lba;
  if (step == DumpStep::kNext) {
    at = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{at} + length, 0xFFFFFFFFu));
  } else if (step == DumpStep::kPrevious) {
    at = at >= length ? at - length : 0;
  }
  if (step != DumpStep::kNone) lba_text = FormatDumpNumber(at, hex);
  DumpRequest r;
  r.mode = DumpAddressMode::kLba;
  r.lba = at;
  r.blocks = length;
  r.sector_cdb = sector_cdb;
  r.group_size = group_size();
  p.request = r;
  return p;
}

DumpPreparation SectorDump::PrepareMsf(DumpStep step) {
  DumpPreparation p;
  std::uint32_t first = FramesOfText(start);
  std::uint32_t last = FramesOfText(end);
  if (first >= last) return Stop(std::move(p), kDumpStartAfterEndMessage);
  std::uint32_t length = last - first;
  if (length > kMaxDumpBlocks) {
    p.messages.emplace_back(Tr(kDumpMsfLengthCutMessage));
    length = kMaxDumpBlocks;
    last = first + length;
    end = TextOfFrames(last);
  }
  if (step == DumpStep::kNext) {
    first += length;
    last += length;
  } else if (step == DumpStep::kPrevious && first >= length) {
    first -= length;
    last -= length;
  }
  if (step != DumpStep::kNone) {
    start = TextOfFrames(first);
    end = TextOfFrames(last);
  }
  DumpRequest r;
  r.mode = DumpAddressMode::kMsf;
  r.blocks = length;
  r.start_frames = first;
  r.end_frames = last;
  r.sector_cdb = sector_cdb;
  r.group_size = group_size();
  p.request = r;
  return p;
}

std::string SectorDump::VolumeDescriptorCaption() const {
  const std::uint32_t lba = vds_lba_.value_or(kVolumeDescriptorOffset);
  return StrFormat("&VDS %u\n(%xh)", lba, lba);
}

SectorDumpKeys SectorDump::Keys(bool hex) const {
  SectorDumpKeys k;
  k.dump_kind = grouping_index;
  k.dump_mode = static_cast<int>(mode) - 1;
  k.lba = KeyValue(lba_text, hex);
  k.block = KeyValue(length_text, hex);
  k.start_msf = PackMsf(start);
  k.end_msf = PackMsf(end);
  k.sector_com = sector_cdb;
  return k;
}

void SectorDump::ApplyKeys(const SectorDumpKeys& k, bool hex) {
  grouping_index = k.dump_kind >= 0 && k.dump_kind < kGroupingCount ? k.dump_kind : 0;
  mode = k.dump_mode == 1   ? DumpAddressMode::kMsf
         : k.dump_mode == 2 ? DumpAddressMode::kVolumeDescriptor
                            : DumpAddressMode::kLba;
  lba_text = FormatDumpNumber(static_cast<std::uint32_t>(k.lba), hex);
  length_text = FormatDumpNumber(static_cast<std::uint32_t>(k.block), hex);
  start = UnpackMsf(k.start_msf);
  end = UnpackMsf(k.end_msf);
  sector_cdb = k.sector_com;
}

std::string FormatSectorDump(std::span<const std::uint8_t> valid, int group_size) {
  if (valid.empty()) return kNoDataText;
  std::string text;
  DumpHex(valid, &text, true, group_size);
  return text;
}

std::uint32_t MsfBoxValue(std::string_view text) {
  return std::min(ParseNumberText(text, false), kMsfBoxMax);
}

std::uint32_t FramesOfText(const MsfText& t) {
  return static_cast<std::uint32_t>(
      FramesOfMsf({MsfBoxValue(t[0]), MsfBoxValue(t[1]), MsfBoxValue(t[2])}));
}

MsfText TextOfFrames(std::uint32_t frames) {
  const Msf t = MsfOfFrames(frames);
  return {StrFormat("%02u", static_cast<unsigned>(t.minutes)),
          StrFormat("%02u", static_cast<unsigned>(t.seconds)),
          StrFormat("%02u", static_cast<unsigned>(t.frames))};
}

}  // namespace tamarack
