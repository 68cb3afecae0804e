// The mode page editor of Mode Sense(10) and Mode Select(10) as a model: the two page tables,
// the page list with its icons, the tab strip, the current page and screen with their fields,
// "Sens->Select Copy", and what the editor puts into the command (Mode Sense: the picked
// page code; Mode Select: the parameter list of the marked pages and its length).
// Window-thread object; the window only renders it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "decode/mode_page_table.h"
#include "device/scsi.h"
#include "form/form_layout.h"
#include "util/message_catalogue.h"

namespace tamarack {

enum class ModeCommand : std::uint8_t { kSense, kSelect };

// Page list icons: Mode Select rows not sent / sent; Mode Sense rows / the picked row.
inline constexpr int kIconPageNotSent = 0;
inline constexpr int kIconPageSent = 1;
inline constexpr int kIconSensePage = 2;
inline constexpr int kIconSensePicked = 3;

inline constexpr const char* kCopiedMessage = TR_NOOP("ﾊﾟﾗﾒﾀをｺﾋﾟｰしました");

struct ModePageListEntry {
  std::string text;  // "%02xh %s"
  int icon = 0;
};

class ModePageEditor {
 public:
  ModePageEditor();

  ModePageTable& sense_table() { return sense_; }
  const ModePageTable& sense_table() const { return sense_; }
  ModePageTable& select_table() { return select_; }
  const ModePageTable& select_table() const { return select_; }
  // "ｺﾏﾝﾄﾞ初期化": both tables as at installation, Mode Sense's empty and Mode Select's with
  // its templates.
  void ResetTables();

  // --- the form shown ---
  // The form of `command` was opened (its command selected), `cdb` being the command's stored
  // CDB. The tab strip holds every page of the command's table. Mode Sense: the row whose code
  // equals CDB byte 2 bits 5-0 becomes the picked row (no row when none does).
  void Open(ModeCommand command, const Cdb& cdb);
  ModeCommand command() const { return command_; }
  const ModePageTable& table() const { return command_ == ModeCommand::kSense ? sense_ : select_; }

  // --- the page list ---
  std::vector<ModePageListEntry> PageList() const;
  // Mode Select: toggles whether the page is sent. Mode Sense: the row becomes the only picked
  // one, its page the current page at screen 0 (and its first tab the selected tab).
  void ClickPage(std::size_t index);

  // --- the tab strip ---
  const std::vector<ModeTab>& tabs() const { return tabs_; }
  // The tab of the current page and screen; none when the strip has no such tab.
  std::optional<std::size_t> current_tab() const;
  // The tab's page and screen become current (the page looked up in the command's table).
  void SelectTab(std::size_t index);

  // --- the current page ---
  std::size_t current_page() const;
  std::uint32_t current_screen() const;
  const ModePageRow& current_row() const { return table().row(current_page()); }
  const std::string& PageName() const { return current_row().name; }

  // --- the editor: the fields of the current page and screen only ---
  const std::vector<FieldDescriptor>& fields() const { return fields_; }
  const std::vector<FieldState>& field_states() const { return states_; }
  bool has_number_fields() const { return HasNumberField(fields_); }
  bool hex_input() const { return hex_input_; }
  void SetHexInput(bool on);
  // Refills the editor from the current page buffer ("fill": after a page or tab change, a
  // Mode Sense decode, settings loaded).
  void Refresh();
  // Live collection: a field changed; the editor is written back into the current page
  // buffer (other bits of a shared byte kept; a choice showing nothing leaves its bits).
  void UpdateField(std::size_t index, const FieldState& state);
  void SpinField(std::size_t index, bool up);

  // --- what the editor puts into the command ---
  // Mode Sense: CDB byte 2 bits 5-0 from the picked row (unchanged without one). Mode Select:
  // the parameter list as `out_data` and its length in CDB bytes 7-8.
  void ApplyToCommand(Cdb& cdb, std::vector<std::uint8_t>& out_data) const;

  // --- the buttons ---
  bool copy_enabled() const { return copy_enabled_; }
  bool changeable_view_enabled() const { return changeable_view_enabled_; }
  // "Sens->Select Copy": for every tab of Mode Sense's strip at screen 0 whose page both tables
  // know, the Mode Sense page buffer is copied to the Mode Select row. Returns the message box text
  // ("%02xh " per page in tab order, then the notice); empty when nothing was copied.
  std::string CopySenseToSelect();

  // --- a Mode Sense reply (the bytes returned) and the CDB as executed ---
  // The pages are walked into the Mode Sense table, the tab strip holds the tabs of the pages
  // found, the first of them becomes the current page at screen 0, and the buttons follow
  // the page control ("Changable View" after changeable values, else "Sens->Select Copy").
  void TakeModeSenseReply(std::span<const std::uint8_t> reply, const Cdb& cdb);

 private:
  ModePageTable& mutable_table() { return command_ == ModeCommand::kSense ? sense_ : select_; }
  struct Position {
    std::size_t page = 0;
    std::uint32_t screen = 0;
  };
  Position& position() { return command_ == ModeCommand::kSense ? sense_at_ : select_at_; }
  const Position& position() const {
    return command_ == ModeCommand::kSense ? sense_at_ : select_at_;
  }
  void Collect(std::size_t index);

  ModePageTable sense_ = ModePageTable::ModeSense();
  ModePageTable select_ = ModePageTable::ModeSelect();
  ModeCommand command_ = ModeCommand::kSense;
  // The current page and screen of each table.
  Position sense_at_, select_at_;
  std::vector<ModeTab> tabs_;
  // Mode Sense's strip (every page when its form opened, the pages returned after a decode):
  // what "Sens->Select Copy" copies, also while Mode Select is shown.
  std::vector<ModeTab> sense_tabs_;
  std::vector<FieldDescriptor> fields_;
  std::vector<FieldState> states_;
  bool hex_input_ = false;
  bool copy_enabled_ = false;
  bool changeable_view_enabled_ = false;
};

}  // namespace tamarack
