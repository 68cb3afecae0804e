// The drive's mode parameters: for each mode page its current, changeable, default and saved
// values; Mode Sense replies and Mode Select parameter lists of the 6- and 10-byte commands.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "emu/sense_codes.h"

namespace tamarack::emu {

enum class PageControl : std::uint8_t { kCurrent = 0, kChangeable = 1, kDefault = 2, kSaved = 3 };

inline constexpr std::uint8_t kAllPages = 0x3F;
inline constexpr std::uint8_t kCapabilitiesPage = 0x2A;

// The mode parameter header: 4 bytes for Mode Sense(6) and Mode Select(6) (one-byte mode data
// length, medium type, device-specific parameter, block descriptor length), 8 bytes for the
// 10-byte commands (two-byte lengths).
enum class ModeHeader : std::uint8_t { k6, k10 };
inline constexpr std::size_t ModeHeaderSize(ModeHeader h) { return h == ModeHeader::k6 ? 4 : 8; }

// Not thread-safe; the drive serialises its use.
class ModePages {
 public:
  // `c2_pointers`: page 2Ah says the drive reports C2 error pointers.
  explicit ModePages(bool c2_pointers = true);

  // The page codes the drive knows, ascending.
  std::vector<std::uint8_t> Codes() const;
  bool Has(std::uint8_t code) const { return pages_.count(code) != 0; }
  // A page as Mode Sense returns it (byte 0 the code with PS for a saveable page, byte 1 the
  // length of the rest). Empty for an unknown code.
  std::vector<std::uint8_t> Page(std::uint8_t code, PageControl pc) const;

  // Applies a Mode Select parameter list (mode parameter header of layout `header`, optional
  // block descriptor, pages). Every page is checked before any is applied: an unknown page, a wrong
  // page length or a changed bit that is not changeable gives 5/26/00, a list cut inside a page
  // 5/1A/00. With `save` the new values of the pages become their saved values too. With
  // `check_reserved` (a current drive), a mode data length other than 0 or a page with its PS
  // bit set (both reserved in Mode Select) gives 5/26/00 too.
  SenseCode Select(std::span<const std::uint8_t> list, ModeHeader header, bool save,
                   bool check_reserved = false);

  // Keeps the status fields of page 2Ah in step with the drive (speeds in kB/s).
  void SetCapabilityStatus(std::uint32_t max_read_kbps, std::uint32_t current_read_kbps,
                           bool locked);

 private:
  struct PageValues {
    bool saveable = true;
    std::vector<std::uint8_t> current, changeable, defaults, saved;
  };
  void Add(std::uint8_t code, std::vector<std::uint8_t> defaults,
           std::vector<std::uint8_t> changeable, bool saveable);
  std::map<std::uint8_t, PageValues> pages_;
};

// The whole Mode Sense reply for `page_code` (kAllPages: every page, ascending): the header of
// layout `header` with the mode data length, `medium_type` and the block descriptor length,
// `block_descriptor` (none when empty), the pages. Empty when the page is unknown. The 6-byte
// header counts at most 255 bytes after its length byte: pages that would not fit are left out.
std::vector<std::uint8_t> BuildModeSense(const ModePages& pages, ModeHeader header,
                                         std::uint8_t page_code, PageControl pc,
                                         std::uint8_t medium_type,
                                         std::span<const std::uint8_t> block_descriptor = {});

}  // namespace tamarack::emu
