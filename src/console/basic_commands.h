// The commands the console itself gives forms and decoders to: Test Unit Ready, Request
// Sense and Stop Play/Scan (no parameters), and the placeholder of the commands whose own
// form and decoder come with their decoding subsystem.
#pragma once

#include "console/command_catalogue.h"

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
    "ﾊﾟﾗﾒﾀ入力は未対応です(表示中のCDBをそのまま送信します)";

DecodeOutput DecodeCommandSucceeded(const DecodeInput& input);
DecodeOutput DecodeRequestSense(const DecodeInput& input);
// Data from the drive that was transferred: "----------------Data---------------------" and a
// dump of the transferred bytes; otherwise "Command Successed!".
DecodeOutput DecodeTransferredData(const DecodeInput& input);

}  // namespace tamarack
