// The status commands whose replies are decoded into text: Get Event/Status Notification
// (4Ah), Mechanism Status (BDh), Read Sub-Channel (42h) and Read CD-ROM Capacity (25h, whose
// form is with the read forms). Each decoder writes its text, ending in the Dump banner,
// followed by a dump of the returned bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "form/command_behaviour.h"
#include "form/decoder.h"

namespace tamarack {

inline constexpr const char* kNoDataText = "No Data";

// The decoded texts alone (without the dump). `reply` holds the bytes the drive returned:
// fields past them read as zero, and the slot table walk stops at its end.
std::string EventStatusText(std::span<const std::uint8_t> reply);
std::string MechanismStatusText(std::span<const std::uint8_t> reply);
std::string SubChannelText(std::span<const std::uint8_t> reply);
std::string CapacityText(std::span<const std::uint8_t> reply);

// The decoders. "No Data" for Get Event/Status Notification executed with allocation
// length 0. Lengths the reply claims are cut to the buffer.
DecodeOutput DecodeEventStatus(const DecodeInput& input);
DecodeOutput DecodeMechanismStatus(const DecodeInput& input);
DecodeOutput DecodeSubChannel(const DecodeInput& input);
DecodeOutput DecodeCapacity(const DecodeInput& input);

extern const CommandBehaviour kEventStatusBehaviour;
extern const CommandBehaviour kMechanismStatusBehaviour;
extern const CommandBehaviour kSubChannelBehaviour;

}  // namespace tamarack
