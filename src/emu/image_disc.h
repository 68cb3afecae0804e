// Discs from image files: an .iso (2048-byte Mode 1 blocks), a .cue sheet with its BINARY and
// WAVE files (MODE1/2048, MODE1/2352, MODE2/2336, MODE2/2352, AUDIO, CDG) or a Nero .nrg
// image. Files are read block by block when a sector is asked for; raw 2352-byte blocks come
// back as the file holds them, 2048-byte blocks are completed with sync, header, EDC and ECC,
// 2336-byte ones with sync and header; pregaps, postgaps and lead-outs that no file holds are
// generated; the sub-channel is made from the layout (R-W from the file for CD+G).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "emu/disc.h"
#include "emu/image_file.h"

namespace tamarack::emu {

class ImageDisc : public Disc {
 public:
  // A run of blocks: from a file (`file` >= 0, the first block at byte `offset`, blocks of
  // `sector_size` bytes) or generated (`file` < 0).
  struct Segment {
    std::int32_t begin = 0;
    std::int32_t end = 0;
    int file = -1;
    std::uint64_t offset = 0;
    std::size_t sector_size = 2352;
  };

  ImageDisc(std::string name, DiscLayout layout, std::vector<std::unique_ptr<ImageFile>> files,
            std::vector<Segment> segments);

  const DiscLayout& Layout() const override { return layout_; }
  std::string Name() const override { return name_; }
  bool ReadSector(std::int32_t lba, RawSector* out, std::string* error) const override;
  bool ReadMode1UserData(std::int32_t lba, std::span<std::uint8_t, 2048> out,
                         std::string* error) const override;
  bool ReadMode1Run(std::int32_t lba, std::int32_t count, std::span<std::uint8_t> out,
                    std::string* error) const override;

 private:
  // The file segment holding blocks `lba` to `lba + count - 1`, all of one Mode 1 track's
  // program area; null when they lie in no file or not in one segment.
  const Segment* UserDataSegment(std::int32_t lba, std::int32_t count) const;

  std::string name_;
  DiscLayout layout_;
  std::vector<std::unique_ptr<ImageFile>> files_;
  std::vector<Segment> segments_;  // in order of `begin`, not overlapping
};

// Opens an .iso, .cue or .nrg image (by its extension, in any case). On failure returns null and a
// reason naming the file and, for a sheet, the line.
std::unique_ptr<Disc> OpenImage(const std::string& path, std::string* error);

}  // namespace tamarack::emu
