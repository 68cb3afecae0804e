// The virtual drive's built-in test discs, by name:
//   type13        one Mode 1 track of 333000 blocks (74 minutes) of self-describing sectors;
//   type30        the 23-track mixed test disc (Mode 1, XA form 1 and form 2, audio tracks);
//   audio         an audio CD with CD-TEXT, MCN, ISRCs, pre-emphasis and mixed copy bits;
//   multisession  an audio session followed by an XA data session.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "emu/disc.h"

namespace tamarack::emu {

// The names MakeBuiltInDisc knows, in the order they are listed.
std::vector<std::string> BuiltInDiscNames();

// A new disc of that name, or null for an unknown name.
std::unique_ptr<Disc> MakeBuiltInDisc(std::string_view name);

// The discs one by one (each defined in a file of its own).
std::unique_ptr<Disc> MakeType13Disc();
std::unique_ptr<Disc> MakeType30Disc();
std::unique_ptr<Disc> MakeAudioDisc();
std::unique_ptr<Disc> MakeMultisessionDisc();

// Number of blocks of the type13 disc's one track.
inline constexpr std::int32_t kType13Blocks = 333000;

}  // namespace tamarack::emu
