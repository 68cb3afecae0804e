// Image opening on any file: the input's first byte chooses what the rest is: an ISO image, a
// cue sheet (beside a small BIN it may name), a Nero image, or the WAVE file of a fixed sheet.
// An image that opens reads the first and last block of each track.

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
  const int kind = data[0] & 3;
  const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string error;
  if (kind == 1) {
    tamarack::emu::CueSheet sheet;
    if (!tamarack::emu::ParseCueSheet(body, "disc.cue", Folder(), &sheet, &error) && error.empty())
      std::abort();
  }
  static constexpr const char* kNames[] = {"/disc.iso", "/disc.cue", "/disc.nrg", "/track.wav"};
  std::ofstream(Folder() + kNames[kind], std::ios::binary | std::ios::trunc) << body;
  if (kind == 3) {
    std::ofstream(Folder() + "/wave.cue", std::ios::trunc)
        << "FILE track.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
  }
  const std::string path = Folder() + (kind == 3 ? "/wave.cue" : kNames[kind]);
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
