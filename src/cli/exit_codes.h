// Exit statuses of tamarack-cli, after sg3_utils' convention.
#pragma once

#include "device/device_session.h"

namespace tamarack::cli {

enum ExitCode : int {
  kExitGood = 0,
  kExitBadArguments = 1,
  kExitNotReady = 2,
  kExitMediumError = 3,
  kExitHardwareError = 4,
  kExitIllegalRequest = 5,
  kExitUnitAttention = 6,
  kExitDataProtect = 7,
  kExitInvalidOpcode = 9,
  kExitAbortedCommand = 11,
  kExitMiscompare = 14,
  kExitCannotOpen = 15,
  kExitNoSense = 20,
  kExitRecovered = 21,
  kExitTimeout = 33,
  kExitTransportError = 35,
  kExitOther = 99,
};

// The exit status for the outcome of one command.
int ExitCodeFor(const CommandOutcome& outcome);

}  // namespace tamarack::cli
