// A cue sheet as text: its files and tracks, checked line by line. Errors name the sheet and
// the line ("disc.cue:7: unknown track mode MODE3/2352").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "emu/disc.h"

namespace tamarack::emu {

struct CueIndex {
  int number = 0;
  std::int32_t frames = 0;  // from the start of the track's file
  int line = 0;
};

struct CueTrack {
  int number = 0;
  int line = 0;
  TrackMode mode = TrackMode::kMode1;
  std::size_t sector_size = 2352;  // bytes per block in the file: 2048 or 2352
  std::string mode_text;           // as written ("MODE1/2048")
  std::size_t file = 0;            // index into CueSheet::files
  std::int32_t pregap = 0;         // PREGAP: generated blocks before the file's data
  std::int32_t postgap = 0;        // POSTGAP: generated blocks after it
  std::vector<CueIndex> indexes;   // in order; INDEX 01 always present
  std::uint8_t control = 0;        // Q control bits from FLAGS and the mode
  std::string isrc;
};

struct CueFile {
  std::string name;  // as written
  std::string path;  // resolved against the sheet's folder
  int line = 0;
};

struct CueSheet {
  std::string catalog;
  std::vector<CueFile> files;
  std::vector<CueTrack> tracks;
};

// Parses `text`. `sheet_name` names the sheet in errors; relative FILE names are resolved
// against `folder` (empty: the current directory).
bool ParseCueSheet(std::string_view text, const std::string& sheet_name, const std::string& folder,
                   CueSheet* sheet, std::string* error);

}  // namespace tamarack::emu
