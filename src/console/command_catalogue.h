// The command catalogue: the fixed rows of the Command tab (built-in MMC commands, ten user
// slots, the end row), the per-row state that changes at run time, and the list orders.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/scsi.h"
#include "form/command_behaviour.h"
#include "mmc/opcodes.h"

namespace tamarack {

// One row of the catalogue, its static part.
struct CommandEntry {
  std::uint32_t opcode;  // kEndOpcode for the end row; 0 for user slots (theirs is state)
  // Bits 0-7: user mark (0x80 + slot number for user slots). Bits 8-15: index of the CDB's
  // control byte (5, 9 or 11; 0 for user slots).
  std::uint32_t flags;
  DataDirection direction;  // user slots: the slot's own direction is state
  const char* name;
  const CommandBehaviour* behaviour;
};

// A built-in row of `opcode`: its control byte and data direction are the opcode table's.
consteval CommandEntry CatalogueRow(std::uint8_t opcode, const char* name,
                                    const CommandBehaviour* behaviour, DataDirection direction) {
  const auto control = static_cast<std::uint32_t>(mmc::OpcodeRow(opcode).cdb_length - 1);
  return CommandEntry{opcode, control << 8, direction, name, behaviour};
}
consteval CommandEntry CatalogueRow(std::uint8_t opcode, const char* name,
                                    const CommandBehaviour* behaviour) {
  return CatalogueRow(opcode, name, behaviour, mmc::OpcodeRow(opcode).direction);
}

inline constexpr std::uint32_t kEndOpcode = 0xFFFFFFFFu;
inline constexpr std::size_t kBuiltInRows = 26;
inline constexpr std::size_t kUserSlotCount = 10;
inline constexpr std::size_t kFirstUserRow = kBuiltInRows;
inline constexpr std::size_t kCommandRows = kBuiltInRows + kUserSlotCount;  // without the end row
inline constexpr std::size_t kUserNameMax = 30;                             // characters

// The 37 rows in table order, the end row last.
std::span<const CommandEntry> CommandCatalogue();

inline bool IsUserSlot(const CommandEntry& e) { return (e.flags & 0x80u) != 0; }
inline int ControlByteIndex(const CommandEntry& e) {
  return static_cast<int>((e.flags >> 8) & 0xFFu);
}
inline bool IsUserRow(std::size_t row) { return row >= kFirstUserRow && row < kCommandRows; }

// Whether a command of this opcode moves no data: the built-in rows without a data phase, and
// Pause/Resume, whose row says data in. Such a command goes out with no data direction: a
// data-in buffer would come back "transferred" whole from libata.
bool MovesNoData(std::uint32_t opcode);

// "User%02d" with the slot number from 1.
std::string DefaultSlotName(std::size_t slot);

// The state of one row that changes at run time.
struct CommandRowState {
  Cdb cdb_store{};  // the command's remembered CDB (the user's CDB for a slot)
  // Data-out rows: the bytes sent and their count (Mode Select, Send Event, slots).
  std::vector<std::uint8_t> out_data;
  // User slots only.
  std::uint32_t opcode = 0;  // CDB byte 0 as last collected
  DataDirection direction = DataDirection::kNone;
  std::uint32_t length = 0;  // data length in bytes
  std::string name;
};

// The mutable half of the catalogue. Window-thread data; a running command works on a copy.
class CatalogueState {
 public:
  CatalogueState();

  CommandRowState& row(std::size_t index) { return rows_.at(index); }
  const CommandRowState& row(std::size_t index) const { return rows_.at(index); }

  // The row's opcode (a slot's from its CDB), name (a slot's own) and direction.
  std::uint32_t Opcode(std::size_t index) const;
  std::string Name(std::size_t index) const;
  DataDirection Direction(std::size_t index) const;

  // A slot's new name, cut to 30 characters (whole UTF-8 characters).
  void RenameSlot(std::size_t index, std::string_view name);

  // "ｺﾏﾝﾄﾞ初期化": every stored CDB and out data cleared; slots back to opcode, direction and
  // length 0 and their default names.
  void Reset();

 private:
  std::array<CommandRowState, kCommandRows> rows_;
};

enum class ListKind : std::uint8_t { kCode = 0, kName = 1, kUser = 2 };

// "Code(C)", "Name(N)", "User(U)".
const char* ListKindLabel(ListKind kind);

struct ListEntry {
  std::size_t row;  // the item data: the row index
  std::string text;
};

// The command list in one order. Code: built-in rows by ascending opcode, "%02xh %s". Name:
// built-in rows by byte-wise name order, the bare name. User: the ten slots in slot order,
// "%02xh %s" with the slot's opcode and name.
std::vector<ListEntry> CommandList(ListKind kind, const CatalogueState& state);

// The entry text of one row in an order.
std::string ListEntryText(ListKind kind, std::size_t row, const CatalogueState& state);

// The list entry of a slot right after its byte 0 was typed: "%02xh User%02d" (the slot
// number, also for a renamed slot; the name itself is kept).
std::string SlotEntryAfterOpcodeEdit(std::size_t row, std::uint32_t opcode);

// The first row in table order whose opcode equals `opcode`: built-in rows first, then the
// slots by their current opcode.
std::optional<std::size_t> FindRowByOpcode(std::uint32_t opcode, const CatalogueState& state);

}  // namespace tamarack
