#include "device/read_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/env.h"

namespace tamarack {

std::size_t PageSize() { return Env::Default().PageSize(); }

void ReadBuffer::FreeBytes::operator()(std::uint8_t* p) const { Env::Default().FreeAligned(p); }

void ReadBuffer::Resize(std::size_t size) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  // aligned_alloc wants a whole number of its alignment; never 0, so that data() is never null.
  const std::size_t unit = size == 0 ? PageSize() : kHugePage;
  const std::size_t capacity = (std::max<std::size_t>(size, 1) + unit - 1) / unit * unit;
  // Huge pages are only advice: where the kernel has none to give, the buffer is of small pages.
  void* p = Env::Default().AllocateAligned(unit, capacity, size > 0);
  if (!p) throw std::bad_alloc();
  std::memset(p, 0, size);
  bytes_.reset(static_cast<std::uint8_t*>(p));
  size_ = size;
}

}  // namespace tamarack
