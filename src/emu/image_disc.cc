#include "emu/image_disc.h"

#include <algorithm>
#include <array>

#include "emu/cue_sheet.h"
#include "emu/disc_region.h"
#include "emu/image_formats.h"
#include "emu/sector_encoder.h"
#include "emu/subchannel.h"
#include "emu/toc_file.h"
#include "util/regular_file.h"
#include "util/strings.h"

namespace tamarack::emu {
namespace {

constexpr std::uint64_t kMaxCueSheetBytes = 1 << 20;
// Bytes of a block of user data alone (an .iso image, a MODE1/2048 track).
constexpr std::size_t kBlockBytes = 2048;
// A Mode 2 block after its header (MODE2/2336), and a raw block with its sub-channel (CD+G).
constexpr std::size_t kMode2BodySize = 2336;
constexpr std::size_t kRawWithSubchannelSize = kRawSectorSize + kSubchannelSize;
// The most blocks a disc can hold and still be addressed in MSF (under 100 minutes, with the
// lead-out after it).
constexpr std::int32_t kMaxDiscBlocks =
    100 * 60 * kFramesPerSecond - kPregapBlocks - kFirstLeadoutBlocks;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Extension(const std::string& path) {
  const std::size_t slash = path.find_last_of(kPathSeparators);
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return Lower(path.substr(dot));
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.find_last_of(kPathSeparators);
  return slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
}

std::unique_ptr<Disc> OpenIso(const std::string& path, std::string* error) {
  auto file = ImageFile::Open(path, error);
  if (!file) return nullptr;
  if (file->size() == 0 || file->size() % 2048 != 0) {
    *error = StrFormat("%s: %llu bytes is not a whole number of 2048-byte blocks", path.c_str(),
                       static_cast<unsigned long long>(file->size()));
    return nullptr;
  }
  if (file->size() / 2048 > static_cast<std::uint64_t>(kMaxDiscBlocks)) {
    *error = StrFormat("%s: %llu blocks are more than a CD holds (%d)", path.c_str(),
                       static_cast<unsigned long long>(file->size() / 2048), kMaxDiscBlocks);
    return nullptr;
  }
  const auto blocks = static_cast<std::int32_t>(file->size() / 2048);
  DiscLayout layout;
  TrackInfo t;
  t.number = 1;
  t.mode = TrackMode::kMode1;
  t.control = kControlData;
  t.pregap_start = -kPregapBlocks;
  t.start = 0;
  t.end = blocks;
  layout.tracks.push_back(t);
  layout.sessions.push_back(SessionInfo{1, 1, 1, blocks, 0x00});
  std::vector<ImageDisc::Segment> segments{{-kPregapBlocks, 0, -1, 0, 2048},
                                           {0, blocks, 0, 0, 2048}};
  std::vector<std::unique_ptr<ImageFile>> files;
  files.push_back(std::move(file));
  return std::make_unique<ImageDisc>(path, std::move(layout), std::move(files),
                                     std::move(segments));
}

// The first block of a track's data in its file, in blocks from the file's start: its first
// index, but the file's first block for track 1 with an INDEX 00 (that block is LBA 0).
std::int32_t DataOrigin(const CueSheet& sheet, std::size_t i) {
  const CueIndex& first = sheet.tracks[i].indexes.front();
  return i == 0 && sheet.index0_starts_disc && first.number == 0 ? 0 : first.frames;
}

// Where each track's data lies in its file: byte offset and number of blocks.
struct TrackData {
  std::vector<std::uint64_t> byte_start;
  std::vector<std::int32_t> file_blocks;
};

// Finds every track's data in its file; false with the reason when an index lies beyond the
// file's end, a file ends inside a block or a track is longer than a CD.
bool FindTrackData(const std::string& path, const CueSheet& sheet,
                   const std::vector<std::unique_ptr<ImageFile>>& files, TrackData* data,
                   std::string* error) {
  const std::size_t n = sheet.tracks.size();
  std::vector<std::uint64_t>& byte_start = data->byte_start;
  std::vector<std::int32_t>& file_blocks = data->file_blocks;
  byte_start.assign(n, 0);
  file_blocks.assign(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const CueTrack& t = sheet.tracks[i];
    const CueFile& f = sheet.files[t.file];
    const bool first_in_file = i == 0 || sheet.tracks[i - 1].file != t.file;
    if (first_in_file) {
      byte_start[i] = f.offset + static_cast<std::uint64_t>(DataOrigin(sheet, i)) * t.sector_size;
    } else {
      const CueTrack& p = sheet.tracks[i - 1];
      file_blocks[i - 1] = DataOrigin(sheet, i) - DataOrigin(sheet, i - 1);
      byte_start[i] =
          byte_start[i - 1] + static_cast<std::uint64_t>(file_blocks[i - 1]) * p.sector_size;
    }
    const std::uint64_t file_end = f.length != 0 ? f.offset + f.length : files[t.file]->size();
    if (byte_start[i] >= file_end) {
      const CueIndex& idx = t.indexes.front();
      *error = StrFormat("%s:%d: INDEX %02d of track %d lies beyond the end of %s (%llu bytes)",
                         path.c_str(), idx.line, idx.number, t.number, f.name.c_str(),
                         static_cast<unsigned long long>(file_end - f.offset));
      return false;
    }
    const bool last_in_file = i + 1 == n || sheet.tracks[i + 1].file != t.file;
    if (last_in_file) {
      const std::uint64_t rest = file_end - byte_start[i];
      if (rest % t.sector_size != 0) {
        *error = StrFormat(
            "%s:%d: %s is truncated: track %d ends inside a %zu-byte block (%llu bytes left)",
            path.c_str(), t.line, f.name.c_str(), t.number, t.sector_size,
            static_cast<unsigned long long>(rest));
        return false;
      }
      if (rest / t.sector_size > 100ull * 60 * kFramesPerSecond) {
        *error =
            StrFormat("%s:%d: track %d is longer than 100 minutes", path.c_str(), t.line, t.number);
        return false;
      }
      file_blocks[i] = static_cast<std::int32_t>(rest / t.sector_size);
    }
  }
  return true;
}

// Opens the sheet's files; a WAVE file's blocks are its data chunk's. Errors name the sheet's
// line of the file.
bool OpenSheetFiles(const std::string& path, CueSheet* sheet,
                    std::vector<std::unique_ptr<ImageFile>>* files, std::string* error) {
  for (CueFile& f : sheet->files) {
    std::string why;
    auto file = ImageFile::Open(f.path, &why);
    if (file && f.type == CueFileType::kWave && !FindWaveData(*file, &f.offset, &f.length, &why)) {
      file.reset();
    }
    const std::uint64_t end = f.offset + f.length;
    if (file && ((f.offset > 0 && f.offset >= file->size()) || end > file->size())) {
      why = StrFormat("%s ends before byte %llu (%llu bytes)", f.name.c_str(),
                      static_cast<unsigned long long>(std::max(f.offset + 1, end)),
                      static_cast<unsigned long long>(file->size()));
      file.reset();
    }
    if (!file) {
      *error = f.line > 0 ? StrFormat("%s:%d: %s", path.c_str(), f.line, why.c_str()) : why;
      return false;
    }
    files->push_back(std::move(file));
  }
  return true;
}

// The CD-TEXT packs of a sheet: its CDTEXTFILE's, else built from its TITLE, PERFORMER, ...
// lines (block 0, English).
bool SheetCdText(const std::string& path, const CueSheet& sheet, std::vector<CdTextPack>* packs,
                 std::string* error) {
  if (!sheet.cd_text_file.empty()) {
    std::string why;
    if (ReadCdTextFile(sheet.cd_text_file, packs, &why)) return true;
    *error = StrFormat("%s:%d: %s", path.c_str(), sheet.cd_text_file_line, why.c_str());
    return false;
  }
  CdTextBlock block;
  block.first_track = sheet.tracks.front().number;
  block.last_track = sheet.tracks.back().number;
  bool any = false;
  for (std::size_t k = 0; k < block.texts.size(); ++k) {
    block.texts[k].album = sheet.text[k];
    any = any || !sheet.text[k].empty();
    for (const CueTrack& t : sheet.tracks) {
      block.texts[k].tracks.push_back(t.text[k]);
      any = any || !t.text[k].empty();
    }
  }
  if (!any) return true;
  *packs = BuildCdTextPacks(block);
  if (packs->size() > kMaxCdTextPacks) {
    *error = StrFormat("%s: the CD-TEXT needs %zu packs, more than a block holds (%zu)",
                       path.c_str(), packs->size(), kMaxCdTextPacks);
    return false;
  }
  return true;
}

// The disc a sheet describes. Tracks are placed one after the other: LBA 0 is the first file's
// first block when track 1 has an INDEX 00 (the blocks before its INDEX 01 then lie at LBA 0
// on, readable), else track 1's INDEX 01 (up to two seconds of its file before that index lie
// in the pregap before LBA 0).
std::unique_ptr<Disc> OpenSheet(const std::string& path, CueSheet sheet,
                                std::vector<CdTextPack> cd_text, std::string* error) {
  std::vector<std::unique_ptr<ImageFile>> files;
  if (!OpenSheetFiles(path, &sheet, &files, error)) return nullptr;
  TrackData data;
  if (!FindTrackData(path, sheet, files, &data, error)) return nullptr;
  const std::size_t n = sheet.tracks.size();
  const std::vector<std::uint64_t>& byte_start = data.byte_start;
  const std::vector<std::int32_t>& file_blocks = data.file_blocks;

  std::vector<ImageDisc::Segment> segments;
  DiscLayout layout;
  layout.mcn = sheet.catalog;
  if (cd_text.empty() && !SheetCdText(path, sheet, &cd_text, error)) return nullptr;
  layout.cd_text_packs = std::move(cd_text);
  std::int32_t pos = 0;
  bool xa = false;
  for (std::size_t i = 0; i < n; ++i) {
    const CueTrack& c = sheet.tracks[i];
    TrackInfo t;
    t.number = c.number;
    t.mode = c.mode;
    t.control = c.control;
    t.isrc = c.isrc;
    xa = xa || c.mode == TrackMode::kMode2Form1;
    t.pregap_start = pos;
    if (c.pregap > 0) segments.push_back({pos, pos + c.pregap, -1, 0, c.sector_size});
    pos += c.pregap;
    const std::int32_t data_begin = pos;
    if (file_blocks[i] > 0) {
      segments.push_back(
          {pos, pos + file_blocks[i], static_cast<int>(c.file), byte_start[i], c.sector_size});
    }
    pos += file_blocks[i];
    const std::int32_t f0 = DataOrigin(sheet, i);
    for (const CueIndex& idx : c.indexes) {
      if (idx.number == 1) t.start = data_begin + (idx.frames - f0);
      if (idx.number >= 2)
        t.indexes.push_back(IndexPoint{idx.number, data_begin + idx.frames - f0});
    }
    if (t.start >= pos) {
      *error = StrFormat("%s:%d: track %d has no blocks from its INDEX 01 on", path.c_str(), c.line,
                         c.number);
      return nullptr;
    }
    if (c.postgap > 0) segments.push_back({pos, pos + c.postgap, -1, 0, c.sector_size});
    pos += c.postgap;
    t.end = pos;
    layout.tracks.push_back(std::move(t));
  }
  const bool file_start_is_zero =
      sheet.index0_starts_disc && sheet.tracks.front().indexes.front().number == 0;
  const std::int32_t shift = file_start_is_zero ? 0 : layout.tracks.front().start;
  for (TrackInfo& t : layout.tracks) {
    t.pregap_start -= shift;
    t.start -= shift;
    t.end -= shift;
    for (IndexPoint& ip : t.indexes) ip.lba -= shift;
  }
  for (ImageDisc::Segment& s : segments) {
    s.begin -= shift;
    s.end -= shift;
  }
  TrackInfo& first = layout.tracks.front();
  if (first.pregap_start < -kPregapBlocks) {
    *error = StrFormat("%s:%d: track %d's pregap is longer than two seconds", path.c_str(),
                       sheet.tracks.front().line, first.number);
    return nullptr;
  }
  if (first.pregap_start > -kPregapBlocks) {
    segments.insert(segments.begin(), {-kPregapBlocks, first.pregap_start, -1, 0, 2352});
    first.pregap_start = -kPregapBlocks;
  }
  const std::int32_t leadout = layout.tracks.back().end;
  if (leadout > kMaxDiscBlocks) {
    *error = StrFormat("%s: %d blocks are more than a CD holds (%d)", path.c_str(), leadout,
                       kMaxDiscBlocks);
    return nullptr;
  }
  layout.sessions.push_back(SessionInfo{1, layout.tracks.front().number,
                                        layout.tracks.back().number, leadout,
                                        static_cast<std::uint8_t>(xa ? 0x20 : 0x00)});
  return std::make_unique<ImageDisc>(path, std::move(layout), std::move(files),
                                     std::move(segments));
}

// A sheet of text (a .cue or .toc) read by `parse`; `format` names it when it is too large.
using SheetParser = bool (*)(std::string_view, const std::string&, const std::string&, CueSheet*,
                             std::string*);
std::unique_ptr<Disc> OpenTextSheet(const std::string& path, const char* format, SheetParser parse,
                                    std::string* error) {
  const auto text = ReadRegularFile(path, kMaxCueSheetBytes, format, error);
  if (!text) return nullptr;
  CueSheet sheet;
  if (!parse(*text, path, Folder(path), &sheet, error)) return nullptr;
  return OpenSheet(path, std::move(sheet), {}, error);
}

std::unique_ptr<Disc> OpenNrg(const std::string& path, std::string* error) {
  auto file = ImageFile::Open(path, error);
  if (!file) return nullptr;
  CueSheet sheet;
  std::vector<CdTextPack> cd_text;
  if (!ParseNrg(*file, &sheet, &cd_text, error)) return nullptr;
  return OpenSheet(path, std::move(sheet), std::move(cd_text), error);
}

// Where the user data of block `lba` of `seg` start in its file: 2048-byte blocks whole, raw
// blocks from byte 16.
std::uint64_t UserDataOffset(const ImageDisc::Segment& seg, std::int32_t lba) {
  return seg.offset + static_cast<std::uint64_t>(lba - seg.begin) * seg.sector_size +
         (seg.sector_size == kBlockBytes ? 0u : 16u);
}

}  // namespace

ImageDisc::ImageDisc(std::string name, DiscLayout layout,
                     std::vector<std::unique_ptr<ImageFile>> files, std::vector<Segment> segments)
    : name_(std::move(name)),
      layout_(std::move(layout)),
      files_(std::move(files)),
      segments_(std::move(segments)) {}

bool ImageDisc::ReadSector(std::int32_t lba, RawSector* out, std::string* error) const {
  if (lba < -kPregapBlocks || lba > LastBuildableBlock(layout_)) {
    if (error) {
      *error = StrFormat("%s: block %d lies outside the disc (%d to %d)", name_.c_str(), lba,
                         -kPregapBlocks, LastBuildableBlock(layout_));
    }
    return false;
  }
  out->main.fill(0);
  out->c2.fill(0);
  const TrackInfo* track = layout_.TrackAt(lba);
  const TrackMode mode = track ? track->mode : layout_.tracks.back().mode;
  auto it = std::upper_bound(segments_.begin(), segments_.end(), lba,
                             [](std::int32_t v, const Segment& s) { return v < s.begin; });
  const Segment* seg = nullptr;
  if (it != segments_.begin() && lba < std::prev(it)->end) seg = &*std::prev(it);
  if (seg && seg->file >= 0) {
    const ImageFile& file = *files_[static_cast<std::size_t>(seg->file)];
    const std::uint64_t at =
        seg->offset + static_cast<std::uint64_t>(lba - seg->begin) * seg->sector_size;
    if (seg->sector_size == kRawSectorSize) {
      if (!file.ReadAt(at, out->main, error)) return false;
    } else if (seg->sector_size == kRawWithSubchannelSize) {
      // CD+G: the raw block, then its P-W; the R-W bits are the file's, P and Q the layout's.
      std::array<std::uint8_t, kRawWithSubchannelSize> block{};
      if (!file.ReadAt(at, block, error)) return false;
      std::copy_n(block.begin(), kRawSectorSize, out->main.begin());
      BuildSubchannel(layout_, lba, out->sub);
      for (std::size_t i = 0; i < kSubchannelSize; ++i) {
        out->sub[i] =
            static_cast<std::uint8_t>((out->sub[i] & 0xC0) | (block[kRawSectorSize + i] & 0x3F));
      }
      return true;
    } else if (seg->sector_size == kMode2BodySize) {
      // MODE2/2336: everything after the header (sub-header, data, EDC/ECC as written).
      if (!file.ReadAt(at, std::span<std::uint8_t>(out->main.data() + 16, kMode2BodySize), error)) {
        return false;
      }
      EncodeSector(TrackMode::kMode2Formless, lba, {}, out->main);
    } else {
      if (!file.ReadAt(at, std::span<std::uint8_t>(out->main.data() + 16, 2048), error)) {
        return false;
      }
      EncodeSector(TrackMode::kMode1, lba, {}, out->main);
    }
  } else {
    EncodeSector(mode, lba, {}, out->main);
  }
  BuildSubchannel(layout_, lba, out->sub);
  return true;
}

const ImageDisc::Segment* ImageDisc::UserDataSegment(std::int32_t lba, std::int32_t count) const {
  const TrackInfo* track = layout_.TrackAt(lba);
  auto it = std::upper_bound(segments_.begin(), segments_.end(), lba,
                             [](std::int32_t v, const Segment& s) { return v < s.begin; });
  if (count <= 0 || !track || track->mode != TrackMode::kMode1 || lba < track->start ||
      lba + count > track->end || it == segments_.begin()) {
    return nullptr;
  }
  const Segment& seg = *std::prev(it);
  return lba + count <= seg.end && seg.file >= 0 ? &seg : nullptr;
}

bool ImageDisc::ReadMode1UserData(std::int32_t lba, std::span<std::uint8_t, 2048> out,
                                  std::string* error) const {
  if (const Segment* seg = UserDataSegment(lba, 1)) {
    // The user bytes straight from the file.
    return files_[static_cast<std::size_t>(seg->file)]->ReadAt(UserDataOffset(*seg, lba), out,
                                                               error);
  }
  return Disc::ReadMode1UserData(lba, out, error);
}

bool ImageDisc::ReadMode1Run(std::int32_t lba, std::int32_t count, std::span<std::uint8_t> out,
                             std::string* error) const {
  const Segment* seg = UserDataSegment(lba, count);
  if (seg && seg->sector_size == kBlockBytes) {
    // 2048-byte blocks lie one after another in the file: one read for all of them.
    return files_[static_cast<std::size_t>(seg->file)]->ReadAt(
        UserDataOffset(*seg, lba),
        out.first(std::size_t{kBlockBytes} * static_cast<std::size_t>(count)), error);
  }
  return Disc::ReadMode1Run(lba, count, out, error);
}

std::unique_ptr<Disc> OpenImage(const std::string& path, std::string* error) {
  std::string why;
  std::unique_ptr<Disc> disc;
  const std::string ext = Extension(path);
  if (ext == ".iso") {
    disc = OpenIso(path, &why);
  } else if (ext == ".cue") {
    disc = OpenTextSheet(path, "cue sheet", &ParseCueSheet, &why);
  } else if (ext == ".nrg") {
    disc = OpenNrg(path, &why);
  } else if (ext == ".toc") {
    disc = OpenTextSheet(path, "cdrdao .toc sheet", &ParseTocFile, &why);
  } else {
    why = StrFormat("%s: unknown image type (an .iso, .cue, .toc or .nrg is needed)", path.c_str());
  }
  if (!disc && error) *error = why;
  return disc;
}

}  // namespace tamarack::emu
