// Decoding a reply outside the Command tab (the command line): the catalogue row of the CDB's
// opcode reads the CDB through its form, as the tab would, and decodes the reply.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "device/scsi.h"
#include "form/decoder.h"

namespace tamarack {

// The output of the decoder of the first built-in row whose opcode is cdb[0], or nothing when
// there is no such row or it has no decoder of its own yet. `data` is the buffer the reply
// was read into (its size is the request length) and `transferred` the count the drive
// reported. The transfer length in blocks is what the row's form reads from the CDB.
std::optional<DecodeOutput> DecodeWithCatalogue(const Cdb& cdb, std::span<const std::uint8_t> data,
                                                std::uint32_t transferred, int group_size);

}  // namespace tamarack
