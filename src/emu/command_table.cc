#include <algorithm>
#include <array>

#include "emu/drive_commands.h"
#include "mmc/opcodes.h"

namespace tamarack::emu {

namespace {

constexpr std::uint32_t kMedium = kNeedsMedium;
constexpr std::uint32_t kAlloc = kAllocationLength;
constexpr std::uint32_t kBlocks = kNeedsMedium | kBlockRead;

// A row whose name and length field are the opcode table's.
consteval CommandRow Row(std::uint8_t opcode, CommandHandler handler, std::uint32_t flags) {
  const mmc::OpcodeInfo& facts = mmc::OpcodeRow(opcode);
  return CommandRow{opcode, facts.name, handler, flags, facts.length_at, facts.length_size};
}

// Sorted by opcode.
constexpr std::array kCommands = {
    Row(mmc::kTestUnitReady, TestUnitReady, kMedium),
    Row(mmc::kRequestSense, RequestSense, kIgnoresAttention | kAlloc),
    Row(mmc::kInquiry, Inquiry, kIgnoresAttention | kAlloc),
    Row(mmc::kModeSelect6, ModeSelect6, kParameterLength),
    Row(mmc::kModeSense6, ModeSense6, kAlloc),
    Row(mmc::kStartStopUnit, StartStopUnit, 0),
    Row(mmc::kPreventAllowMediumRemoval, PreventAllowMediumRemoval, 0),
    Row(mmc::kReadCapacity, ReadCapacity, kMedium),
    Row(mmc::kRead10, Read10, kBlocks),
    Row(mmc::kSeek10, Seek10, kMedium),
    Row(mmc::kReadSubChannel, ReadSubChannel, kMedium | kAlloc),
    Row(mmc::kReadToc, ReadToc, kMedium | kAlloc),
    Row(mmc::kPlayAudio10, PlayAudio10, kMedium),
    Row(mmc::kGetConfiguration, GetConfiguration, kIgnoresAttention | kAlloc),
    Row(mmc::kPlayAudioMsf, PlayAudioMsf, kMedium),
    Row(mmc::kGetEventStatusNotification, GetEventStatusNotification, kIgnoresAttention | kAlloc),
    Row(mmc::kPauseResume, PauseResume, kMedium),
    Row(mmc::kStopPlayScan, StopPlayScan, kMedium),
    Row(mmc::kReadDiscInformation, ReadDiscInformation, kMedium | kAlloc),
    Row(mmc::kReadTrackInformation, ReadTrackInformation, kMedium | kAlloc),
    Row(mmc::kModeSelect10, ModeSelect10, kParameterLength),
    Row(mmc::kModeSense10, ModeSense10, kAlloc),
    Row(mmc::kSendEvent, SendEvent, kParameterLength),
    Row(mmc::kLoadUnloadMedium, LoadUnloadCd, 0),
    Row(mmc::kRead12, Read12, kBlocks),
    Row(mmc::kReadDiscStructure, ReadDvdStructure, kMedium | kAlloc),
    Row(mmc::kReadCdMsf, ReadCdMsf, kBlocks),
    Row(mmc::kScan, Scan, kMedium),
    Row(mmc::kSetCdSpeed, SetCdSpeed, 0),
    Row(mmc::kMechanismStatus, MechanismStatus, kAlloc),
    Row(mmc::kReadCd, ReadCd, kBlocks),
};

}  // namespace

const CommandRow* FindCommand(std::uint8_t opcode) {
  auto it = std::lower_bound(kCommands.begin(), kCommands.end(), opcode,
                             [](const CommandRow& s, std::uint8_t op) { return s.opcode < op; });
  return it != kCommands.end() && it->opcode == opcode ? &*it : nullptr;
}

std::span<const CommandRow> CommandTable() { return kCommands; }

}  // namespace tamarack::emu
