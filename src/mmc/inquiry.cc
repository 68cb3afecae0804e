#include "mmc/inquiry.h"

#include <algorithm>

#include "util/strings.h"

namespace tamarack::mmc {

namespace {

std::string Field(std::span<const std::uint8_t> reply, std::size_t at, std::size_t size) {
  if (reply.size() <= at) return {};
  return FixedText(reply.subspan(at, std::min(size, reply.size() - at)));
}

}  // namespace

InquiryNames InquiryNamesOf(std::span<const std::uint8_t> reply) {
  return {Field(reply, 8, 8), Field(reply, 16, 16), Field(reply, 32, 4)};
}

}  // namespace tamarack::mmc
