// The virtual drive as a SCSI target: any CDB, direction, buffer size and data out against
// each built-in disc. It never crashes, never writes past the caller's buffer, never claims
// more bytes than the buffer holds, and costs what its reply costs (libFuzzer's time-out).
// Input: the disc (1 byte: index into the built-in discs, 0xFF no medium), then commands of
// 12 CDB bytes, the direction (1 byte: 0 none, 1 out, 2 in), the buffer length (3 bytes,
// big-endian, at most 256 KiB) and for data out the bytes sent (missing ones are 0).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "emu/built_in_discs.h"
#include "emu/virtual_drive.h"

namespace {

constexpr std::size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xA5;
constexpr std::size_t kMaxBuffer = 256 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tamarack;
  if (size < 1) return 0;
  static const std::vector<std::string> names = emu::BuiltInDiscNames();
  const bool no_medium = data[0] == 0xFF;
  const std::string& name = names[data[0] % names.size()];
  static SimulatedClock clock;
  emu::VirtualDrive drive("emu:" + name, no_medium ? nullptr : emu::MakeBuiltInDisc(name), clock,
                          emu::SpeedSetting{emu::SpeedMode::kUnlimited, 0});
  drive.unit().unit_attention.reset();
  std::size_t at = 1;
  // Several commands in a row, so that the state one leaves (tray, speed, mode pages, audio)
  // meets the next.
  while (size - at >= 16) {
    ScsiRequest request;
    std::copy(data + at, data + at + 12, request.cdb.begin());
    const std::uint8_t direction = data[at + 12] % 3;
    request.direction = direction == 0   ? DataDirection::kNone
                        : direction == 1 ? DataDirection::kOut
                                         : DataDirection::kIn;
    const std::size_t length =
        (std::size_t{data[at + 13]} << 16 | std::size_t{data[at + 14]} << 8 | data[at + 15]) %
        (kMaxBuffer + 1);
    at += 16;
    std::vector<std::uint8_t> storage(length + kGuard, kGuardByte);
    if (request.direction == DataDirection::kOut) {
      const std::size_t n = std::min(length, size - at);
      std::copy(data + at, data + at + n, storage.begin());
      std::fill(storage.begin() + static_cast<std::ptrdiff_t>(n),
                storage.begin() + static_cast<std::ptrdiff_t>(length), 0);
      at += n;
    }
    request.buffer = std::span<std::uint8_t>(storage.data(), length);
    const ScsiResult result = drive.Execute(request);
    for (std::size_t i = length; i < storage.size(); ++i) {
      if (storage[i] != kGuardByte) std::abort();
    }
    if (result.transferred > length) std::abort();
    if (result.sense_length > kSenseSize) std::abort();
  }
  return 0;
}
