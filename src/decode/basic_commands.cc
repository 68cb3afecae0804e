#include "decode/basic_commands.h"

#include <algorithm>

#include "device/sense.h"
#include "form/hex_dump.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

const FormLayout kNoParameterForm{{}, true, false, nullptr};

void SetAllocationLength255(FormData& current, const FormData& /*source*/) {
  current.cdb[4] = 0xFF;
}

const FormLayout kRequestSenseForm{{}, true, false, &SetAllocationLength255};

const FieldDescriptor kPlaceholderFields[] = {LabelField(kPlaceholderText)};

// The whole stored CDB goes out again; only byte 0 follows the row.
void KeepStoredCdb(FormData& current, const FormData& source) {
  const std::uint8_t opcode = current.cdb[0];
  current = source;
  current.cdb[0] = opcode;
  current.transfer_blocks = 0;
}

const FormLayout kPlaceholderForm{kPlaceholderFields, false, false, &KeepStoredCdb};

}  // namespace

DecodeOutput DecodeCommandSucceeded(const DecodeInput& /*input*/) {
  DecodeOutput out;
  out.text = kCommandSucceededText;
  return out;
}

DecodeOutput DecodeRequestSense(const DecodeInput& input) {
  // A reply that says how long it is ends there; otherwise the sense data say it themselves.
  std::span<const std::uint8_t> reply = input.data;
  if (input.received_length != 0 && input.received_length < reply.size()) {
    reply = reply.first(input.received_length);
  }
  DecodeOutput out;
  out.text = DecodeRequestSenseText(reply);
  const std::size_t total = std::min<std::size_t>(8u + ByteAt(reply, 7), reply.size());
  out.sense_dialog.assign(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(total));
  return out;
}

DecodeOutput DecodeTransferredData(const DecodeInput& input) {
  if (input.direction != DataDirection::kIn || input.transferred == 0)
    return DecodeCommandSucceeded(input);
  const std::size_t n = std::min<std::size_t>(input.transferred, input.data.size());
  DecodeOutput out;
  out.text = ShowHexDumpText(kDataBanner, input.data.first(n), input.group_size);
  out.text_has_dump = true;
  return out;
}

const CommandBehaviour kNoParameterBehaviour{&kNoParameterForm, &DecodeCommandSucceeded,
                                             ResultView::kDecodedText, false};
const CommandBehaviour kRequestSenseBehaviour{&kRequestSenseForm, &DecodeRequestSense,
                                              ResultView::kDecodedText, false};
const CommandBehaviour kPlaceholderBehaviour{&kPlaceholderForm, &DecodeTransferredData,
                                             ResultView::kDecodedText, true};

}  // namespace tamarack
