// The two mode page tables of the page editor (one for Mode Sense, one for Mode Select): each
// row a page the program knows, with its length, its editor screens, its send flag and the
// page buffer that Mode Sense fills, "Sens->Select Copy" copies and the editor changes. Also
// the tab strip's labels and values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tamarack {

// Bytes of a page buffer; a page longer than that is kept in part.
inline constexpr std::size_t kModePageBufferBytes = 100;
// The saved form of a row: the page buffer and one byte after it.
inline constexpr std::size_t kModePageSavedBytes = kModePageBufferBytes + 1;

inline constexpr std::uint32_t kAllPagesCode = 0x3F;
inline constexpr std::uint32_t kCapabilitiesPageCode = 0x2A;

enum class ModeTableKind : std::uint8_t { kSense, kSelect };

struct ModePageRow {
  std::uint32_t page_code = 0;
  // The whole page in bytes, page code and length bytes included (at most 100).
  std::uint32_t page_length = 0;
  // Editor screens; 0 means one screen without a number.
  std::uint32_t screen_count = 0;
  // Mode Select: the page goes into the parameter list. Mode Sense: the page picked in the list.
  bool send = false;
  std::array<std::uint8_t, kModePageBufferBytes> buffer{};
  // The byte the settings file keeps after the page buffer. Nothing uses it; it is kept so
  // that a settings file reads and writes back unchanged.
  std::uint8_t byte_after = 0;
  std::string name;
};

// One table. Window-thread data.
class ModePageTable {
 public:
  // The Mode Sense table: 3Fh, 01h, 05h, 0Dh, 0Eh, 1Ah, 1Ch, 1Dh, 2Ah (28 bytes), 2Ch; every
  // buffer zero.
  static ModePageTable ModeSense();
  // The Mode Select table: the same pages without 3Fh, page 2Ah 30 bytes, each buffer set to
  // its template (ApplyModeSelectTemplates).
  static ModePageTable ModeSelect();

  ModeTableKind kind() const { return kind_; }
  std::size_t size() const { return rows_.size(); }
  ModePageRow& row(std::size_t index) { return rows_.at(index); }
  const ModePageRow& row(std::size_t index) const { return rows_.at(index); }
  std::span<const ModePageRow> rows() const { return rows_; }

  // The first row of a page code (only bits 5-0 count, so a page read with its PS bit set is
  // found too).
  std::optional<std::size_t> Find(std::uint32_t page_code) const;

  // --- the settings file ("ModeSelect%02d=" and "ModeSenset%02d=") ---
  // The row's 100 page bytes and the byte after them.
  std::array<std::uint8_t, kModePageSavedBytes> SavedRow(std::size_t index) const;
  // Takes a saved row back: up to 100 page bytes and the byte after them; bytes that `saved`
  // does not hold are left as they are. An index beyond the table is ignored.
  void LoadSavedRow(std::size_t index, std::span<const std::uint8_t> saved);
  // Takes the row saved as row `index` back onto the row of the page code its byte 0 holds
  // (bits 5-0), whatever row it was saved from; a byte 0 of 0 (a page neither read nor set
  // from a template) names the page that row `index` held in the files written so far
  // (SavedRowCodes). The row it went to, or nullopt (nothing taken) when no row has that code.
  std::optional<std::size_t> LoadSavedPage(std::size_t index, std::span<const std::uint8_t> saved);

  // A table of the rows given, in their order (a table of another page set).
  static ModePageTable OfRows(ModeTableKind kind, std::vector<ModePageRow> rows);

 private:
  ModeTableKind kind_ = ModeTableKind::kSense;
  std::vector<ModePageRow> rows_;
};

// The page code of each saved row, by its index, in the files written so far: the table's order
// before any page was added to it. It never changes; a page added to a table only makes
// rows the settings file holds by their code byte.
std::span<const std::uint32_t> SavedRowCodes(ModeTableKind kind);

// The Mode Select templates set at start: byte 0 the page code and byte 1 the page length
// less 2 in every buffer; page 0Dh 60 S units per M unit and 75 F units per S unit; page 0Eh
// full volume on ports 0 and 1.
void ApplyModeSelectTemplates(ModePageTable& table);

// One tab of the tab strip: "%02xh" for a page without screens, "%02xh (%d)" with the screen
// number from 1 for each screen of a page with screens.
struct ModeTab {
  std::string label;
  std::uint32_t value = 0;  // screen index × 65536 + page code
};

inline constexpr std::uint32_t ModeTabValue(std::uint32_t screen, std::uint32_t page_code) {
  return screen * 65536u + page_code;
}
inline constexpr std::uint32_t ModeTabPageCode(std::uint32_t value) { return value & 0xFFFFu; }
inline constexpr std::uint32_t ModeTabScreen(std::uint32_t value) { return value >> 16; }

// The tabs of one row.
std::vector<ModeTab> TabsOfRow(const ModePageRow& row);
// The tabs of every row of a table, in table order.
std::vector<ModeTab> TabsOfTable(const ModePageTable& table);

// The page list entry of a row: "%02xh %s" (code, name).
std::string PageListText(const ModePageRow& row);

}  // namespace tamarack
