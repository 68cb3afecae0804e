// Get Configuration (46h): the parameter form and the decoder that turns the reply into the
// rows of the feature list (also the Properties tab's feature section).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "decode/text_conventions.h"
#include "form/command_behaviour.h"
#include "form/decoder.h"
#include "form/form_layout.h"

namespace tamarack {

// Icon of a heading row of the feature list (the header, the descriptor block, a feature).
inline constexpr int kIconHeading = 4;

// The feature list's columns: "Offset" 130, "Key" 200, "Data" 350.
std::vector<ListColumn> FeatureListColumns();

// The rows of the feature list for a Get Configuration reply. Pure.
// `reply` holds the reply's buffer (nothing past it is read); the reply ends where its
// header's data length (bytes 0-3, plus their own 4) says, or earlier at `recorded_length`
// when execution recorded one (0: none). Each descriptor is walked by its own additional
// length; an unknown code shows its heading ("Undefine") and the walk goes on. Each row's
// cells are Offset, Key and Data.
std::vector<DecodedRow> DecodeConfiguration(std::span<const std::uint8_t> reply,
                                            std::uint32_t recorded_length = 0);

// The command's decoder: DecodeConfiguration over the buffer and the received length, with
// the feature list's columns.
DecodeOutput DecodeConfigurationReply(const DecodeInput& input);

// The form: "RT (Requested Type)" (byte 1 bits 1-0) and "Starting Feature Number" (bytes 2-3,
// one choice per feature table row); building it sets the allocation length (bytes 7-8) to
// 40960.
extern const FormLayout kGetConfigurationForm;
extern const CommandBehaviour kGetConfigurationBehaviour;

}  // namespace tamarack
