// The least a disc check, a capture or a speed measurement can do, for bench/vm_sg_dd.sh to set
// `tamarack-cli check`, `capture` and `measure` against: Read CD (BEh, user data) through SG_IO
// into one buffer of the jobs' own kind (a ReadBuffer: on a huge page where the kernel gives
// one), then for a check (14 blocks per command) the same bytes of FILE read with pread and one
// memcmp, for a capture (16 blocks per command) one write of them to FILE, for a measurement (N
// blocks per command) nothing, and nothing else (no fill, no residual, no second read, no
// progress). Prints the MB/s (10^6 bytes) over the time of the loop.
// Usage: tamarack_bare_read_compare [--capture] DEVICE FILE BLOCKS
//        tamarack_bare_read_compare --measure N DEVICE BLOCKS
// Exit status: 0 when every block matched (or was written, or read), 1 on a difference, 2 on a
// failure.
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/read_buffer.h"

namespace {

constexpr std::uint32_t kCheckBlocksPerCommand = 14;
constexpr std::uint32_t kCaptureBlocksPerCommand = 16;
constexpr std::size_t kBlockBytes = 2048;

bool ReadCd(int fd, std::uint32_t lba, std::uint32_t blocks, std::uint8_t* into) {
  std::array<std::uint8_t, 12> cdb{0xBE,
                                   0,
                                   static_cast<std::uint8_t>(lba >> 24),
                                   static_cast<std::uint8_t>(lba >> 16),
                                   static_cast<std::uint8_t>(lba >> 8),
                                   static_cast<std::uint8_t>(lba),
                                   0,
                                   0,
                                   static_cast<std::uint8_t>(blocks),
                                   0x10,
                                   0,
                                   0};
  std::array<std::uint8_t, 32> sense{};
  sg_io_hdr_t h;
  std::memset(&h, 0, sizeof h);
  h.interface_id = 'S';
  h.dxfer_direction = SG_DXFER_FROM_DEV;
  h.cmd_len = static_cast<unsigned char>(cdb.size());
  h.mx_sb_len = static_cast<unsigned char>(sense.size());
  h.dxfer_len = static_cast<unsigned int>(blocks * kBlockBytes);
  h.dxferp = into;
  h.cmdp = cdb.data();
  h.sbp = sense.data();
  h.timeout = 60000;
  if (::ioctl(fd, SG_IO, &h) < 0) return false;
  return h.status == 0 && h.host_status == 0 && h.driver_status == 0 && h.resid == 0;
}

bool ReadFile(int fd, std::uint64_t offset, std::size_t bytes, std::uint8_t* into) {
  std::size_t got = 0;
  while (got < bytes) {
    const ssize_t n = ::pread(fd, into + got, bytes - got, static_cast<off_t>(offset + got));
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteFile(int fd, const std::uint8_t* from, std::size_t bytes) {
  std::size_t put = 0;
  while (put < bytes) {
    const ssize_t n = ::write(fd, from + put, bytes - put);
    if (n <= 0) return false;
    put += static_cast<std::size_t>(n);
  }
  return true;
}

// The measurement's loop: N blocks a command, the data left where it landed.
int Measure(const char* device, long total, long per_command) {
  const int drive = ::open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (drive < 0 || total <= 0 || per_command < 1 || per_command > 255) {
    std::fprintf(stderr, "cannot open %s, or bad block counts\n", device);
    return 2;
  }
  tamarack::ReadBuffer disc(static_cast<std::size_t>(per_command) * kBlockBytes);
  const auto start = std::chrono::steady_clock::now();
  for (long lba = 0; lba < total;) {
    const long blocks = total - lba < per_command ? total - lba : per_command;
    if (!ReadCd(drive, static_cast<std::uint32_t>(lba), static_cast<std::uint32_t>(blocks),
                disc.data())) {
      std::fprintf(stderr, "read failed at LBA %ld\n", lba);
      return 2;
    }
    lba += blocks;
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  std::printf("%.2f MB/s\n", static_cast<double>(total) * kBlockBytes / spent.count() / 1e6);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--measure") == 0) {
    return Measure(argv[3], std::strtol(argv[4], nullptr, 10), std::strtol(argv[2], nullptr, 10));
  }
  const bool capture = argc == 5 && std::strcmp(argv[1], "--capture") == 0;
  if (argc != 4 && !capture) {
    std::fprintf(stderr,
                 "usage: tamarack_bare_read_compare [--capture] DEVICE FILE BLOCKS\n"
                 "       tamarack_bare_read_compare --measure N DEVICE BLOCKS\n");
    return 2;
  }
  if (capture) ++argv;
  const int drive = ::open(argv[1], O_RDWR | O_NONBLOCK | O_CLOEXEC);
  const int file = capture ? ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                           : ::open(argv[2], O_RDONLY | O_CLOEXEC);
  const long total = std::strtol(argv[3], nullptr, 10);
  if (drive < 0 || file < 0 || total <= 0) {
    std::fprintf(stderr, "cannot open %s or %s, or bad block count %s\n", argv[1], argv[2],
                 argv[3]);
    return 2;
  }
  const std::uint32_t per_command = capture ? kCaptureBlocksPerCommand : kCheckBlocksPerCommand;
  const std::size_t command_bytes = per_command * kBlockBytes;
  tamarack::ReadBuffer disc(command_bytes);
  std::vector<std::uint8_t> want(command_bytes);  // the file's bytes, as the check keeps them
  const auto start = std::chrono::steady_clock::now();
  long differences = 0;
  for (long lba = 0; lba < total;) {
    const auto blocks =
        static_cast<std::uint32_t>(total - lba < per_command ? total - lba : per_command);
    const std::size_t bytes = blocks * kBlockBytes;
    if (!ReadCd(drive, static_cast<std::uint32_t>(lba), blocks, disc.data()) ||
        (capture ? !WriteFile(file, disc.data(), bytes)
                 : !ReadFile(file, static_cast<std::uint64_t>(lba) * kBlockBytes, bytes,
                             want.data()))) {
      std::fprintf(stderr, "%s failed at LBA %ld\n", capture ? "read or write" : "read", lba);
      return 2;
    }
    if (!capture && std::memcmp(disc.data(), want.data(), bytes) != 0) ++differences;
    lba += blocks;
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  if (capture && ::close(file) != 0) return 2;
  const double mbps = static_cast<double>(total) * kBlockBytes / spent.count() / 1e6;
  if (capture) {
    std::printf("%.2f MB/s\n", mbps);
  } else {
    std::printf("%.2f MB/s, %ld commands differed\n", mbps, differences);
  }
  return differences == 0 ? 0 : 1;
}
