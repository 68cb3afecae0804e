// Golden files: a reply as hex text (NAME.hex; "#" starts a comment) and the expected text
// beside it (NAME.txt, "\n" line ends standing for the decoders' "\r\n"), in
// tests/data/FOLDER.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform_texts.h"

namespace tamarack::testing {

inline std::string GoldenPath(const std::string& name, const std::string& folder = "decode") {
  const char* dir = std::getenv("TAMARACK_TEST_DATA");
  return std::string(dir ? dir : "tests/data") + "/" + folder + "/" + name;
}

inline std::string ReadGoldenFile(const std::string& name, const std::string& folder = "decode") {
  std::ifstream in(GoldenPath(name, folder), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The bytes of a .hex file: pairs of hex digits separated by blanks and line breaks.
inline std::vector<std::uint8_t> ReadGoldenHex(const std::string& name,
                                               const std::string& folder = "decode") {
  std::istringstream in(ReadGoldenFile(name, folder));
  std::vector<std::uint8_t> bytes;
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string w;
    while (words >> w) bytes.push_back(static_cast<std::uint8_t>(std::stoul(w, nullptr, 16)));
  }
  return bytes;
}

// The expected text with "\r\n" line ends.
inline std::string ReadGoldenText(const std::string& name, const std::string& folder = "decode") {
  const std::string text = ReadGoldenFile(name, folder);
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// With TAMARACK_UPDATE_GOLDEN set, writes `text` (its "\r\n" as "\n") as the golden file
// instead of comparing: for a new output that has been checked by hand.
inline bool UpdateGoldenText(const std::string& name, const std::string& text,
                             const std::string& folder = "decode") {
  if (!std::getenv("TAMARACK_UPDATE_GOLDEN")) return false;
  std::string lf;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lf += text[i];
  }
  std::ofstream(GoldenPath(name, folder), std::ios::binary) << lf;
  return true;
}

// Decoded list rows as text: the cells of a row joined by " | ", then its icon number.
template <typename Rows>
std::string RowsText(const Rows& rows) {
  std::string out;
  for (const auto& r : rows) {
    for (const std::string& cell : r.cells) out += cell + " | ";
    out += "icon " + std::to_string(r.icon) + "\r\n";
  }
  return out;
}

// Compares `actual` (without "\r\n" line ends) with tests/data/FOLDER/NAME, or writes it; the
// system's reasons for a missing file are compared as Linux's (platform_texts.h).
inline void ExpectGoldenFile(const std::string& name, const std::string& actual,
                             const std::string& folder) {
  if (UpdateGoldenText(name, actual, folder)) return;
  EXPECT_EQ(WithPosixReasons(actual), ReadGoldenFile(name, folder)) << name;
}

// Each line of tests/data/FOLDER/NAME: hex bytes before its colon and what `say` makes of them
// after it ("# " lines say what the cases show, a line of nothing ends at the colon); compared as
// ExpectGoldenFile does.
inline void ExpectEachHexLine(
    const std::string& name, const std::string& folder,
    const std::function<std::string(const std::vector<std::uint8_t>&)>& say) {
  std::istringstream lines(ReadGoldenFile(name, folder));
  std::string t;
  int cases = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("# ")) {
      t += line + "\n";
      continue;
    }
    const std::string hex = line.substr(0, line.find(':'));
    std::istringstream words(hex);
    std::vector<std::uint8_t> bytes;
    for (std::string w; words >> w;)
      bytes.push_back(static_cast<std::uint8_t>(std::stoul(w, nullptr, 16)));
    const std::string said = say(bytes);
    t += hex + ":" + (said.empty() ? "" : " ") + said + "\n";
    ++cases;
  }
  EXPECT_GT(cases, 0) << name << " holds no cases";
  ExpectGoldenFile(name, t, folder);
}

// Each case of tests/data/FOLDER/NAME: a line of input, then what `say` makes of it on the
// next line, indented by two blanks; compared as ExpectGoldenFile does.
inline void ExpectEachInput(const std::string& name, const std::string& folder,
                            const std::function<std::string(const std::string&)>& say) {
  std::istringstream lines(ReadGoldenFile(name, folder));
  std::string t;
  int cases = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("  ")) continue;
    t += line + "\n  " + say(line) + "\n";
    ++cases;
  }
  EXPECT_GT(cases, 0) << name << " holds no cases";
  ExpectGoldenFile(name, t, folder);
}

// The steps of a transcript: the "> " lines of tests/data/FOLDER/NAME.txt, which the run that
// checks the transcript writes again after each step. The strings outlive the views.
inline std::vector<std::string_view> StepsOf(const std::string& name,
                                             const std::string& folder = "decode") {
  static std::list<std::string> kept;
  std::istringstream in(ReadGoldenFile(name + ".txt", folder));
  std::vector<std::string_view> steps;
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with("> ")) continue;
    steps.emplace_back(kept.emplace_back(line.substr(2)));
  }
  EXPECT_FALSE(steps.empty()) << name << " holds no steps";
  return steps;
}

// A text on one line of a golden file: "\n" and the other control characters escaped.
inline std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (u < 0x20 || u == 0x7F) {
      constexpr char kDigits[] = "0123456789abcdef";
      out += {'\\', 'x', kDigits[u >> 4], kDigits[u & 0x0F]};
    } else {
      out += c;
    }
  }
  return out;
}

// `text` with its escapes ("\n", "\r", "\xNN") turned back into their characters.
inline std::string Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view escape = text.substr(i, 2);
    if (escape == "\\n" || escape == "\\r") {
      out += escape[1] == 'n' ? '\n' : '\r';
      ++i;
    } else if (escape == "\\x" && i + 4 <= text.size()) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Compares decoded text ("\r\n" line ends) with NAME.txt, or writes it (see above).
inline void ExpectGoldenText(const std::string& name, const std::string& actual) {
  if (UpdateGoldenText(name + ".txt", actual)) return;
  EXPECT_EQ(WithPosixReasons(actual), ReadGoldenText(name + ".txt")) << name;
}

}  // namespace tamarack::testing
