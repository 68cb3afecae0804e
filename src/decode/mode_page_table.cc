#include "decode/mode_page_table.h"

#include <algorithm>

#include "util/strings.h"

namespace tamarack {

namespace {

struct PageInfo {
  std::uint32_t code;
  std::uint32_t sense_length;
  std::uint32_t select_length;  // 0: not in the Mode Select table
  std::uint32_t screens;
  const char* sense_name;
  const char* select_name;
};

constexpr PageInfo kPages[] = {
    {0x3F, 6, 0, 0, "Return all pages ", nullptr},
    {0x01, 12, 12, 0, "Read/Write Error Recovery", "Read/Write Error Recovery"},
    {0x05, 52, 52, 3, "Write Parameters", "Write Parameter"},
    {0x0D, 8, 8, 0, "CD Device Parameters", "CD Device Parameters"},
    {0x0E, 16, 16, 0, "CD Audio Control", "CD Audio Control"},
    {0x1A, 12, 12, 0, "Power Condition", "Power Condition"},
    {0x1C, 12, 12, 0, "Fault/Failure Reporting", "Fault/Failure Reporting"},
    {0x1D, 10, 10, 0, "Time-out and Protect", "Time-out and Protect"},
    // Mode Select sends the page with its 30 bytes (page length 28); Mode Sense lists 28.
    {0x2A, 28, 30, 5, "CD/DVD Capabilities and Mechanical Status",
     "CD/DVD Capabilities and Mechanical Status"},
    {0x2C, 6, 6, 0, "MRW Mode", "MRW Mode"},
};

}  // namespace

ModePageTable ModePageTable::ModeSense() {
  ModePageTable t;
  t.kind_ = ModeTableKind::kSense;
  for (const PageInfo& p : kPages) {
    ModePageRow r;
    r.page_code = p.code;
    r.page_length = p.sense_length;
    r.screen_count = p.screens;
    r.name = p.sense_name;
    t.rows_.push_back(std::move(r));
  }
  return t;
}

ModePageTable ModePageTable::ModeSelect() {
  ModePageTable t;
  t.kind_ = ModeTableKind::kSelect;
  for (const PageInfo& p : kPages) {
    if (p.select_length == 0) continue;
    ModePageRow r;
    r.page_code = p.code;
    r.page_length = p.select_length;
    r.screen_count = p.screens;
    r.name = p.select_name;
    t.rows_.push_back(std::move(r));
  }
  ApplyModeSelectTemplates(t);
  return t;
}

std::optional<std::size_t> ModePageTable::Find(std::uint32_t page_code) const {
  const std::uint32_t code = page_code & 0x3Fu;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].page_code == code) return i;
  }
  return std::nullopt;
}

std::array<std::uint8_t, kModePageSavedBytes> ModePageTable::SavedRow(std::size_t index) const {
  std::array<std::uint8_t, kModePageSavedBytes> saved{};
  if (index >= rows_.size()) return saved;
  const ModePageRow& r = rows_[index];
  std::copy(r.buffer.begin(), r.buffer.end(), saved.begin());
  saved[kModePageBufferBytes] = r.byte_after;
  return saved;
}

void ModePageTable::LoadSavedRow(std::size_t index, std::span<const std::uint8_t> saved) {
  if (index >= rows_.size()) return;
  ModePageRow& r = rows_[index];
  const std::size_t n = std::min(saved.size(), kModePageBufferBytes);
  std::copy_n(saved.begin(), n, r.buffer.begin());
  if (saved.size() > kModePageBufferBytes) r.byte_after = saved[kModePageBufferBytes];
}

std::span<const std::uint32_t> SavedRowCodes(ModeTableKind kind) {
  static constexpr std::uint32_t kSense[] = {0x3F, 0x01, 0x05, 0x0D, 0x0E,
                                             0x1A, 0x1C, 0x1D, 0x2A, 0x2C};
  if (kind == ModeTableKind::kSense) return kSense;
  return std::span<const std::uint32_t>(kSense).subspan(1);
}

std::optional<std::size_t> ModePageTable::LoadSavedPage(std::size_t index,
                                                        std::span<const std::uint8_t> saved) {
  if (saved.empty()) return std::nullopt;
  std::uint32_t code = saved[0] & 0x3Fu;
  const std::span<const std::uint32_t> codes = SavedRowCodes(kind_);
  if (code == 0 && index < codes.size()) code = codes[index];
  const std::optional<std::size_t> row = Find(code);
  if (row) LoadSavedRow(*row, saved);
  return row;
}

ModePageTable ModePageTable::OfRows(ModeTableKind kind, std::vector<ModePageRow> rows) {
  ModePageTable t;
  t.kind_ = kind;
  t.rows_ = std::move(rows);
  return t;
}

void ApplyModeSelectTemplates(ModePageTable& table) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    ModePageRow& r = table.row(i);
    if (r.page_code == kCapabilitiesPageCode) r.page_length = 30;
    r.buffer[0] = static_cast<std::uint8_t>(r.page_code);
    r.buffer[1] = static_cast<std::uint8_t>(r.page_length - 2);
    if (r.page_code == 0x0D) {
      r.buffer[5] = 0x3C;  // 60 S units per M unit
      r.buffer[7] = 0x4B;  // 75 F units per S unit
    } else if (r.page_code == 0x0E) {
      r.buffer[9] = 0xFF;   // full volume on port 0
      r.buffer[11] = 0xFF;  // and on port 1
    }
  }
}

std::vector<ModeTab> TabsOfRow(const ModePageRow& row) {
  std::vector<ModeTab> tabs;
  if (row.screen_count == 0) {
    tabs.push_back({StrFormat("%02xh", row.page_code), ModeTabValue(0, row.page_code)});
    return tabs;
  }
  for (std::uint32_t s = 0; s < row.screen_count; ++s) {
    tabs.push_back({StrFormat("%02xh (%u)", row.page_code, s + 1), ModeTabValue(s, row.page_code)});
  }
  return tabs;
}

std::vector<ModeTab> TabsOfTable(const ModePageTable& table) {
  std::vector<ModeTab> tabs;
  for (const ModePageRow& r : table.rows()) {
    const std::vector<ModeTab> t = TabsOfRow(r);
    tabs.insert(tabs.end(), t.begin(), t.end());
  }
  return tabs;
}

std::string PageListText(const ModePageRow& row) {
  return StrFormat("%02xh %s", row.page_code, row.name.c_str());
}

}  // namespace tamarack
