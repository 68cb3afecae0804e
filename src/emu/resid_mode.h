// How the path between the host and a virtual drive delivers a data-in reply: the transferred
// count it reports and what the caller finds in the bytes the drive did not send. Real paths
// differ (measured on Linux): libata reports no residual; a buffer the kernel bounces comes
// back with a zeroed tail; some virtual adapters pad replies to the allocation length; one
// (virtio-scsi to QEMU's scsi-cd) counts nothing of a block read into more room than it sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tamarack::emu {

enum class ResidMode {
  kExact,  // the count of bytes sent; the unsent tail keeps the caller's bytes
  kNone,   // the whole request, the tail keeps the caller's bytes (libata, mapped buffer)
  kZero,   // the whole request, the tail zeroed (the kernel's bounce copy)
  kPad,    // the reply padded with zeros to its allocation length and reported whole
  // As kPad, but a block read that fills less than the buffer is reported with nothing
  // transferred and the rest of the buffer zeroed (measured: the whole buffer comes back as
  // residual, filled on with the disc's next blocks).
  kUnder,
};

// "exact", "none", "zero", "pad" or "under"; false for anything else.
bool ParseResidMode(std::string_view text, ResidMode* mode);

// Finishes a data-in reply whose first `sent` bytes are already in `buffer` and returns the
// transferred count the path reports. `pad_to` is how far a padding path fills with zeros (at
// most the buffer; never less than `sent`). `block_read`: the reply is a read's blocks.
std::uint32_t DeliverReply(ResidMode mode, std::span<std::uint8_t> buffer, std::size_t sent,
                           std::size_t pad_to, bool block_read);

}  // namespace tamarack::emu
