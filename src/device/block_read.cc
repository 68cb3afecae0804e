#include "device/block_read.h"

#include <algorithm>

#include "util/bytes.h"

namespace tamarack {

namespace {

constexpr std::uint8_t kReadCd = 0xBE;

// One past the last byte of `buffer` that is not `fill`.
std::uint32_t EndBeforeFill(std::span<const std::uint8_t> buffer, std::uint8_t fill) {
  std::size_t end = buffer.size();
  while (end > 0 && buffer[end - 1] == fill) --end;
  return static_cast<std::uint32_t>(end);
}

}  // namespace

Cdb ReadCdCdb(std::uint32_t lba, std::uint32_t blocks, const ReadCdSelection& selection) {
  Cdb cdb{};
  cdb[0] = kReadCd;
  cdb[1] = static_cast<std::uint8_t>((selection.expected_type & 0x07) << 2);
  WriteBe32(cdb, 2, lba);
  WriteBe24(cdb, 6, blocks);
  cdb[9] = selection.main;
  cdb[10] = static_cast<std::uint8_t>(selection.sub & 0x07);
  return cdb;
}

std::uint32_t ReceivedFromFirstRead(std::span<const std::uint8_t> buffer, std::uint32_t transferred,
                                    ReceivedWay* way, bool* fill_says_short) {
  *fill_says_short = false;
  const auto size = static_cast<std::uint32_t>(buffer.size());
  if (transferred < size) {
    *way = ReceivedWay::kResidual;
    return transferred;
  }
  const std::uint32_t end = EndBeforeFill(buffer, kReplyFill);
  if (end == size) {
    *way = ReceivedWay::kWhole;
    return size;
  }
  *way = ReceivedWay::kFill;
  *fill_says_short = true;
  return end;
}

std::uint32_t ReceivedFromTwoFills(std::uint32_t first_end, std::span<const std::uint8_t> second) {
  return std::max(first_end, EndBeforeFill(second, kSecondFill));
}

BlockReply ReadBlocks(DeviceSession& session, const Cdb& cdb, std::span<std::uint8_t> buffer,
                      std::uint32_t expected) {
  BlockReply reply;
  std::fill(buffer.begin(), buffer.end(), kReplyFill);
  reply.outcome = session.Run(cdb, buffer);
  const auto size = static_cast<std::uint32_t>(buffer.size());
  const std::uint32_t transferred = std::min(reply.outcome.result.transferred, size);
  if (!reply.good()) {
    reply.received = transferred;
    return reply;
  }
  bool fill_says_short = false;
  reply.received = ReceivedFromFirstRead(buffer, transferred, &reply.way, &fill_says_short);
  if (fill_says_short) {
    // Data may end in 5Ah bytes: the same read over another fill tells them from the fill.
    const std::uint32_t first_end = reply.received;
    std::fill(buffer.begin(), buffer.end(), kSecondFill);
    reply.second_read = true;
    reply.outcome = session.Run(cdb, buffer);
    if (!reply.good()) {
      reply.received = std::min(reply.outcome.result.transferred, size);
      return reply;
    }
    const std::uint32_t again = std::min(reply.outcome.result.transferred, size);
    if (again < size) {
      reply.way = ReceivedWay::kResidual;
      reply.received = again;
    } else {
      reply.received = ReceivedFromTwoFills(first_end, buffer);
      reply.way = reply.received == size ? ReceivedWay::kWhole : ReceivedWay::kTwoFills;
    }
  }
  reply.short_reply = expected != 0 && reply.received < expected;
  return reply;
}

}  // namespace tamarack
