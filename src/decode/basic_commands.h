// The simplest forms and decoders: Test Unit Ready, Request Sense and Stop Play/Scan (no
// parameters), the placeholder of a command whose own form and decoder are not there yet, and
// the decoder of the data a user slot reads.
#pragma once

#include "form/command_behaviour.h"
#include "util/message_catalogue.h"

namespace tamarack {

// "No Parameter" form; the decoder writes "Command Successed!". Test Unit Ready and Stop
// Play/Scan.
extern const CommandBehaviour kNoParameterBehaviour;
// "No Parameter" form that sets the allocation length (CDB byte 4) to 255; the decoder
// writes the decoded sense data and opens the sense dialog on them.
extern const CommandBehaviour kRequestSenseBehaviour;
// A form that says the command's parameters cannot be edited yet and sends the stored CDB
// unchanged; the decoder shows the returned bytes as a dump.
extern const CommandBehaviour kPlaceholderBehaviour;

inline constexpr const char* kPlaceholderText =
    TR_NOOP("ﾊﾟﾗﾒﾀ入力は未対応です(表示中のCDBをそのまま送信します)");

DecodeOutput DecodeCommandSucceeded(const DecodeInput& input);
DecodeOutput DecodeRequestSense(const DecodeInput& input);
// Data from the drive that was transferred: "----------------Data---------------------" and a
// dump of the transferred bytes; otherwise "Command Successed!".
DecodeOutput DecodeTransferredData(const DecodeInput& input);

}  // namespace tamarack
