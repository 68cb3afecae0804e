// The mode page editor's fields as the command line names and shows them (modesense,
// modeselect): every field of every screen of a page, each with a name unique on its page,
// its value as text, and setting a field by name from typed text.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "decode/mode_page_table.h"
#include "device/device_session.h"
#include "form/form_layout.h"

namespace tamarack::cli {

struct ModeFieldText {
  std::string name;   // the label; unlabelled boxes are named after their row ("Port 0#2")
  std::string value;  // "On"/"Off", the choice text (or "(%02xh)"), the number, the text
  FieldDescriptor field;
};

// The fields of every screen of the row's page, over its buffer. A name that would repeat on
// the page gets "#2", "#3", ... ; the unlabelled reporting method of page 1Ch is "Method of
// Reporting".
std::vector<ModeFieldText> ModePageFieldTexts(const ModePageRow& row);

// Sets the field named `name` (case-insensitive) of the row's page from `value`, read as
// SetFieldFromText reads typed text. Other bits of a shared byte are kept. Returns an error
// text, empty on success.
std::string SetModeField(ModePageRow& row, std::string_view name, std::string_view value);

// A page code typed as hexadecimal ("2a", "2Ah", "0x2a"), 00h to 3Fh.
std::optional<std::uint32_t> ParsePageCode(std::string_view text);

// "current", "changeable", "default", "saved" → 0 to 3.
std::optional<std::uint32_t> ParsePageControl(std::string_view text);

// Mode Sense(10) of `page_code` with page control `pc` into a 40960-byte buffer filled with
// 5Ah; `returned` gets the bytes the reply returned.
CommandOutcome RunModeSense(DeviceSession& session, std::uint32_t page_code, std::uint32_t pc,
                            std::vector<std::uint8_t>* returned, Cdb* cdb);

// The bytes a captured Mode Sense reply returns, taken as RunModeSense takes the live one.
std::vector<std::uint8_t> CapturedModeSenseBytes(std::span<const std::uint8_t> reply);

// The modesense subcommand's output for the returned bytes: the medium type and each page the
// editor knows with its fields, or with `json` the same as JSON (cmd_modesense.cc).
void PrintModeSenseReply(std::span<const std::uint8_t> reply, const std::string& pc_name, bool json,
                         std::ostream& out);

}  // namespace tamarack::cli
