#include "cli/exit_codes.h"

namespace tamarack::cli {

int ExitCodeFor(const CommandOutcome& outcome) {
  switch (outcome.status) {
    case CommandStatus::kGood:
      return kExitGood;
    case CommandStatus::kNoDevice:
      return kExitCannotOpen;
    case CommandStatus::kRefused:
      switch (outcome.result.status) {
        case TransportStatus::kTimedOut:
          return kExitTimeout;
        case TransportStatus::kTransportError:
          return kExitTransportError;
        default:
          return kExitOther;
      }
    case CommandStatus::kCheckCondition:
      break;
  }
  if (outcome.sense.format == SenseFormat::kNone) return kExitOther;  // bad status, no sense
  switch (outcome.sense.key) {
    case 0x0:
      return kExitNoSense;
    case 0x1:
      return kExitRecovered;
    case 0x2:
      return kExitNotReady;
    case 0x3:
      return kExitMediumError;
    case 0x4:
      return kExitHardwareError;
    case 0x5:
      return outcome.sense.asc == 0x20 && outcome.sense.ascq == 0x00 ? kExitInvalidOpcode
                                                                     : kExitIllegalRequest;
    case 0x6:
      return kExitUnitAttention;
    case 0x7:
      return kExitDataProtect;
    case 0xB:
      return kExitAbortedCommand;
    case 0xE:
      return kExitMiscompare;
    default:
      return kExitOther;
  }
}

namespace {

int FailureStatus(const CommandFailure& f) {
  if (f.short_reply && f.outcome.status == CommandStatus::kGood) return kExitMalformedReply;
  const int code = ExitCodeFor(f.outcome);
  return code == kExitGood ? kExitOther : code;  // a failure is never a success
}

}  // namespace

int ExitStatusOf(const JobVerdict& verdict) {
  if (verdict.cancelled()) return kExitOther;
  if (verdict.file_error()) return kExitCannotOpen;
  if (verdict.refused()) return kExitBadArguments;
  if (verdict.ended_by()) return FailureStatus(*verdict.ended_by());
  if (verdict.went_past()) return FailureStatus(*verdict.went_past());
  if (verdict.differences() != 0) return kExitMiscompare;
  if (verdict.incomplete()) return kExitIncomplete;
  return kExitGood;
}

}  // namespace tamarack::cli
