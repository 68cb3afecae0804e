// One command of the ring run through a drive's Transport, as a real drive's host path would
// deliver it: data-out gathered from the kernel's buffers, data-in scattered into them, a short
// reply reported with its real length, a failed path as a failed command.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "device/transport.h"
#include "serve/tcmu_ring.h"

namespace tamarack::serve {

struct ServedCommand {
  Reply reply;
  // The drive never answered: the reply is only what to send when the kernel gives up.
  bool timed_out = false;
};

// Runs `request` on `transport` with `timeout_seconds`. `scratch` is the staging buffer, kept by
// the caller so that reads do not allocate each time.
ServedCommand ExecuteEntry(Transport& transport, std::span<std::uint8_t> map,
                           const CmdRequest& request, std::uint32_t timeout_seconds,
                           std::vector<std::uint8_t>& scratch);

// The replies of commands that did not reach the drive: a failed path (aborted command, logical
// unit communication failure), a time-out (communication time-out) and a request the kernel
// built wrong (internal target failure).
Reply PathFailureReply(std::uint16_t cmd_id);
Reply TimeOutReply(std::uint16_t cmd_id);
Reply BadRequestReply(std::uint16_t cmd_id);

}  // namespace tamarack::serve
