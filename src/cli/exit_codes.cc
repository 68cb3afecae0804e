#include "cli/exit_codes.h"

#include "job/verdict_text.h"

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
  switch (KindOf(verdict)) {
    case VerdictKind::kCancelled:
      return kExitOther;
    case VerdictKind::kFileError:
      return kExitCannotOpen;
    case VerdictKind::kRefused:
      return kExitBadArguments;
    case VerdictKind::kFailed:
      return FailureStatus(*verdict.ended_by());
    case VerdictKind::kFailedWentOn:
      return FailureStatus(*verdict.went_past());
    case VerdictKind::kEdcFailed:
    case VerdictKind::kDifferences:
      return kExitMiscompare;
    case VerdictKind::kIncomplete:
      return kExitIncomplete;
    case VerdictKind::kGood:
      break;
  }
  return kExitGood;
}

}  // namespace tamarack::cli
