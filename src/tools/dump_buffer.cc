#include "tools/dump_buffer.h"

#include <algorithm>
#include <new>

#include "form/decoder.h"

namespace tamarack {

std::size_t DumpRequestBytes(std::uint32_t blocks) {
  constexpr std::size_t kUnit = 512;
  const std::size_t bytes = static_cast<std::size_t>(blocks) * kDumpBlockBytes;
  return (bytes + kUnit - 1) / kUnit * kUnit;
}

bool DumpBuffer::Prepare(std::uint32_t blocks) {
  const std::size_t size = DumpRequestBytes(blocks);
  if (capacity_blocks_ < blocks) {
    try {
      std::vector<std::uint8_t> bigger(size);
      bytes_.swap(bigger);
    } catch (const std::bad_alloc&) {
      return false;
    }
    capacity_blocks_ = blocks;
  }
  request_ = size;
  valid_ = 0;
  std::fill_n(bytes_.begin(), request_, kFillByte);
  return true;
}

void DumpBuffer::SetValid(std::uint32_t transferred) {
  valid_ = MeasuredDumpLength(request(), transferred);
}

std::size_t MeasuredDumpLength(std::span<const std::uint8_t> request, std::uint32_t transferred) {
  const std::size_t moved = std::min<std::size_t>(transferred, request.size());
  if (moved == 0 || moved < request.size()) return moved;
  std::size_t end = moved;
  while (end > 0 && request[end - 1] == kFillByte) --end;
  return end;
}

}  // namespace tamarack
