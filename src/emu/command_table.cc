#include <algorithm>
#include <array>

#include "emu/drive_commands.h"

namespace tamarack::emu {

namespace {

constexpr std::uint32_t kMedium = kNeedsMedium;
constexpr std::uint32_t kAlloc = kAllocationLength;

// Sorted by opcode.
constexpr std::array kCommands = {
    CommandRow{0x00, "Test Unit Ready", TestUnitReady, kMedium, 0, 0},
    CommandRow{0x03, "Request Sense", RequestSense, kIgnoresAttention | kAlloc, 4, 1},
    CommandRow{0x12, "Inquiry", Inquiry, kIgnoresAttention | kAlloc, 3, 2},
    CommandRow{0x15, "Mode Select(6)", ModeSelect6, kParameterLength, 4, 1},
    CommandRow{0x1A, "Mode Sense(6)", ModeSense6, kAlloc, 4, 1},
    CommandRow{0x1B, "Start Stop Unit", StartStopUnit, 0, 0, 0},
    CommandRow{0x1E, "Prevent/Allow Medium Removal", PreventAllowMediumRemoval, 0, 0, 0},
    CommandRow{0x25, "Read CD-ROM Capacity", ReadCapacity, kMedium, 0, 0},
    CommandRow{0x28, "Read(10)", Read10, kMedium, 0, 0},
    CommandRow{0x2B, "Seek", Seek10, kMedium, 0, 0},
    CommandRow{0x42, "Read Sub-Channel", ReadSubChannel, kMedium | kAlloc, 7, 2},
    CommandRow{0x43, "Read TOC", ReadToc, kMedium | kAlloc, 7, 2},
    CommandRow{0x45, "Play Audio(10)", PlayAudio10, kMedium, 0, 0},
    CommandRow{0x46, "Get Configuration", GetConfiguration, kIgnoresAttention | kAlloc, 7, 2},
    CommandRow{0x47, "Play Audio MSF", PlayAudioMsf, kMedium, 0, 0},
    CommandRow{0x4A, "Get Event/Status Notification", GetEventStatusNotification,
               kIgnoresAttention | kAlloc, 7, 2},
    CommandRow{0x4B, "Pause/Resume", PauseResume, kMedium, 0, 0},
    CommandRow{0x4E, "Stop Play/Scan", StopPlayScan, kMedium, 0, 0},
    CommandRow{0x51, "Read Disc Information", ReadDiscInformation, kMedium | kAlloc, 7, 2},
    CommandRow{0x52, "Read Track Information", ReadTrackInformation, kMedium | kAlloc, 7, 2},
    CommandRow{0x55, "Mode Select(10)", ModeSelect10, kParameterLength, 7, 2},
    CommandRow{0x5A, "Mode Sense(10)", ModeSense10, kAlloc, 7, 2},
    CommandRow{0xA2, "Send Event", SendEvent, kParameterLength, 8, 2},
    CommandRow{0xA6, "Load/Unload CD", LoadUnloadCd, 0, 0, 0},
    CommandRow{0xA8, "Read(12)", Read12, kMedium, 0, 0},
    CommandRow{0xAD, "Read DVD Structure", ReadDvdStructure, kMedium | kAlloc, 8, 2},
    CommandRow{0xB9, "Read CD MSF", ReadCdMsf, kMedium, 0, 0},
    CommandRow{0xBA, "Scan", Scan, kMedium, 0, 0},
    CommandRow{0xBB, "Set CD Speed", SetCdSpeed, 0, 0, 0},
    CommandRow{0xBD, "Mechanism Status", MechanismStatus, kAlloc, 8, 2},
    CommandRow{0xBE, "Read CD", ReadCd, kMedium, 0, 0},
};

}  // namespace

const CommandRow* FindCommand(std::uint8_t opcode) {
  auto it = std::lower_bound(kCommands.begin(), kCommands.end(), opcode,
                             [](const CommandRow& s, std::uint8_t op) { return s.opcode < op; });
  return it != kCommands.end() && it->opcode == opcode ? &*it : nullptr;
}

std::span<const CommandRow> CommandTable() { return kCommands; }

}  // namespace tamarack::emu
