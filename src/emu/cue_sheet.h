// A cue sheet as text: its files and tracks, checked line by line. Errors name the sheet and
// the line ("disc.cue:7: unknown track mode MODE3/2352"). The other sheets the virtual drive
// reads (.nrg, .toc) are turned into the same structure.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "emu/cd_text.h"
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
  // Bytes per block in the file: 2048 (user data), 2336 (Mode 2 after the header), 2352 (raw)
  // or 2448 (raw and the 96 bytes of P-W, CD+G).
  std::size_t sector_size = 2352;
  std::string mode_text;          // as written ("MODE1/2048")
  std::size_t file = 0;           // index into CueSheet::files
  std::int32_t pregap = 0;        // PREGAP: generated blocks before the file's data
  std::int32_t postgap = 0;       // POSTGAP: generated blocks after it
  std::vector<CueIndex> indexes;  // in order; INDEX 01 always present
  std::uint8_t control = 0;       // Q control bits from FLAGS and the mode
  std::string isrc;
  std::array<std::string, kCdTextKinds> text;  // CD-TEXT by pack type from 80h (ISO 8859-1)
};

enum class CueFileType { kBinary, kWave };

struct CueFile {
  std::string name;  // as written
  std::string path;  // resolved against the sheet's folder
  int line = 0;
  CueFileType type = CueFileType::kBinary;
  // The blocks' bytes within the file: from `offset`, `length` bytes (0: to the file's end).
  // A WAVE file's are its data chunk's, found when it is opened.
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

struct CueSheet {
  std::string catalog;
  std::array<std::string, kCdTextKinds> text;  // the disc's CD-TEXT (ISO 8859-1)
  std::string cd_text_file;                    // CDTEXTFILE, resolved; empty: none
  int cd_text_file_line = 0;
  // An INDEX 00 on track 1 puts the file's first block at LBA 0 (a cue sheet's rule); else
  // track 1's INDEX 01 is LBA 0.
  bool index0_starts_disc = true;
  std::vector<CueFile> files;
  std::vector<CueTrack> tracks;
};

// Parses `text`. `sheet_name` names the sheet in errors; relative FILE names are resolved
// against `folder` (empty: the current directory).
bool ParseCueSheet(std::string_view text, const std::string& sheet_name, const std::string& folder,
                   CueSheet* sheet, std::string* error);

}  // namespace tamarack::emu
