// tamarack_read_image IMAGE [OUT]: reads every block of an .iso or .cue image through a
// virtual drive in unlimited mode, with Read(10) of 32 blocks as a ripping tool would, and
// writes the user data to OUT (default /dev/null). Prints the bytes read and the seconds taken.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/sense_table.h"
#include "device/status_board.h"
#include "emu/virtual_drive_provider.h"

int main(int argc, char** argv) {
  using namespace tamarack;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s IMAGE [OUT]\n", argv[0]);
    return 1;
  }
  DriveDirectory drives;
  drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(RealClock()));
  DeviceSession session(&drives, BuiltInSenseTable());
  StatusBoard status;
  session.SetHost(&status);
  if (!session.Open(std::string("emu:") + argv[1] + "?speed=max")) {
    std::fprintf(stderr, "%s\n", session.OpenError().c_str());
    return 1;
  }
  std::FILE* out = std::fopen(argc > 2 ? argv[2] : "/dev/null", "wb");
  if (!out) {
    std::perror("output");
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::uint8_t> capacity(8);
  std::uint32_t moved = 0;
  if (!SendScsiCommand(session, MakeCdb({0x25}), capacity, &moved)) {
    std::fprintf(stderr, "Read Capacity: %s\n", status.status_line.Get().c_str());
    return 1;
  }
  const std::uint32_t blocks =
      (std::uint32_t{capacity[0]} << 24 | std::uint32_t{capacity[1]} << 16 |
       std::uint32_t{capacity[2]} << 8 | capacity[3]) +
      1;
  std::vector<std::uint8_t> buffer(32 * 2048);
  std::uint64_t total = 0;
  for (std::uint32_t lba = 0; lba < blocks; lba += 32) {
    const std::uint32_t n = std::min<std::uint32_t>(32, blocks - lba);
    const Cdb cdb = MakeCdb({0x28, 0, static_cast<std::uint8_t>(lba >> 24),
                             static_cast<std::uint8_t>(lba >> 16),
                             static_cast<std::uint8_t>(lba >> 8), static_cast<std::uint8_t>(lba), 0,
                             static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    if (!SendScsiCommand(session, cdb, std::span(buffer).first(n * 2048), &moved)) {
      std::fprintf(stderr, "Read(10) at %u: %s\n", lba, status.status_line.Get().c_str());
      return 1;
    }
    std::fwrite(buffer.data(), 1, moved, out);
    total += moved;
  }
  std::fclose(out);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu bytes in %.3f s\n", static_cast<unsigned long long>(total), seconds);
  return 0;
}
