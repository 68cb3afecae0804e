// The layers of src/. The folders use each other in one direction only, along the network of
// chains that docs/architecture.md draws: the chains are read from the document itself, so the
// two cannot drift apart, and every #include of src/ is checked against them. Every CDB is built
// by src/mmc: outside it no file writes an opcode as a number into a CDB, builds one byte by byte
// with MakeCdb, or keeps an opcode table of its own numbers. The virtual drive reads the CDBs it
// is sent byte by byte, but it names the opcodes it dispatches on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "golden.h"
#include "util/text_file.h"

namespace {

namespace fs = std::filesystem;

// For each folder, the folders it may include (itself aside).
using Order = std::map<std::string, std::set<std::string>>;

struct SourceFile {
  std::string path;  // relative to src/
  std::string text;
};

struct CheckResult {
  std::vector<std::string> violations;
  int cross_folder_includes = 0;  // includes of another folder that were checked
};

// The chains of the "Dependency direction" paragraph, up to the next heading: indented lines
// such as "util <- device <- decode / views <- app". A folder uses the folders of the step left of
// its own, and what those use; folders of one step ("/") know nothing of each other. On
// failure `error` says why and the order is empty.
Order ParseOrder(const std::string& document, std::string* error) {
  std::map<std::string, std::set<std::string>> direct;
  std::istringstream in(document);
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("Dependency direction")) {
      inside = true;
      continue;
    }
    if (!inside) continue;
    if (line.starts_with("#")) break;
    // The chains are the indented block; prose may mention arrows.
    if (!line.starts_with("    ") || line.find("<-") == std::string::npos) continue;
    static const std::regex kChain(R"(\s*[a-z_]+(\s*(<-|/)\s*[a-z_]+)*\s*)");
    if (!std::regex_match(line, kChain)) {
      *error = "not a folder name or arrow in \"" + line + "\"";
      return {};
    }
    // Each step's folders, spaced apart from the arrows and slashes, use the step before.
    std::vector<std::string> previous, folders;
    std::istringstream words(std::regex_replace(line, std::regex("<-|/"), " $& ") + " <-");
    for (std::string w; words >> w;) {
      if (w == "/") continue;
      if (w != "<-") {
        folders.push_back(w);
        continue;
      }
      for (const std::string& f : folders) direct[f].insert(previous.begin(), previous.end());
      previous = std::exchange(folders, {});
    }
  }
  if (direct.empty()) {
    *error = "no indented \"a <- b\" chain after \"Dependency direction\"";
    return {};
  }
  Order order;
  for (const auto& [folder, uses] : direct) {
    std::set<std::string>& reach = order[folder];
    std::vector<std::string> pending(uses.begin(), uses.end());
    while (!pending.empty()) {
      const std::string next = pending.back();
      pending.pop_back();
      if (!reach.insert(next).second) continue;
      pending.insert(pending.end(), direct[next].begin(), direct[next].end());
    }
    if (reach.count(folder) != 0) {
      *error = "the order goes round through " + folder;
      return {};
    }
  }
  return order;
}

CheckResult CheckIncludes(const Order& order, const std::vector<SourceFile>& files) {
  CheckResult r;
  std::set<std::string> folders;
  for (const auto& [folder, uses] : order) folders.insert(folder);
  for (const SourceFile& f : files) folders.insert(f.path.substr(0, f.path.find('/')));

  static const std::regex kInclude(R"(^\s*#\s*include\s*[<"]([^">]+)[">])");
  for (const SourceFile& f : files) {
    const std::size_t slash = f.path.find('/');
    const std::string own = slash == std::string::npos ? "" : f.path.substr(0, slash);
    const auto placed = order.find(own);
    if (placed == order.end()) {
      r.violations.push_back("src/" + f.path + ": the folder is not in the order");
      continue;
    }
    std::istringstream in(f.text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      std::smatch m;
      if (!std::regex_search(line, m, kInclude)) continue;
      const std::string target = m[1];
      const std::size_t cut = target.find('/');
      if (cut == std::string::npos) continue;
      const std::string folder = target.substr(0, cut);
      // Others are system and library headers (<sys/stat.h>, <CLI/CLI.hpp>).
      if (folders.count(folder) == 0 || folder == own) continue;
      ++r.cross_folder_includes;
      if (placed->second.count(folder) == 0) {
        r.violations.push_back("src/" + f.path + ":" + std::to_string(number) + " includes " +
                               target + ", but " + own + " may not use " + folder);
      }
    }
  }
  return r;
}

// System headers of one platform: outside the platform layer and the platform folders no file
// may include one. The C and C++ standard headers (<csignal>, <ctime>) are every platform's.
bool IsPlatformHeader(const std::string& header) {
  static const std::set<std::string> kHeaders = {
      "unistd.h",  "fcntl.h",   "signal.h",   "dirent.h",   "dlfcn.h", "pthread.h", "poll.h",
      "termios.h", "libintl.h", "iconv.h",    "pwd.h",      "grp.h",   "syslog.h",  "netdb.h",
      "spawn.h",   "windows.h", "winioctl.h", "ntddscsi.h", "io.h",    "direct.h",  "shlobj.h",
      "winbase.h", "process.h", "devioctl.h", "ntddstor.h"};
  for (const char* tree : {"sys/", "linux/", "scsi/", "arpa/", "netinet/", "asm/"}) {
    if (header.starts_with(tree)) return true;
  }
  return kHeaders.count(header) != 0;
}

// Where a platform's own headers belong: the platform layer, the drives' platform folders and
// the server, which is Linux only.
bool MayUsePlatformHeaders(const std::string& path) {
  for (const char* place : {"platform/", "device/linux/", "device/windows/", "serve/"}) {
    if (path.starts_with(place)) return true;
  }
  return false;
}

std::vector<std::string> PlatformHeadersOutsideThePlatform(const std::vector<SourceFile>& files) {
  static const std::regex kSystemInclude(R"(^\s*#\s*include\s*<([^>]+)>)");
  std::vector<std::string> found;
  for (const SourceFile& f : files) {
    if (MayUsePlatformHeaders(f.path)) continue;
    std::istringstream in(f.text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      std::smatch m;
      if (std::regex_search(line, m, kSystemInclude) && IsPlatformHeader(m[1])) {
        found.push_back("src/" + f.path + ":" + std::to_string(number) + " includes <" +
                        std::string(m[1]) + ">");
      }
    }
  }
  return found;
}

// The file's text, empty when it cannot be read.
std::string ReadFile(const fs::path& path) {
  return tamarack::ReadTextFile(path.string()).value_or("");
}

const fs::path kSourceDir = TAMARACK_SOURCE_DIR;

std::vector<SourceFile> SourcesOfSrc() {
  std::vector<SourceFile> files;
  const fs::path src = kSourceDir / "src";
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cc" && ext != ".cpp")) continue;
    files.push_back({fs::relative(entry.path(), src).generic_string(), ReadFile(entry.path())});
  }
  std::sort(files.begin(), files.end(),
            [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
  return files;
}

// A planted file, a line of a file of tests/data/layers: its path, a blank and its text ("\n"
// standing for a line break).
SourceFile PlantedFile(const std::string& line) {
  const std::size_t blank = line.find(' ');
  SourceFile f{line.substr(0, blank), ""};
  for (std::size_t i = blank + 1; i < line.size(); ++i) {
    const bool escaped = line.compare(i, 2, "\\n") == 0;
    f.text += escaped ? '\n' : line[i];
    i += escaped ? 1 : 0;
  }
  return f;
}

// What a check found, joined by "; ", or "none".
std::string Joined(const std::vector<std::string>& found) {
  std::string t;
  for (const std::string& f : found) t += (t.empty() ? "" : "; ") + f;
  return t.empty() ? "none" : t;
}

// The order `document` draws; a test fails where it draws none.
Order OrderOf(const std::string& document) {
  std::string error;
  Order order = ParseOrder(document, &error);
  EXPECT_TRUE(error.empty()) << error;
  return order;
}

Order DocumentedOrder() { return OrderOf(ReadFile(kSourceDir / "docs" / "architecture.md")); }

TEST(IncludeOrderTest, EveryIncludeOfSrcKeepsTheDocumentedOrder) {
  const Order order = DocumentedOrder();  // an empty one leaves every file out of the order
  const std::vector<SourceFile> files = SourcesOfSrc();
  ASSERT_FALSE(files.empty());
  const CheckResult r = CheckIncludes(order, files);
  // Guards the check itself: a reader that finds nothing would pass anything.
  EXPECT_GT(r.cross_folder_includes, 100);
  for (const std::string& v : r.violations) ADD_FAILURE() << v;
}

TEST(IncludeOrderTest, OnlyThePlatformLayerIncludesPlatformHeaders) {
  for (const std::string& v : PlatformHeadersOutsideThePlatform(SourcesOfSrc())) {
    ADD_FAILURE() << v << ": go through platform/env.h";
  }
}

// Each planted file of platform_headers.txt with the platform headers found in it.
TEST(IncludeOrderTest, PlatformHeadersAreNamedWhereverTheyAre) {
  tamarack::testing::ExpectEachInput("platform_headers.txt", "layers", [](const std::string& line) {
    return Joined(PlatformHeadersOutsideThePlatform({PlantedFile(line)}));
  });
}

// Each line of design_arrows.txt: a folder, "never" or "uses", and the folders the documented
// order must keep out of its reach (arrows the design does not want, whatever the code includes
// today, so that a chain written too loosely fails here before code uses it) or in it.
TEST(IncludeOrderTest, TheDocumentedOrderKeepsTheArrowsOfTheDesign) {
  const Order order = DocumentedOrder();
  std::istringstream lines(tamarack::testing::ReadGoldenFile("design_arrows.txt", "layers"));
  int arrows = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line.starts_with("#")) continue;
    std::istringstream words(line);
    std::string from, how;
    words >> from >> how;
    ASSERT_TRUE(how == "never" || how == "uses") << line;
    const auto placed = order.find(from);
    ASSERT_NE(placed, order.end()) << from << " is not in the order";
    for (std::string to; words >> to; ++arrows)
      EXPECT_EQ(placed->second.count(to), how == "uses" ? 1u : 0u)
          << from << " " << how << " " << to;
  }
  EXPECT_GT(arrows, 40);
}

// The order of small_architecture.md, whose prose and later chapters draw no chains.
Order SmallOrder() {
  return OrderOf(tamarack::testing::ReadGoldenFile("small_architecture.md", "layers"));
}

TEST(IncludeOrderTest, ChainsGiveEachFolderWhatLiesLeftOfIt) {
  const Order order = SmallOrder();
  EXPECT_EQ(order.at("util"), (std::set<std::string>{}));
  EXPECT_EQ(order.at("decode"), (std::set<std::string>{"util", "device", "form"}));
  EXPECT_EQ(order.at("emu"), (std::set<std::string>{"util", "device"}));
  EXPECT_EQ(order.at("app"),
            (std::set<std::string>{"util", "device", "form", "decode", "views", "emu"}));
  EXPECT_EQ(order.count("console"), 0u);

  for (const auto& [document, why] :
       {std::pair{"Dependency direction:\n\n    a <- b\n    b <- a\n", "goes round"},
        {"Dependency direction:\n\n    a <- emu (virtual)\n", "not a folder name"},
        {"No order here.\n", "no indented"}}) {
    std::string error;
    EXPECT_TRUE(ParseOrder(document, &error).empty()) << document;
    EXPECT_NE(error.find(why), std::string::npos) << error;
  }
}

// Each planted file of planted_includes.txt under the order of small_architecture.md: the
// includes of other folders it checked, and those the order does not allow.
TEST(IncludeOrderTest, IncludesUpwardsOrSidewaysAreNamed) {
  const Order order = SmallOrder();
  tamarack::testing::ExpectEachInput(
      "planted_includes.txt", "layers", [&order](const std::string& line) {
        const CheckResult r = CheckIncludes(order, {PlantedFile(line)});
        return std::to_string(r.cross_folder_includes) + " checked; " + Joined(r.violations);
      });
}

// --- CDBs: built by src/mmc alone ---

// The text without its // comments, which may show a CDB.
std::string WithoutComments(const std::string& text) {
  std::istringstream in(text);
  std::string out;
  for (std::string line; std::getline(in, line);) out += line.substr(0, line.find("//")) + "\n";
  return out;
}

// What a hand-built CDB looks like: each line of cdb_patterns.txt, the word a violation names it
// by, a tab and its pattern (matched regardless of case).
struct Pattern {
  std::string what;
  std::regex regex;
};

const std::vector<Pattern>& Patterns() {
  static const std::vector<Pattern> kPatterns = [] {
    std::vector<Pattern> patterns;
    std::istringstream lines(tamarack::testing::ReadGoldenFile("cdb_patterns.txt", "layers"));
    for (std::string line; std::getline(lines, line);) {
      const std::size_t tab = line.find('\t');
      patterns.push_back(
          {line.substr(0, tab), std::regex(line.substr(tab + 1), std::regex::icase)});
    }
    return patterns;
  }();
  return kPatterns;
}

// The files of the command layer, and MakeCdb's own declaration and definition.
bool MayBuildCdbs(const std::string& path) {
  return path.starts_with("mmc/") || path == "device/device_session.h" ||
         path == "device/device_session.cc";
}

std::vector<std::string> HandBuiltCdbs(const std::vector<SourceFile>& files) {
  std::vector<std::string> found;
  for (const SourceFile& f : files) {
    if (MayBuildCdbs(f.path)) continue;
    const std::string code = WithoutComments(f.text);
    for (const Pattern& p : Patterns()) {
      if (std::regex_search(code, p.regex)) found.push_back("src/" + f.path + ": " + p.what);
    }
  }
  return found;
}

TEST(CommandLayerTest, NoFileOutsideTheLayerBuildsACdbByHand) {
  const std::vector<SourceFile> files = SourcesOfSrc();
  // Guards the reader: the layer itself is among what it read.
  ASSERT_TRUE(std::any_of(files.begin(), files.end(),
                          [](const SourceFile& f) { return f.path == "mmc/opcodes.h"; }));
  for (const std::string& v : HandBuiltCdbs(files)) ADD_FAILURE() << v;
}

// Each planted file of hand_built_cdbs.txt with the ways of building a CDB by hand found in it;
// the last ones are allowed: the layer, names, other bytes, comments, the opcode read rather than
// written.
TEST(CommandLayerTest, EachWayOfBuildingACdbByHandIsFound) {
  tamarack::testing::ExpectEachInput("hand_built_cdbs.txt", "layers", [](const std::string& line) {
    return Joined(HandBuiltCdbs({PlantedFile(line)}));
  });
}

}  // namespace
