#include "emu/image_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "util/bytes.h"
#include "util/regular_file.h"
#include "util/strings.h"

namespace tamarack::emu {
namespace {

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint64_t Be64(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint64_t{ReadBe32(b, at)} << 32 | ReadBe32(b, at + 4);
}
bool IdIs(std::span<const std::uint8_t> b, std::size_t at, const char* id) {
  return b.size() >= at + 4 && std::memcmp(b.data() + at, id, 4) == 0;
}

// The most chunks looked at in a WAVE file before its data chunk.
constexpr int kMaxWaveChunks = 64;
// The most bytes of a Nero image's chunk chain (a disc of 99 tracks needs a few kilobytes).
constexpr std::uint64_t kMaxNrgChainBytes = 1 << 20;

}  // namespace

bool FindWaveData(const ImageFile& file, std::uint64_t* offset, std::uint64_t* length,
                  std::string* error) {
  const char* name = file.path().c_str();
  std::array<std::uint8_t, 12> riff{};
  if (file.size() < riff.size() || !file.ReadAt(0, riff, nullptr) || !IdIs(riff, 0, "RIFF") ||
      !IdIs(riff, 8, "WAVE")) {
    *error = StrFormat("%s: not a RIFF WAVE file", name);
    return false;
  }
  bool have_format = false;
  std::uint64_t at = 12;
  for (int n = 0; n < kMaxWaveChunks && at + 8 <= file.size(); ++n) {
    std::array<std::uint8_t, 8> head{};
    if (!file.ReadAt(at, head, error)) return false;
    const std::uint64_t size = Le32(head, 4);
    const std::uint64_t body = at + 8;
    if (IdIs(head, 0, "fmt ")) {
      std::array<std::uint8_t, 16> fmt{};
      if (size < fmt.size() || body + fmt.size() > file.size() || !file.ReadAt(body, fmt, error)) {
        *error = StrFormat("%s: the WAVE format chunk is cut short", name);
        return false;
      }
      const int tag = Le16(fmt, 0), channels = Le16(fmt, 2), bits = Le16(fmt, 14);
      const std::uint32_t rate = Le32(fmt, 4);
      if (tag != 1 || channels != 2 || rate != 44100 || bits != 16) {
        *error = StrFormat(
            "%s: WAVE format %d, %d channels, %u Hz, %d bits: only PCM, 2 channels, 44100 Hz, "
            "16 bits (CD audio) is read",
            name, tag, channels, rate, bits);
        return false;
      }
      have_format = true;
    } else if (IdIs(head, 0, "data")) {
      if (!have_format) {
        *error = StrFormat("%s: the WAVE data chunk comes before its format chunk", name);
        return false;
      }
      if (body + size > file.size()) {
        *error = StrFormat("%s: the WAVE data chunk says %llu bytes, the file holds %llu", name,
                           static_cast<unsigned long long>(size),
                           static_cast<unsigned long long>(file.size() - body));
        return false;
      }
      *offset = body;
      *length = size;
      return true;
    }
    at = body + size + (size & 1);  // chunks are padded to an even length
  }
  *error = StrFormat("%s: no WAVE data chunk", name);
  return false;
}

namespace {

struct NrgMode {
  std::uint8_t code;
  TrackMode mode;
  std::size_t sector_size;
};
// The track modes of a Nero image's DAO chunk that the virtual drive serves.
constexpr NrgMode kNrgModes[] = {
    {0x00, TrackMode::kMode1, 2048}, {0x03, TrackMode::kMode2Form1, 2336},
    {0x05, TrackMode::kMode1, 2352}, {0x06, TrackMode::kMode2Form1, 2352},
    {0x07, TrackMode::kAudio, 2352}, {0x10, TrackMode::kAudio, 2448},
};

// The tracks of a DAOX (`wide`, 64-bit offsets) or DAOI chunk's body.
bool ReadDaoChunk(const ImageFile& file, std::span<const std::uint8_t> body, bool wide,
                  CueSheet* sheet, std::string* error) {
  const char* name = file.path().c_str();
  constexpr std::size_t kHead = 22;
  const std::size_t entry = wide ? 42 : 30;
  if (body.size() < kHead) {
    *error = StrFormat("%s: the DAO chunk is cut short", name);
    return false;
  }
  const int first = body[20], last = body[21];
  const std::size_t tracks = last >= first ? static_cast<std::size_t>(last - first + 1) : 0;
  if (first < 1 || last > 99 || tracks == 0 || body.size() < kHead + tracks * entry) {
    *error = StrFormat("%s: the DAO chunk's tracks %d to %d do not fit it", name, first, last);
    return false;
  }
  const std::string mcn(reinterpret_cast<const char*>(body.data()) + 4, 13);
  if (std::all_of(mcn.begin(), mcn.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    sheet->catalog = mcn;
  }
  for (std::size_t i = 0; i < tracks; ++i) {
    const auto e = body.subspan(kHead + i * entry, entry);
    const int number = first + static_cast<int>(i);
    const std::size_t size = ReadBe16(e, 12);
    const NrgMode* row = nullptr;
    for (const NrgMode& m : kNrgModes) {
      if (m.code == e[14]) row = &m;
    }
    if (!row) {
      *error = StrFormat("%s: track %d has the track mode %02xh, which is not read", name, number,
                         e[14]);
      return false;
    }
    if (size != row->sector_size) {
      *error = StrFormat("%s: track %d's blocks of %zu bytes do not fit its mode %02xh", name,
                         number, size, e[14]);
      return false;
    }
    const std::uint64_t index0 = wide ? Be64(e, 18) : ReadBe32(e, 18);
    const std::uint64_t index1 = wide ? Be64(e, 26) : ReadBe32(e, 22);
    const std::uint64_t end = wide ? Be64(e, 34) : ReadBe32(e, 26);
    if (index0 > index1 || index1 >= end || end > file.size() || (index1 - index0) % size != 0 ||
        (end - index0) % size != 0) {
      *error = StrFormat(
          "%s: track %d's offsets %llu, %llu, %llu are no whole blocks within the "
          "file",
          name, number, static_cast<unsigned long long>(index0),
          static_cast<unsigned long long>(index1), static_cast<unsigned long long>(end));
      return false;
    }
    CueFile f;
    f.name = file.path();
    f.path = file.path();
    f.offset = index0;
    f.length = end - index0;
    sheet->files.push_back(f);
    CueTrack t;
    t.number = number;
    t.mode = row->mode;
    t.sector_size = row->sector_size;
    t.file = sheet->files.size() - 1;
    t.control = row->mode == TrackMode::kAudio ? 0 : kControlData;
    if (index1 > index0) t.indexes.push_back(CueIndex{0, 0, 0});
    t.indexes.push_back(CueIndex{1, static_cast<std::int32_t>((index1 - index0) / size), 0});
    const std::string isrc(reinterpret_cast<const char*>(e.data()), 12);
    if (std::all_of(isrc.begin(), isrc.end(),
                    [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
      t.isrc = isrc;
    }
    sheet->tracks.push_back(std::move(t));
  }
  return true;
}

}  // namespace

bool ParseNrg(const ImageFile& file, CueSheet* sheet, std::vector<CdTextPack>* cd_text,
              std::string* error) {
  const char* name = file.path().c_str();
  *sheet = CueSheet{};
  sheet->index0_starts_disc = false;  // the pregap of track 1 lies before LBA 0, as written
  std::array<std::uint8_t, 12> foot{};
  if (file.size() < foot.size() || !file.ReadAt(file.size() - foot.size(), foot, error)) {
    *error = StrFormat("%s: too short for a Nero image", name);
    return false;
  }
  bool wide = false;
  std::uint64_t chain = 0;
  if (IdIs(foot, 0, "NER5")) {
    wide = true;
    chain = Be64(foot, 4);
  } else if (IdIs(foot, 4, "NERO")) {
    chain = ReadBe32(foot, 8);
  } else {
    *error = StrFormat("%s: no Nero footer (NER5 or NERO) at the end of the file", name);
    return false;
  }
  const std::uint64_t chain_end = file.size() - (wide ? 12 : 8);
  if (chain >= chain_end || chain_end - chain > kMaxNrgChainBytes) {
    *error = StrFormat("%s: the Nero footer's chunk offset %llu lies outside the file", name,
                       static_cast<unsigned long long>(chain));
    return false;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(chain_end - chain));
  if (!file.ReadAt(chain, bytes, error)) return false;
  const std::span<const std::uint8_t> all(bytes);
  bool have_dao = false;
  for (std::size_t at = 0; at + 8 <= all.size();) {
    const std::uint64_t size = ReadBe32(all, at + 4);
    if (size > all.size() - at - 8) {
      *error = StrFormat("%s: a Nero chunk runs past the end of the chain", name);
      return false;
    }
    const auto body = all.subspan(at + 8, static_cast<std::size_t>(size));
    if (IdIs(all, at, "END!")) break;
    if (IdIs(all, at, "DAOX") || IdIs(all, at, "DAOI")) {
      if (have_dao) {
        *error = StrFormat("%s: a Nero image of several sessions is not read", name);
        return false;
      }
      if (!ReadDaoChunk(file, body, IdIs(all, at, "DAOX"), sheet, error)) return false;
      have_dao = true;
    } else if (IdIs(all, at, "ETNF") || IdIs(all, at, "ETN2")) {
      *error = StrFormat("%s: a track-at-once Nero image (no DAO chunk) is not read", name);
      return false;
    } else if (IdIs(all, at, "CDTX")) {
      cd_text->clear();
      for (std::size_t p = 0; p + 18 <= body.size(); p += 18) {
        CdTextPack pack{};
        std::copy_n(body.begin() + static_cast<std::ptrdiff_t>(p), 18, pack.begin());
        cd_text->push_back(pack);
      }
    }
    at += 8 + static_cast<std::size_t>(size);
  }
  if (!have_dao) {
    *error = StrFormat("%s: the Nero image has no DAO chunk (DAOX or DAOI)", name);
    return false;
  }
  return true;
}

bool ReadCdTextFile(const std::string& path, std::vector<CdTextPack>* packs, std::string* error) {
  constexpr std::size_t kMaxPacks = 8 * kMaxCdTextPacks;
  const auto bytes = ReadRegularFile(path, 4 + kMaxPacks * 18 + 1, "CD-TEXT file", error);
  if (!bytes) return false;
  std::string_view data(*bytes);
  if (data.size() % 18 != 0) {
    // The header of Read TOC format 5 (data length, two reserved bytes), perhaps a zero after.
    if (data.size() >= 4 && (data.size() - 4) % 18 == 1 && data.back() == '\0') {
      data.remove_suffix(1);
    }
    if (data.size() < 4 || (data.size() - 4) % 18 != 0) {
      *error = StrFormat("%s: %zu bytes are not whole 18-byte CD-TEXT packs", path.c_str(),
                         bytes->size());
      return false;
    }
    data.remove_prefix(4);
  }
  if (data.empty()) {
    *error = StrFormat("%s: no CD-TEXT packs", path.c_str());
    return false;
  }
  packs->clear();
  for (std::size_t p = 0; p < data.size(); p += 18) {
    CdTextPack pack{};
    std::memcpy(pack.data(), data.data() + p, 18);
    packs->push_back(pack);
  }
  return true;
}

}  // namespace tamarack::emu
