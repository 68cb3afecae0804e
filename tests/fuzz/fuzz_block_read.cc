// The one block reader over a path that reports any count and writes any number of bytes: no
// byte counted as received lies past what the path wrote, and none past the buffer.
// Input: the buffer's size (2 bytes, big-endian, at most 16 KiB), the length the job expects
// (1 byte: 0 none, 1 the buffer's size, else that many blocks of 2048), then for each command
// the count the path reports (2 bytes), the bytes it writes (2 bytes), whether it ends in a
// check condition (1 byte, odd) and the bytes it writes (1 byte: the 5Ah fill, its complement,
// or a pattern). Commands past the input write nothing and report the whole buffer.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "device/scripted_transport.h"
#include "mmc/block_read.h"

namespace {

constexpr std::size_t kMaxBuffer = 16 * 1024;

std::uint8_t PatternByte(std::uint8_t pattern, std::size_t at) {
  if (pattern < 64) return tamarack::kReplyFill;
  if (pattern < 128) return tamarack::kSecondFill;
  return static_cast<std::uint8_t>(at * pattern + (at >> 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tamarack;
  if (size < 3) return 0;
  const std::size_t length = (std::size_t{data[0]} << 8 | data[1]) % (kMaxBuffer + 1);
  const std::uint32_t expected = data[2] == 0   ? 0
                                 : data[2] == 1 ? static_cast<std::uint32_t>(length)
                                                : std::uint32_t{data[2]} * 2048;
  std::size_t at = 3;
  std::size_t most_written = 0;
  testing::ScriptedSession s;
  s.transport->responder = [&](const ScsiRequest& request) {
    testing::ScriptedReply reply = testing::Good();
    std::uint32_t counted = static_cast<std::uint32_t>(request.buffer.size());
    std::size_t written = 0;
    std::uint8_t pattern = 0;
    if (size - at >= 6) {
      counted = static_cast<std::uint32_t>(data[at] << 8 | data[at + 1]);
      written = std::size_t{data[at + 2]} << 8 | data[at + 3];
      if (data[at + 4] & 1) reply = testing::CheckCondition(3, 0x11, 0);
      pattern = data[at + 5];
      at += 6;
    }
    written = std::min(written, request.buffer.size());
    for (std::size_t i = 0; i < written; ++i) reply.data.push_back(PatternByte(pattern, i));
    reply.result.transferred = counted;
    if (reply.result.scsi_status == 0) most_written = std::max(most_written, written);
    return reply;
  };
  std::vector<std::uint8_t> buffer(length, 0x00);
  const BlockReply reply = ReadBlocks(s.session, ReadCdCdb(0, 1), buffer, expected);
  if (reply.received > length) std::abort();
  // A good reply counts only bytes the path wrote (in one of the reads it took).
  if (reply.good() && reply.received > most_written) std::abort();
  return 0;
}
