// The image formats beside .iso and .cue sheets, read into a cue sheet's structure (so that one
// placement rule lays out every sheet): the data chunk of a WAVE file, a Nero image's chunks
// and a CD-TEXT file's packs. Every field read is checked against the file's size first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emu/cd_text.h"
#include "emu/cue_sheet.h"
#include "emu/image_file.h"

namespace tamarack::emu {

// The samples of a RIFF WAVE file: the data chunk's offset and length. Only PCM at 44.1 kHz,
// 16 bits, two channels (CD audio as it is); false with a reason naming the file otherwise.
bool FindWaveData(const ImageFile& file, std::uint64_t* offset, std::uint64_t* length,
                  std::string* error);

// A Nero image (footer "NER5", 64-bit offsets, or "NERO", 32-bit) of one disc-at-once session:
// its tracks from the DAOX (or DAOI) chunk, the CD-TEXT packs of its CDTX chunk. Each track is
// a file of its own in `sheet` (the image, from the track's index 0 on).
bool ParseNrg(const ImageFile& file, CueSheet* sheet, std::vector<CdTextPack>* cd_text,
              std::string* error);

// The packs of a CD-TEXT file (CDTEXTFILE): 18-byte packs, with or without the 4-byte header
// Read TOC puts before them (and the zero byte some writers add).
bool ReadCdTextFile(const std::string& path, std::vector<CdTextPack>* packs, std::string* error);

}  // namespace tamarack::emu
