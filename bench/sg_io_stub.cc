// An SG_IO that answers at once, for bench/own_work_per_command.sh. Preloaded (LD_PRELOAD) into
// a program whose drive is /dev/null, it takes every SG_IO request and answers it as an ideal
// drive with a data disc of kStubBlocks blocks of 2048 bytes: Read Capacity (25h) with the last
// block, Read CD (BEh) with every requested block (each block's bytes are one value, from its
// LBA, never 5Ah, so that no reply ends in the read fill), anything else GOOD with no data.
// Every other ioctl goes to the C library's. What the program does around its commands then
// counts alone under valgrind, without a drive's or a kernel's time.
#include <dlfcn.h>
#include <scsi/sg.h>

#include <cstdarg>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t kStubBlocks = 1u << 20;
constexpr std::uint32_t kBlockBytes = 2048;

using IoctlFunction = int (*)(int, unsigned long, void*);

std::uint32_t Be(const unsigned char* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return v;
}

void Answer(sg_io_hdr_t* h) {
  const unsigned char* cdb = h->cmdp;
  auto* data = static_cast<std::uint8_t*>(h->dxferp);
  h->status = 0;
  h->host_status = 0;
  h->driver_status = 0;
  h->sb_len_wr = 0;
  h->duration = 0;
  h->resid = static_cast<int>(h->dxfer_len);
  if (cdb[0] == 0x25 && h->dxfer_len >= 8) {
    const std::uint32_t last = kStubBlocks - 1;
    const std::uint8_t reply[8] = {static_cast<std::uint8_t>(last >> 24),
                                   static_cast<std::uint8_t>(last >> 16),
                                   static_cast<std::uint8_t>(last >> 8),
                                   static_cast<std::uint8_t>(last),
                                   0,
                                   0,
                                   kBlockBytes >> 8,
                                   0};
    std::memcpy(data, reply, sizeof reply);
    h->resid -= 8;
  } else if (cdb[0] == 0xBE) {
    const std::uint32_t lba = Be(cdb + 2, 4);
    const std::uint32_t blocks = Be(cdb + 6, 3);
    if (std::uint64_t{blocks} * kBlockBytes > h->dxfer_len) return;
    for (std::uint32_t i = 0; i < blocks; ++i) {
      auto value = static_cast<std::uint8_t>((lba + i) % 250 + 1);
      if (value == 0x5A) value = 0xFE;
      std::memset(data + std::size_t{i} * kBlockBytes, value, kBlockBytes);
    }
    h->resid -= static_cast<int>(blocks * kBlockBytes);
  }
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  if (request == SG_IO) {
    Answer(static_cast<sg_io_hdr_t*>(argument));
    return 0;
  }
  static const auto next = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
  return next ? next(fd, request, argument) : -1;
}
