// A cdrdao .toc sheet read into a cue sheet's structure: the disc's CATALOG and CD-TEXT
// (language block 0), and per TRACK its mode, flags, ISRC, CD-TEXT, generated PREGAP, SILENCE
// or ZERO blocks before its data, one FILE, AUDIOFILE or DATAFILE statement ("name" [#offset]
// start [length]) and START and INDEX marks. Errors name the sheet and the line.
#pragma once

#include <string>
#include <string_view>

#include "emu/cue_sheet.h"

namespace tamarack::emu {

bool ParseTocFile(std::string_view text, const std::string& sheet_name, const std::string& folder,
                  CueSheet* sheet, std::string* error);

}  // namespace tamarack::emu
