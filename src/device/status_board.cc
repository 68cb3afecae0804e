#include "device/status_board.h"

namespace tamarack {

void StatusBoard::ShowSenseDialog(std::span<const std::uint8_t> sense) {
  if (SessionHost* to = sense_dialogs.load()) to->ShowSenseDialog(sense);
}

void StatusBoard::CommandEnded(const CommandOutcome& outcome) {
  if (outcome.status == CommandStatus::kNoDevice) return;
  const FailureTexts texts = FailureTextsOf(outcome);
  last_error_text.Set(texts.last_error);
  if (!texts.shown) return;
  if (outcome.status == CommandStatus::kRefused) status_line.Set("Command Rejected!");
  status_line.Set(texts.status_line);
}

}  // namespace tamarack
