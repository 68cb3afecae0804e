#include "device/linux/command_permission.h"

#include <span>

#include "util/strings.h"

namespace tamarack {

namespace {

// The kernel's lists (scsi_cmd_allowed): commands allowed to readers, and those allowed to
// writers. Everything else needs CAP_SYS_RAWIO.
// (0xA3 is both MAINTENANCE IN and SEND KEY; the kernel lists it for readers.)
constexpr std::uint8_t kReadOk[] = {
    0x00, 0x03, 0x08, 0x28, 0xA8, 0x88, 0x3C, 0x3E, 0x12, 0x1A, 0x5A, 0x4D, 0x1B, 0x2F,
    0x8F, 0xA0, 0x9E, 0x1C, 0xA3, 0x5C, 0xBC, 0x45, 0x47, 0x48, 0x4B, 0xBE, 0xB9, 0x51,
    0xAD, 0x44, 0x52, 0x42, 0x43, 0xA4, 0xBA, 0x46, 0x23, 0x4A, 0xAC, 0x2B, 0x4E, 0x95};
constexpr std::uint8_t kWriteOk[] = {
    0x0A, 0x2A, 0x2E, 0xAA, 0xAE, 0x8A, 0x3F, 0xEA, 0x41, 0x93, 0x7F, 0x19, 0x55, 0x15, 0x4C, 0xA1,
    0x5B, 0x35, 0x04, 0x58, 0x53, 0xBF, 0xA2, 0x54, 0x5D, 0xBB, 0x1E, 0xA6, 0xB6, 0xA7, 0x94};

bool Contains(std::span<const std::uint8_t> list, std::uint8_t op) {
  for (std::uint8_t x : list) {
    if (x == op) return true;
  }
  return false;
}

}  // namespace

KernelCommandClass ClassifyForKernel(std::uint8_t opcode) {
  if (Contains(kReadOk, opcode)) return KernelCommandClass::kRead;
  if (Contains(kWriteOk, opcode)) return KernelCommandClass::kWrite;
  return KernelCommandClass::kRawIo;
}

std::string PermissionAdvice(std::uint8_t opcode, bool writable, const std::string& device) {
  switch (ClassifyForKernel(opcode)) {
    case KernelCommandClass::kRead:
      return StrFormat(
          "No access to %s: add your user to the group that owns it (usually \"cdrom\"), "
          "then log in again.",
          device.c_str());
    case KernelCommandClass::kWrite:
      if (!writable) {
        return StrFormat(
            "Opcode %02xh needs %s opened for writing, and it is open read-only: give your "
            "user write access to it (group \"cdrom\"), then select the drive again.",
            opcode, device.c_str());
      }
      return StrFormat("Opcode %02xh was refused by the kernel on %s.", opcode, device.c_str());
    case KernelCommandClass::kRawIo:
      return StrFormat(
          "The kernel lets opcode %02xh through only for programs with CAP_SYS_RAWIO: run as "
          "root, or grant it with \"sudo setcap cap_sys_rawio+ep\" on the program.",
          opcode);
  }
  return std::string();
}

}  // namespace tamarack
