#include "job/run_state.h"

namespace tamarack {

const char* CancelCauseText(CancelCause cause) {
  switch (cause) {
    case CancelCause::kNone:
      return "";
    case CancelCause::kCancel:
      return "Cancel";
    case CancelCause::kOtherCommand:
      return "command from another tab";
    case CancelCause::kClose:
      return "window closing";
    case CancelCause::kEject:
      return "Eject";
    case CancelCause::kDialog:
      return "a dialog needed the drive";
    case CancelCause::kSaveOrLoad:
      return "file save";
    case CancelCause::kTabChange:
      return "tab changed";
  }
  return "";
}

std::string CancelCauseSuffix(CancelCause cause) {
  if (cause == CancelCause::kNone || cause == CancelCause::kCancel) return {};
  return std::string(" [") + CancelCauseText(cause) + "]";
}

}  // namespace tamarack
