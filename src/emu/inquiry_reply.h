// Inquiry replies of the virtual drive: the standard data and the vital product data pages
// that the kernel's scan, udev and sg_inq read (00h supported pages, 80h unit serial number,
// 83h device identification).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tamarack::emu {

// The standard Inquiry data (96 bytes).
std::vector<std::uint8_t> BuildStandardInquiry();

// The whole VPD page `page` for a drive with serial number `serial`; nothing for a page the
// drive does not have.
std::optional<std::vector<std::uint8_t>> BuildVpdPage(std::uint8_t page, std::string_view serial);

}  // namespace tamarack::emu
