// What the Linux kernel lets an SG_IO command through with: it filters by opcode.
#pragma once

#include <cstdint>
#include <string>

namespace tamarack {

enum class KernelCommandClass {
  kRead,   // allowed with the device open for reading
  kWrite,  // needs the device open for writing
  kRawIo,  // not on the kernel's lists: needs CAP_SYS_RAWIO
};

// The class of `opcode` in the kernel's SG_IO command filter.
KernelCommandClass ClassifyForKernel(std::uint8_t opcode);

// The advice added to the error text when a command was refused with EPERM or EACCES.
// `writable` tells whether the device is open for writing.
std::string PermissionAdvice(std::uint8_t opcode, bool writable, const std::string& device);

}  // namespace tamarack
