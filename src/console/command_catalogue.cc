#include "console/command_catalogue.h"

#include <algorithm>

#include "console/user_slot.h"
#include "decode/basic_commands.h"
#include "decode/configuration.h"
#include "decode/control_commands.h"
#include "decode/inquiry.h"
#include "decode/mode_select.h"
#include "decode/mode_sense.h"
#include "decode/read_cd_form.h"
#include "decode/read_forms.h"
#include "decode/read_toc.h"
#include "decode/status_commands.h"
#include "mmc/opcodes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr auto kNone = DataDirection::kNone;
constexpr auto kIn = DataDirection::kIn;

const CommandEntry kCatalogue[] = {
    CatalogueRow(mmc::kTestUnitReady, "Test Unit Ready", &kNoParameterBehaviour),
    CatalogueRow(mmc::kInquiry, "Inquiry", &kInquiryBehaviour),
    CatalogueRow(mmc::kModeSelect10, "Mode Select(10)", &kModeSelectBehaviour),
    CatalogueRow(mmc::kModeSense10, "Mode Sense(10)", &kModeSenseBehaviour),
    CatalogueRow(mmc::kRequestSense, "Request Sense", &kRequestSenseBehaviour),
    CatalogueRow(mmc::kGetConfiguration, "Get Configuration", &kGetConfigurationBehaviour),
    CatalogueRow(mmc::kGetEventStatusNotification, "Get Event/Status Notification",
                 &kEventStatusBehaviour),
    CatalogueRow(mmc::kRead10, "Read(10)", &kRead10Behaviour),
    CatalogueRow(mmc::kReadCapacity, "Read CD-ROM Capacity", &kReadCapacityBehaviour),
    CatalogueRow(mmc::kReadCd, "Read CD", &kReadCdBehaviour),
    CatalogueRow(mmc::kReadCdMsf, "Read CD MSF", &kReadCdMsfBehaviour),
    CatalogueRow(mmc::kReadToc, "Read Toc", &kReadTocBehaviour),
    CatalogueRow(mmc::kRead12, "Read(12)", &kRead12Behaviour),
    CatalogueRow(mmc::kReadSubChannel, "Read Sub-Channel", &kSubChannelBehaviour),
    CatalogueRow(mmc::kSendEvent, "Send Event", &kSendEventBehaviour),
    CatalogueRow(mmc::kPreventAllowMediumRemoval, "Prevent/Allow Medium Removal",
                 &kPreventAllowBehaviour),
    CatalogueRow(mmc::kStartStopUnit, "Start Stop Unit", &kStartStopUnitBehaviour),
    CatalogueRow(mmc::kMechanismStatus, "Mechanism Status", &kMechanismStatusBehaviour),
    CatalogueRow(mmc::kLoadUnloadMedium, "Load/Unload CD", &kLoadUnloadBehaviour),
    // The command moves no data, but the row has always said data in.
    CatalogueRow(mmc::kPauseResume, "Pause/Resume", &kPauseResumeBehaviour, kIn),
    CatalogueRow(mmc::kPlayAudio10, "Play Audio(10)", &kPlayAudio10Behaviour),
    CatalogueRow(mmc::kPlayAudioMsf, "Play Audio MSF", &kPlayAudioMsfBehaviour),
    CatalogueRow(mmc::kScan, "Scan", &kScanBehaviour),
    CatalogueRow(mmc::kSeek10, "Seek", &kSeekBehaviour),
    CatalogueRow(mmc::kSetCdSpeed, "Set CD Speed", &kSetCdSpeedBehaviour),
    CatalogueRow(mmc::kStopPlayScan, "Stop Play/Scan", &kNoParameterBehaviour),
    {0, 0x80, kNone, "User01", &kUserSlotBehaviour},
    {0, 0x81, kNone, "User02", &kUserSlotBehaviour},
    {0, 0x82, kNone, "User03", &kUserSlotBehaviour},
    {0, 0x83, kNone, "User04", &kUserSlotBehaviour},
    {0, 0x84, kNone, "User05", &kUserSlotBehaviour},
    {0, 0x85, kNone, "User06", &kUserSlotBehaviour},
    {0, 0x86, kNone, "User07", &kUserSlotBehaviour},
    {0, 0x87, kNone, "User08", &kUserSlotBehaviour},
    {0, 0x88, kNone, "User09", &kUserSlotBehaviour},
    {0, 0x89, kNone, "User10", &kUserSlotBehaviour},
    {kEndOpcode, 0, kNone, "End", nullptr},
};
static_assert(std::size(kCatalogue) == kCommandRows + 1);

// Byte count of the first `max_chars` UTF-8 characters of `text`.
std::size_t Utf8Prefix(std::string_view text, std::size_t max_chars) {
  std::size_t i = 0;
  for (std::size_t chars = 0; i < text.size() && chars < max_chars; ++chars) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t len = 1;
    if (lead >= 0xF0) {
      len = 4;
    } else if (lead >= 0xE0) {
      len = 3;
    } else if (lead >= 0xC0) {
      len = 2;
    }
    i = std::min(text.size(), i + len);
  }
  return i;
}

}  // namespace

std::span<const CommandEntry> CommandCatalogue() { return kCatalogue; }

bool MovesNoData(std::uint32_t opcode) {
  constexpr std::uint32_t kPauseResumeOpcode = mmc::kPauseResume;
  if (opcode == kPauseResumeOpcode) return true;
  for (const CommandEntry& e : CommandCatalogue()) {
    if (!IsUserSlot(e) && e.opcode == opcode && e.opcode != kEndOpcode) {
      return e.direction == DataDirection::kNone;
    }
  }
  return false;
}

std::string DefaultSlotName(std::size_t slot) {
  return StrFormat("User%02u", static_cast<unsigned>(slot + 1));
}

CatalogueState::CatalogueState() { Reset(); }

std::uint32_t CatalogueState::Opcode(std::size_t index) const {
  if (IsUserRow(index)) return rows_[index].opcode;
  return kCatalogue[index].opcode;
}

std::string CatalogueState::Name(std::size_t index) const {
  if (IsUserRow(index)) return rows_[index].name;
  return kCatalogue[index].name;
}

DataDirection CatalogueState::Direction(std::size_t index) const {
  if (IsUserRow(index)) {
    return rows_[index].direction;
  }
  return kCatalogue[index].direction;
}

void CatalogueState::RenameSlot(std::size_t index, std::string_view name) {
  if (!IsUserRow(index)) return;
  rows_[index].name = std::string(name.substr(0, Utf8Prefix(name, kUserNameMax)));
}

void CatalogueState::Reset() {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    rows_[i] = CommandRowState{};
    if (IsUserRow(i)) rows_[i].name = DefaultSlotName(i - kFirstUserRow);
  }
}

const char* ListKindLabel(ListKind kind) {
  switch (kind) {
    case ListKind::kCode:
      return "Code(C)";
    case ListKind::kName:
      return "Name(N)";
    case ListKind::kUser:
      return "User(U)";
  }
  return "";
}

std::string ListEntryText(ListKind kind, std::size_t row, const CatalogueState& state) {
  if (kind == ListKind::kName) return state.Name(row);
  return StrFormat("%02xh %s", state.Opcode(row), state.Name(row).c_str());
}

std::vector<ListEntry> CommandList(ListKind kind, const CatalogueState& state) {
  std::vector<std::size_t> rows;
  if (kind == ListKind::kUser) {
    for (std::size_t i = kFirstUserRow; i < kCommandRows; ++i) rows.push_back(i);
  } else {
    for (std::size_t i = 0; i < kBuiltInRows; ++i) rows.push_back(i);
    if (kind == ListKind::kCode) {
      std::stable_sort(rows.begin(), rows.end(), [](std::size_t a, std::size_t b) {
        return kCatalogue[a].opcode < kCatalogue[b].opcode;
      });
    } else {
      // Byte-wise: std::string_view compares as unsigned char.
      std::stable_sort(rows.begin(), rows.end(), [](std::size_t a, std::size_t b) {
        return std::string_view(kCatalogue[a].name) < std::string_view(kCatalogue[b].name);
      });
    }
  }
  std::vector<ListEntry> list;
  list.reserve(rows.size());
  for (std::size_t r : rows) list.push_back({r, ListEntryText(kind, r, state)});
  return list;
}

std::string SlotEntryAfterOpcodeEdit(std::size_t row, std::uint32_t opcode) {
  return StrFormat("%02xh User%02u", opcode, static_cast<unsigned>(row - kFirstUserRow + 1));
}

std::optional<std::size_t> FindRowByOpcode(std::uint32_t opcode, const CatalogueState& state) {
  for (std::size_t i = 0; i < kCommandRows; ++i) {
    if (state.Opcode(i) == opcode) return i;
  }
  return std::nullopt;
}

}  // namespace tamarack
