// How many bytes of a reply a decoder shows and walks: the length the reply's own header
// gives, cut to the length execution recorded when it recorded one (a reply cut by its
// allocation length). Never more than the buffer holds, whatever a length field claims; never
// a padded or zeroed tail that a path reported as transferred.
#pragma once

#include <algorithm>
#include <cstddef>

#include "form/decoder.h"

namespace tamarack {

inline std::size_t ReplyLength(const DecodeInput& input, std::size_t header_length) {
  const std::size_t length = input.received_length != 0
                                 ? std::min<std::size_t>(input.received_length, header_length)
                                 : header_length;
  return std::min(length, input.data.size());
}

}  // namespace tamarack
