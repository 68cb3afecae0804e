// What the window shows of its drive besides the dialogs: the status line and the last error
// text. The window, a terminal run or a test owns one and makes it the session's host; the
// drive itself keeps neither.
#pragma once

#include <atomic>
#include <span>
#include <string>

#include "device/device_session.h"
#include "device/status_text.h"

namespace tamarack {

class StatusBoard final : public SessionHost {
 public:
  StatusText status_line;
  StatusText last_error_text;
  // Where the sense dialog goes (the window's Command tab); null: nowhere.
  std::atomic<SessionHost*> sense_dialogs{nullptr};

  void ShowSenseDialog(std::span<const std::uint8_t> sense) override;
  // A failure's texts (FailureTextsOf); a good command empties the last error text. A refusal
  // shows "Command Rejected!" on its way to its error text.
  void CommandEnded(const CommandOutcome& outcome) override;
  void ShowStatusLine(const std::string& text) override { status_line.Set(text); }
};

}  // namespace tamarack
