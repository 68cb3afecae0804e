#include "mmc/read_capacity.h"

#include <algorithm>

#include "util/bytes.h"

namespace tamarack::mmc {

std::optional<Capacity> ParseCapacity(std::span<const std::uint8_t> reply,
                                      std::size_t transferred) {
  const std::size_t n = std::min(reply.size(), transferred);
  if (n < 4) return std::nullopt;
  const auto got = reply.first(n);
  return Capacity{ReadBe32(got, 0), ReadBe32(got, 4)};
}

}  // namespace tamarack::mmc
