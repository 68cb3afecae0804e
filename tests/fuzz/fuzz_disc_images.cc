// Image opening on any file: the input is a cue sheet (beside a small BIN it may name) or an
// ISO image. An image that opens reads the first and last block of each track.

#include <cstdlib>
#include <fstream>
#include <string>

#include "emu/cue_sheet.h"
#include "emu/image_disc.h"
#include "temp_dir.h"

namespace {

const std::string& Folder() {
  // The file the sheets' FILE lines name: 40 blocks of 2352 bytes, or 45 of 2048.
  static const tamarack::testing::TempDir dir("tamarack-fuzz-");
  static const bool written = [] {
    if (!dir.ok()) std::abort();
    dir.Write("track.bin", std::string(40 * 2352, '\1'));
    return true;
  }();
  (void)written;
  return dir.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool cue = data[0] & 1;
  const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string error;
  if (cue) {
    tamarack::emu::CueSheet sheet;
    if (!tamarack::emu::ParseCueSheet(body, "disc.cue", Folder(), &sheet, &error) && error.empty())
      std::abort();
  }
  const std::string path = Folder() + (cue ? "/disc.cue" : "/disc.iso");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << body;
  error.clear();
  auto disc = tamarack::emu::OpenImage(path, &error);
  if (!disc) {
    if (error.empty()) std::abort();
    return 0;
  }
  tamarack::emu::RawSector sector;
  for (const auto& track : disc->Layout().tracks) {
    for (const std::int32_t lba : {track.start, track.end - 1}) {
      if (lba >= track.start) disc->ReadSector(lba, &sector, &error);
    }
  }
  return 0;
}
