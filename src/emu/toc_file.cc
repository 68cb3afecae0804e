#include "emu/toc_file.h"

#include <algorithm>
#include <cctype>

#include "util/strings.h"

namespace tamarack::emu {
namespace {

struct Token {
  std::string text;
  bool quoted = false;
  int line = 0;
};

// Words, quoted strings (with \" \\ and octal \ooo), and the braces; "//" starts a comment.
bool Tokenize(std::string_view text, std::vector<Token>* tokens, int* bad_line) {
  int line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') ++line;
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (text.substr(i, 2) == "//") {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '{' || c == '}') {
      tokens->push_back({std::string(1, c), false, line});
      ++i;
    } else if (c == '"') {
      Token t{"", true, line};
      for (++i;; ++i) {
        if (i >= text.size() || text[i] == '\n') {
          *bad_line = line;
          return false;
        }
        if (text[i] == '"') break;
        if (text[i] == '\\' && i + 1 < text.size()) {
          std::size_t digits = 0;
          int value = 0;
          while (digits < 3 && i + 1 + digits < text.size() && text[i + 1 + digits] >= '0' &&
                 text[i + 1 + digits] <= '7') {
            value = value * 8 + (text[i + 1 + digits] - '0');
            ++digits;
          }
          t.text.push_back(digits > 0 ? static_cast<char>(value) : text[i + 1]);
          i += digits > 0 ? digits : 1;
        } else {
          t.text.push_back(text[i]);
        }
      }
      ++i;
      tokens->push_back(std::move(t));
    } else {
      Token t{"", false, line};
      while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
             text[i] != '{' && text[i] != '}' && text[i] != '"') {
        t.text.push_back(text[i++]);
      }
      tokens->push_back(std::move(t));
    }
  }
  return true;
}

struct ModeRow {
  const char* text;
  TrackMode mode;
  std::size_t sector_size;
};
constexpr ModeRow kModes[] = {
    {"AUDIO", TrackMode::kAudio, 2352},
    {"MODE1", TrackMode::kMode1, 2048},
    {"MODE1_RAW", TrackMode::kMode1, 2352},
    {"MODE2", TrackMode::kMode2Form1, 2336},
    {"MODE2_FORM_MIX", TrackMode::kMode2Form1, 2336},
    {"MODE2_RAW", TrackMode::kMode2Form1, 2352},
};

constexpr std::uint32_t kSamplesPerFrame = 588;

class TocParser {
 public:
  TocParser(std::vector<Token> tokens, const std::string& folder, CueSheet* sheet)
      : tokens_(std::move(tokens)), folder_(folder), sheet_(sheet) {}

  // An error text, empty when the sheet is read; `line` the line it names.
  std::string Parse(int* line);

 private:
  bool AtEnd() const { return at_ >= tokens_.size(); }
  const Token& Peek() const { return tokens_[at_]; }
  bool PeekIs(const char* word) const { return !AtEnd() && !Peek().quoted && Peek().text == word; }
  // The error names the line of the last word read.
  std::string Fail(const std::string& what) {
    line_ = at_ > 0 ? tokens_[at_ - 1].line : tokens_.empty() ? 1 : tokens_.front().line;
    return what;
  }
  std::string Word(std::string* out);
  std::string Quoted(std::string* out);
  std::string SkipBlock();
  std::string CdText(std::array<std::string, kCdTextKinds>* text);
  // A length: mm:ss:ff, or a plain number of `unit` (samples for audio files, bytes for data
  // files), as blocks of `sector_size` bytes.
  std::string Length(bool samples, std::size_t sector_size, std::int32_t* frames);
  std::string Track();
  std::string TrackData(CueTrack* track, bool data_file, bool* have_file,
                        std::int32_t* file_blocks);

  std::vector<Token> tokens_;
  std::size_t at_ = 0;
  int line_ = 0;
  const std::string& folder_;
  CueSheet* sheet_;
};

std::string TocParser::Word(std::string* out) {
  if (AtEnd() || Peek().quoted || Peek().text == "{" || Peek().text == "}") {
    return Fail("a word is missing");
  }
  *out = tokens_[at_++].text;
  return "";
}

std::string TocParser::Quoted(std::string* out) {
  if (AtEnd() || !Peek().quoted) return Fail("a text in double quotes is missing");
  *out = tokens_[at_++].text;
  return "";
}

std::string TocParser::SkipBlock() {
  if (!PeekIs("{")) return Fail("\"{\" is missing");
  int depth = 0;
  do {
    if (AtEnd()) return Fail("a \"{\" is not closed");
    if (!Peek().quoted && Peek().text == "{") ++depth;
    if (!Peek().quoted && Peek().text == "}") --depth;
    ++at_;
  } while (depth > 0);
  return "";
}

// CD_TEXT { LANGUAGE_MAP { ... } LANGUAGE n { ITEM "text" | ITEM { bytes } ... } ... }: the
// texts of language block 0.
std::string TocParser::CdText(std::array<std::string, kCdTextKinds>* text) {
  if (!PeekIs("{")) return Fail("CD_TEXT needs a \"{\"");
  ++at_;
  while (!PeekIs("}")) {
    if (AtEnd()) return Fail("CD_TEXT is not closed");
    std::string word;
    if (auto e = Word(&word); !e.empty()) return e;
    if (word == "LANGUAGE_MAP") {
      if (auto e = SkipBlock(); !e.empty()) return e;
      continue;
    }
    if (word != "LANGUAGE") return Fail(StrFormat("unknown CD_TEXT entry %s", word.c_str()));
    std::string block;
    if (auto e = Word(&block); !e.empty()) return e;
    if (!PeekIs("{")) return Fail("LANGUAGE needs a \"{\"");
    ++at_;
    while (!PeekIs("}")) {
      std::string item;
      if (auto e = Word(&item); !e.empty()) return e;
      if (PeekIs("{")) {
        if (auto e = SkipBlock(); !e.empty()) return e;  // binary items
        continue;
      }
      std::string value;
      if (auto e = Quoted(&value); !e.empty()) return e;
      const int kind = CdTextKindOf(item);
      if (block == "0" && kind >= 0) {
        (*text)[static_cast<std::size_t>(kind)] = SheetTextAsLatin1(value);
      }
    }
    ++at_;
  }
  ++at_;
  return "";
}

std::string TocParser::Length(bool samples, std::size_t sector_size, std::int32_t* frames) {
  std::string word;
  if (auto e = Word(&word); !e.empty()) return e;
  if (word.find(':') != std::string::npos) {
    if (!ParseSheetTime(word, frames)) return Fail(StrFormat("bad time %s", word.c_str()));
    return "";
  }
  const std::size_t unit = samples ? kSamplesPerFrame : sector_size;
  const auto v = ParseDigits(word, 10, std::uint64_t{100} * 60 * kFramesPerSecond * unit);
  if (!v || *v % unit != 0) {
    return Fail(StrFormat("%s is no whole number of blocks (%zu %s each)", word.c_str(), unit,
                          samples ? "samples" : "bytes"));
  }
  *frames = static_cast<std::int32_t>(*v / unit);
  return "";
}

// FILE | AUDIOFILE "name" [#offset] start [length], or DATAFILE "name" [#offset] [length].
std::string TocParser::TrackData(CueTrack* track, bool data_file, bool* have_file,
                                 std::int32_t* file_blocks) {
  if (*have_file) return Fail(StrFormat("track %d has more than one file", track->number));
  *have_file = true;
  CueFile f;
  f.line = Peek().line;
  if (auto e = Quoted(&f.name); !e.empty()) return e;
  f.path = ResolveSheetFile(folder_, f.name);
  std::string lower = f.name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.size() > 4 && lower.substr(lower.size() - 4) == ".wav") {
    return Fail(StrFormat("%s: WAVE files in .toc sheets are not read", f.name.c_str()));
  }
  if (!AtEnd() && !Peek().quoted && Peek().text.starts_with("#")) {
    const auto v = ParseDigits(std::string_view(Peek().text).substr(1), 10, 1ull << 40);
    if (!v) return Fail(StrFormat("bad offset %s", Peek().text.c_str()));
    f.offset = *v;
    ++at_;
  }
  const bool samples = track->mode == TrackMode::kAudio && !data_file;
  if (!data_file) {
    std::int32_t start = 0;
    if (auto e = Length(samples, track->sector_size, &start); !e.empty()) return e;
    f.offset += static_cast<std::uint64_t>(start) * track->sector_size;
  }
  // A length follows when the next word is one (not a keyword: those are upper-case words).
  if (!AtEnd() && !Peek().quoted &&
      (std::isdigit(static_cast<unsigned char>(Peek().text[0])) != 0)) {
    std::int32_t frames = 0;
    if (auto e = Length(samples, track->sector_size, &frames); !e.empty()) return e;
    f.length = static_cast<std::uint64_t>(frames) * track->sector_size;
    *file_blocks = frames;
  }
  sheet_->files.push_back(std::move(f));
  track->file = sheet_->files.size() - 1;
  return "";
}

std::string TocParser::Track() {
  CueTrack t;
  t.number = static_cast<int>(sheet_->tracks.size()) + 1;
  t.line = Peek().line;
  std::string mode;
  if (auto e = Word(&mode); !e.empty()) return e;
  const ModeRow* row = nullptr;
  for (const ModeRow& r : kModes) {
    if (mode == r.text) row = &r;
  }
  if (!row) return Fail(StrFormat("track mode %s is not read", mode.c_str()));
  t.mode = row->mode;
  t.sector_size = row->sector_size;
  t.mode_text = row->text;
  t.control = row->mode == TrackMode::kAudio ? 0 : kControlData;
  if (PeekIs("RW_RAW")) {
    if (row->mode != TrackMode::kAudio) return Fail("RW_RAW sub-channel data only on AUDIO tracks");
    t.sector_size = 2448;
    ++at_;
  } else if (PeekIs("RW")) {
    return Fail("packed RW sub-channel data are not read (RW_RAW is)");
  }
  bool have_file = false;
  std::int32_t generated = 0;     // PREGAP, SILENCE, ZERO before the file
  std::int32_t start = -1;        // START: index 1, from the track's first block
  std::int32_t file_blocks = -1;  // the file statement's length, when given
  std::vector<std::int32_t> indexes;
  while (!AtEnd() && !PeekIs("TRACK")) {
    std::string word;
    if (auto e = Word(&word); !e.empty()) return e;
    if (word == "NO") {
      if (auto e = Word(&word); !e.empty()) return e;
      if (word != "COPY" && word != "PRE_EMPHASIS") return Fail(StrFormat("NO %s", word.c_str()));
    } else if (word == "COPY") {
      t.control |= kControlCopyPermitted;
    } else if (word == "PRE_EMPHASIS") {
      t.control |= kControlPreEmphasis;
    } else if (word == "FOUR_CHANNEL_AUDIO" || word == "TWO_CHANNEL_AUDIO") {
      if (word == "FOUR_CHANNEL_AUDIO") t.control |= kControlFourChannel;
    } else if (word == "ISRC") {
      if (auto e = Quoted(&t.isrc); !e.empty()) return e;
      if (t.isrc.size() != 12) return Fail("ISRC needs 12 characters");
    } else if (word == "CD_TEXT") {
      if (auto e = CdText(&t.text); !e.empty()) return e;
    } else if (word == "PREGAP" || word == "SILENCE" || word == "ZERO") {
      if (have_file) return Fail(StrFormat("%s after the track's file", word.c_str()));
      if (word == "ZERO" && !AtEnd() && !Peek().text.empty() &&
          std::isalpha(static_cast<unsigned char>(Peek().text[0]))) {
        ++at_;  // ZERO's optional data mode
      }
      std::int32_t frames = 0;
      if (auto e = Length(word == "SILENCE", t.sector_size, &frames); !e.empty()) return e;
      generated += frames;
      if (word == "PREGAP") start = generated;
    } else if (word == "FILE" || word == "AUDIOFILE" || word == "DATAFILE") {
      if (auto e = TrackData(&t, word == "DATAFILE", &have_file, &file_blocks); !e.empty()) {
        return e;
      }
    } else if (word == "START" || word == "INDEX") {
      std::int32_t frames = -1;
      if (word == "INDEX" || (!AtEnd() && Peek().text.find(':') != std::string::npos)) {
        if (auto e = Length(false, t.sector_size, &frames); !e.empty()) return e;
      }
      if (word == "START") {
        // Without a time: here, after what the track has so far.
        start = frames >= 0 ? frames : generated + std::max(file_blocks, 0);
      } else {
        indexes.push_back(frames);
      }
    } else {
      return Fail(StrFormat("unknown statement %s", word.c_str()));
    }
  }
  if (!have_file) return Fail(StrFormat("track %d has no FILE or DATAFILE", t.number));
  if (start < 0) start = generated;
  if (start < generated) {
    return Fail(StrFormat("track %d starts inside its generated pregap", t.number));
  }
  // The generated blocks are the pregap; the file's blocks before START are index 0.
  t.pregap = generated;
  if (start > generated) t.indexes.push_back(CueIndex{0, 0, t.line});
  t.indexes.push_back(CueIndex{1, start - generated, t.line});
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    t.indexes.push_back(CueIndex{static_cast<int>(i) + 2, start - generated + indexes[i], t.line});
  }
  sheet_->tracks.push_back(std::move(t));
  return "";
}

std::string TocParser::Parse(int* line) {
  std::string e;
  while (e.empty() && !AtEnd()) {
    std::string word;
    if (e = Word(&word); !e.empty()) break;
    if (word == "CD_DA" || word == "CD_ROM" || word == "CD_ROM_XA" || word == "CD_I") {
    } else if (word == "CATALOG") {
      e = Quoted(&sheet_->catalog);
      if (e.empty() && (sheet_->catalog.size() != 13 ||
                        !std::all_of(sheet_->catalog.begin(), sheet_->catalog.end(),
                                     [](char c) { return c >= '0' && c <= '9'; }))) {
        e = Fail("CATALOG needs 13 digits");
      }
    } else if (word == "CD_TEXT") {
      e = CdText(&sheet_->text);
    } else if (word == "TRACK") {
      if (sheet_->tracks.size() == 99) e = Fail("more than 99 tracks");
      if (e.empty()) e = Track();
    } else {
      e = Fail(StrFormat("unknown statement %s", word.c_str()));
    }
  }
  if (e.empty() && sheet_->tracks.empty()) e = Fail("no TRACK in the sheet");
  *line = line_;
  return e;
}

}  // namespace

bool ParseTocFile(std::string_view text, const std::string& sheet_name, const std::string& folder,
                  CueSheet* sheet, std::string* error) {
  *sheet = CueSheet{};
  sheet->index0_starts_disc = false;  // track 1's START is LBA 0, its pregap before it
  std::vector<Token> tokens;
  int line = 0;
  if (!Tokenize(text, &tokens, &line)) {
    *error = StrFormat("%s:%d: unclosed quote", sheet_name.c_str(), line);
    return false;
  }
  TocParser parser(std::move(tokens), folder, sheet);
  const std::string problem = parser.Parse(&line);
  if (problem.empty()) return true;
  *error = StrFormat("%s:%d: %s", sheet_name.c_str(), line, problem.c_str());
  return false;
}

}  // namespace tamarack::emu
