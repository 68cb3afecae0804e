// Every reply decoder of the catalogue, on any reply: the CDB chooses the row and its decoder
// as the Command tab would; the same bytes as the capability page of the Properties tab. Input: 12
// CDB bytes, the transferred count (4 bytes, big-endian), the dump grouping (1 byte), then the
// buffer.
#include <cstdint>
#include <vector>

#include "console/catalogue_decode.h"
#include "views/properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeader = 12 + 4 + 1;
  if (size < kHeader) return 0;
  tamarack::Cdb cdb{};
  std::copy(data, data + 12, cdb.begin());
  const std::uint32_t transferred = static_cast<std::uint32_t>(data[12]) << 24 |
                                    static_cast<std::uint32_t>(data[13]) << 16 |
                                    static_cast<std::uint32_t>(data[14]) << 8 | data[15];
  constexpr int kGroups[] = {0, 1, 2, 4, 8, 16};
  const int group = kGroups[data[16] % 6];
  // A buffer of exactly the rest, so that any read beyond it is caught.
  const std::vector<std::uint8_t> buffer(data + kHeader, data + size);
  (void)tamarack::DecodeWithCatalogue(cdb, buffer, transferred, group);
  // The Properties tab's capability list reads page 2Ah out of a Mode Sense reply.
  (void)tamarack::CapabilityRows(buffer);
  return 0;
}
