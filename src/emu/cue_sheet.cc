#include "emu/cue_sheet.h"

#include <algorithm>
#include <cctype>

#include "util/strings.h"

namespace tamarack::emu {
namespace {

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// Splits a line into words; a word in double quotes may hold blanks. False on an unclosed
// quote.
bool Split(std::string_view line, std::vector<std::string>* words) {
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string w;
    if (line[i] == '"') {
      const std::size_t end = line.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      w = std::string(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') w += line[i++];
    }
    words->push_back(std::move(w));
  }
  return true;
}

// Up to three decimal digits, at most `max`.
bool ParseNumber(std::string_view s, int max, int* out) {
  if (s.size() > 3) return false;
  const auto v = ParseDigits(s, 10, static_cast<std::uint64_t>(max));
  if (!v) return false;
  *out = static_cast<int>(*v);
  return true;
}

}  // namespace

bool ParseSheetTime(std::string_view s, std::int32_t* frames) {
  const std::size_t a = s.find(':');
  const std::size_t b = a == std::string_view::npos ? a : s.find(':', a + 1);
  if (b == std::string_view::npos) return false;
  int m = 0, sec = 0, f = 0;
  if (!ParseNumber(s.substr(0, a), 999, &m) || !ParseNumber(s.substr(a + 1, b - a - 1), 59, &sec) ||
      !ParseNumber(s.substr(b + 1), 74, &f)) {
    return false;
  }
  *frames = (m * 60 + sec) * kFramesPerSecond + f;
  return true;
}

namespace {

struct ModeRow {
  const char* text;
  TrackMode mode;
  std::size_t sector_size;
};
constexpr ModeRow kModes[] = {
    {"AUDIO", TrackMode::kAudio, 2352},           {"MODE1/2048", TrackMode::kMode1, 2048},
    {"MODE1/2352", TrackMode::kMode1, 2352},      {"MODE2/2352", TrackMode::kMode2Form1, 2352},
    {"MODE2/2336", TrackMode::kMode2Form1, 2336}, {"CDG", TrackMode::kAudio, 2448},
};

// Commands that carry comments or CD-TEXT the drive does not serve: accepted and not used.
constexpr const char* kIgnored[] = {"REM",       "DISC_ID",   "GENRE",    "UPC_EAN",
                                    "SIZE_INFO", "TOC_INFO1", "TOC_INFO2"};

// The CD-TEXT commands, in the order of their pack types from 80h.
constexpr const char* kTextCommands[kCdTextKinds] = {"TITLE",    "PERFORMER", "SONGWRITER",
                                                     "COMPOSER", "ARRANGER",  "MESSAGE"};

}  // namespace

int CdTextKindOf(std::string_view command) {
  const std::string upper = Upper(command);
  for (int k = 0; k < kCdTextKinds; ++k) {
    if (upper == kTextCommands[k]) return k;
  }
  return -1;
}

std::string SheetTextAsLatin1(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    const std::size_t extra = b >= 0xF0 && b < 0xF5   ? 3
                              : b >= 0xE0 && b < 0xF0 ? 2
                              : b >= 0xC2 && b < 0xE0 ? 1
                                                      : 0;
    std::uint32_t cp = b & (0x3Fu >> extra);
    bool valid = extra > 0 && i + extra < text.size();
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      valid = (c & 0xC0) == 0x80;
      cp = cp << 6 | (c & 0x3Fu);
    }
    if (!valid) {
      out.push_back(static_cast<char>(b));
      ++i;
    } else {
      out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
      i += extra + 1;
    }
  }
  return out;
}

std::string ResolveSheetFile(const std::string& folder, const std::string& name) {
  // A name from the root (on Windows "\\x.bin" or one on a drive, "C:\\x.bin") is not in the
  // sheet's folder.
  bool rooted = !name.empty() && kPathSeparators.find(name[0]) != std::string::npos;
#ifdef _WIN32
  rooted = rooted || (name.size() > 1 && name[1] == ':');
#endif
  return rooted || folder.empty() ? name : folder + kPathSeparator + name;
}

namespace {

bool IsAlnum(const std::string& s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// An INDEX line: in order, after the index before it and the data of the tracks before it in
// the same file.
std::string ApplyIndex(const std::vector<std::string>& w, int line_no, CueSheet* sheet) {
  if (sheet->tracks.empty()) return "INDEX outside a TRACK";
  CueTrack* track = &sheet->tracks.back();
  if (track->file != sheet->files.size() - 1) {
    if (!track->indexes.empty()) {
      return StrFormat("the indexes of track %d lie in two FILEs", track->number);
    }
    track->file = sheet->files.size() - 1;  // a FILE line between TRACK and INDEX
  }
  int number = 0;
  std::int32_t frames = 0;
  if (w.size() != 3 || !ParseNumber(w[1], 99, &number)) return "INDEX needs a number";
  if (!ParseSheetTime(w[2], &frames)) return StrFormat("bad time %s", w[2].c_str());
  if (track->indexes.empty() ? number > 1 : number != track->indexes.back().number + 1) {
    return StrFormat("INDEX %02d out of order", number);
  }
  if (!track->indexes.empty() && frames < track->indexes.back().frames) {
    return StrFormat("INDEX %02d lies before the index before it", number);
  }
  if (track->indexes.empty()) {
    for (const CueTrack& other : sheet->tracks) {
      if (&other != track && other.file == track->file && !other.indexes.empty() &&
          frames < other.indexes.back().frames) {
        return StrFormat("INDEX %02d lies before track %d's data", number, other.number);
      }
    }
  }
  track->indexes.push_back(CueIndex{number, frames, line_no});
  return "";
}

// Applies one line's words (`w`, not empty) to the sheet; an error text, empty when the line
// is accepted.
std::string ApplyCueLine(const std::vector<std::string>& w, int line_no, const std::string& folder,
                         CueSheet* sheet) {
  const std::string cmd = Upper(w[0]);
  CueTrack* track = sheet->tracks.empty() ? nullptr : &sheet->tracks.back();
  if (std::find(std::begin(kIgnored), std::end(kIgnored), cmd) != std::end(kIgnored)) {
    return "";
  }
  if (const int kind = CdTextKindOf(cmd); kind >= 0) {
    if (w.size() != 2) return StrFormat("%s needs one text (in double quotes)", cmd.c_str());
    (track ? track->text : sheet->text)[static_cast<std::size_t>(kind)] = SheetTextAsLatin1(w[1]);
  } else if (cmd == "CDTEXTFILE") {
    if (track) return "CDTEXTFILE inside a TRACK";
    if (w.size() != 2) return "CDTEXTFILE needs a file name";
    sheet->cd_text_file = ResolveSheetFile(folder, w[1]);
    sheet->cd_text_file_line = line_no;
  } else if (cmd == "CATALOG") {
    if (w.size() != 2 || w[1].size() != 13 ||
        !std::all_of(w[1].begin(), w[1].end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return "CATALOG needs 13 digits";
    }
    sheet->catalog = w[1];
  } else if (cmd == "FILE") {
    if (w.size() != 3) return "FILE needs a name and a type";
    const std::string type = Upper(w[2]);
    if (type != "BINARY" && type != "WAVE") {
      return StrFormat("unsupported file type %s (BINARY or WAVE)", w[2].c_str());
    }
    CueFile f;
    f.type = type == "WAVE" ? CueFileType::kWave : CueFileType::kBinary;
    f.name = w[1];
    f.path = ResolveSheetFile(folder, w[1]);
    f.line = line_no;
    sheet->files.push_back(std::move(f));
  } else if (cmd == "TRACK") {
    if (sheet->files.empty()) return "TRACK before any FILE";
    if (w.size() != 3) return "TRACK needs a number and a mode";
    int number = 0;
    if (!ParseNumber(w[1], 99, &number) || number < 1) {
      return StrFormat("bad track number %s", w[1].c_str());
    }
    if (track && number != track->number + 1) {
      return StrFormat("track %d follows track %d", number, track->number);
    }
    const std::string mode = Upper(w[2]);
    const ModeRow* row = nullptr;
    for (const ModeRow& r : kModes) {
      if (mode == r.text) row = &r;
    }
    if (!row) return StrFormat("unknown track mode %s", w[2].c_str());
    if (sheet->files.back().type == CueFileType::kWave && row->mode != TrackMode::kAudio) {
      return StrFormat("a WAVE file holds AUDIO tracks, not %s", w[2].c_str());
    }
    if (track && track->indexes.empty()) {
      return StrFormat("track %d has no INDEX 01", track->number);
    }
    CueTrack t;
    t.number = number;
    t.line = line_no;
    t.mode = row->mode;
    t.sector_size = row->sector_size;
    t.mode_text = row->text;
    t.file = sheet->files.size() - 1;
    t.control = row->mode == TrackMode::kAudio ? 0 : kControlData;
    sheet->tracks.push_back(std::move(t));
  } else if (cmd == "INDEX") {
    return ApplyIndex(w, line_no, sheet);
  } else if (cmd == "PREGAP" || cmd == "POSTGAP") {
    if (!track) return StrFormat("%s outside a TRACK", cmd.c_str());
    std::int32_t frames = 0;
    if (w.size() != 2 || !ParseSheetTime(w[1], &frames))
      return StrFormat("bad %s time", cmd.c_str());
    if (cmd == "PREGAP") {
      if (!track->indexes.empty()) return "PREGAP after INDEX";
      track->pregap = frames;
    } else {
      if (track->indexes.empty()) return "POSTGAP before INDEX";
      track->postgap = frames;
    }
  } else if (cmd == "FLAGS") {
    if (!track) return "FLAGS outside a TRACK";
    for (std::size_t i = 1; i < w.size(); ++i) {
      const std::string f = Upper(w[i]);
      if (f == "DCP") {
        track->control |= kControlCopyPermitted;
      } else if (f == "4CH") {
        track->control |= kControlFourChannel;
      } else if (f == "PRE") {
        track->control |= kControlPreEmphasis;
      } else if (f != "SCMS") {
        return StrFormat("unknown flag %s", w[i].c_str());
      }
    }
  } else if (cmd == "ISRC") {
    if (!track) return "ISRC outside a TRACK";
    if (w.size() != 2 || w[1].size() != 12 || !IsAlnum(w[1]) ||
        !std::all_of(w[1].begin() + 5, w[1].end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return "ISRC needs 12 characters: 5 letters or digits, then 7 digits";
    }
    track->isrc = Upper(w[1]);
  } else {
    return StrFormat("unknown command %s", w[0].c_str());
  }
  return "";
}

}  // namespace

bool ParseCueSheet(std::string_view text, const std::string& sheet_name, const std::string& folder,
                   CueSheet* sheet, std::string* error) {
  *sheet = CueSheet{};
  int line_no = 0;
  auto fail = [&](const std::string& what) {
    if (error) *error = StrFormat("%s:%d: %s", sheet_name.c_str(), line_no, what.c_str());
    return false;
  };
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string> w;
    if (!Split(line, &w)) return fail("unclosed quote");
    if (w.empty()) {
      if (end == text.size()) break;
      continue;
    }
    const std::string problem = ApplyCueLine(w, line_no, folder, sheet);
    if (!problem.empty()) return fail(problem);
    if (end == text.size()) break;
  }
  if (sheet->tracks.empty()) {
    if (error) *error = sheet_name + ": no TRACK in the sheet";
    return false;
  }
  if (sheet->tracks.back().indexes.empty()) {
    line_no = sheet->tracks.back().line;
    return fail(StrFormat("track %d has no INDEX 01", sheet->tracks.back().number));
  }
  for (const CueTrack& t : sheet->tracks) {
    const bool has_one = std::any_of(t.indexes.begin(), t.indexes.end(),
                                     [](const CueIndex& i) { return i.number == 1; });
    if (!has_one) {
      line_no = t.line;
      return fail(StrFormat("track %d has no INDEX 01", t.number));
    }
  }
  return true;
}

}  // namespace tamarack::emu
