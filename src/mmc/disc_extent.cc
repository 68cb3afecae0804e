#include "mmc/disc_extent.h"

#include <algorithm>
#include <array>

#include "mmc/read_capacity.h"
#include "mmc/read_toc.h"
#include "util/bytes.h"

namespace tamarack::mmc {

void ParseDiscExtent(std::span<const std::uint8_t> capacity, std::uint32_t capacity_bytes,
                     std::span<const std::uint8_t> toc, std::uint32_t toc_bytes, DiscExtent* e) {
  if (e->capacity.status == CommandStatus::kGood) {
    if (const auto c = ParseCapacity(capacity, capacity_bytes)) e->last_lba = c->last_lba;
  }
  if (e->toc.status != CommandStatus::kGood) return;
  // The first descriptor's address field of what came: 0 where the reply did not reach it.
  const auto got = toc.first(std::min<std::size_t>(toc.size(), toc_bytes));
  e->first_start = ReadBe32(got, kFirstDescriptorStart);
  e->track_starts = TrackStartsOfToc(toc, toc_bytes);
}

DiscExtent ReadDiscExtent(DeviceSession& session, const DiscExtentRequest& request) {
  DiscExtent e;
  std::array<std::uint8_t, 8> capacity{};
  e.capacity = session.Run(ReadCapacityCdb(), capacity);
  std::vector<std::uint8_t> toc(request.toc ? request.toc_length : 0, 0);
  if (request.toc) e.toc = session.Run(ReadTocCdb({.length = request.toc_length}), toc);
  ParseDiscExtent(capacity, e.capacity.result.transferred, toc, e.toc.result.transferred, &e);
  return e;
}

}  // namespace tamarack::mmc
