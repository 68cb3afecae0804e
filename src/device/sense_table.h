// The error table that turns a sense key, ASC and ASCQ into a message.
#pragma once

#include <cstdint>
#include <span>

namespace tamarack {

// The key of the row that ends a table; its empty message is what a failed lookup yields.
inline constexpr std::uint32_t kSenseTableEndKey = 0xFFFFFFFFu;

struct SenseRow {
  std::uint32_t key;
  std::uint32_t asc;
  std::uint32_t ascq;
  // Begins with one blank, which the status line and the sense dialog keep and the
  // sense-code list drops.
  const char* message;
};

// The 198 built-in rows followed by the end row. Static data, never changed at run time.
std::span<const SenseRow> BuiltInSenseTable();

}  // namespace tamarack
