#include "emu/subchannel.h"

namespace tamarack::emu {

void PutPq(bool p, const SubQ& q, std::span<std::uint8_t, kSubchannelSize> sub) {
  for (std::size_t i = 0; i < kSubchannelSize; ++i) {
    const bool q_bit = (q[i / 8] >> (7 - i % 8)) & 1;
    sub[i] = static_cast<std::uint8_t>((sub[i] & 0x3F) | (p ? 0x80 : 0) | (q_bit ? 0x40 : 0));
  }
}

void BuildSubchannel(const DiscLayout& layout, std::int32_t lba,
                     std::span<std::uint8_t, kSubchannelSize> sub) {
  for (std::uint8_t& b : sub) b = 0;
  PutPq(PChannel(layout, lba), BuildSubQ(layout, lba), sub);
}

SubQ QFromRaw(std::span<const std::uint8_t, kSubchannelSize> sub) {
  SubQ q{};
  for (std::size_t i = 0; i < kSubchannelSize; ++i) {
    if (sub[i] & 0x40) q[i / 8] = static_cast<std::uint8_t>(q[i / 8] | (0x80 >> (i % 8)));
  }
  return q;
}

std::array<std::uint8_t, 16> FormattedQ(std::span<const std::uint8_t, kSubchannelSize> sub) {
  std::array<std::uint8_t, 16> out{};
  const SubQ q = QFromRaw(sub);
  for (std::size_t i = 0; i < q.size(); ++i) out[i] = q[i];
  return out;
}

std::array<std::uint8_t, kSubchannelSize> DeinterleavedRw(
    std::span<const std::uint8_t, kSubchannelSize> sub) {
  std::array<std::uint8_t, kSubchannelSize> out{};
  for (std::size_t i = 0; i < kSubchannelSize; ++i) out[i] = sub[i] & 0x3F;
  return out;
}

}  // namespace tamarack::emu
