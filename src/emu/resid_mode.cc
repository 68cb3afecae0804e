#include "emu/resid_mode.h"

#include <algorithm>

namespace tamarack::emu {

bool ParseResidMode(std::string_view text, ResidMode* mode) {
  if (text == "exact") {
    *mode = ResidMode::kExact;
  } else if (text == "none") {
    *mode = ResidMode::kNone;
  } else if (text == "zero") {
    *mode = ResidMode::kZero;
  } else if (text == "pad") {
    *mode = ResidMode::kPad;
  } else if (text == "under") {
    *mode = ResidMode::kUnder;
  } else {
    return false;
  }
  return true;
}

std::uint32_t DeliverReply(ResidMode mode, std::span<std::uint8_t> buffer, std::size_t sent,
                           std::size_t pad_to, bool block_read) {
  sent = std::min(sent, buffer.size());
  std::size_t reported = sent;
  switch (mode) {
    case ResidMode::kExact:
      break;
    case ResidMode::kNone:
      reported = buffer.size();
      break;
    case ResidMode::kZero:
      std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(sent), buffer.end(), std::uint8_t{0});
      reported = buffer.size();
      break;
    case ResidMode::kUnder:
      if (block_read && sent < buffer.size()) {
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(sent), buffer.end(),
                  std::uint8_t{0});
        return 0;
      }
      [[fallthrough]];
    case ResidMode::kPad:
      reported = std::clamp(pad_to, sent, buffer.size());
      std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(sent),
                buffer.begin() + static_cast<std::ptrdiff_t>(reported), std::uint8_t{0});
      break;
  }
  return static_cast<std::uint32_t>(reported);
}

}  // namespace tamarack::emu
