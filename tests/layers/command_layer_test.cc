// Every CDB is built by src/mmc: outside it no file writes an opcode as a number into a CDB,
// builds one byte by byte with MakeCdb, or keeps an opcode table of its own numbers. The virtual
// drive reads the CDBs it is sent byte by byte, but it names the opcodes it dispatches on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace cdb_layer {

namespace fs = std::filesystem;

struct Source {
  std::string path;  // relative to src/
  std::string code;  // without its // comments
};

std::string WithoutComments(const std::string& text) {
  std::istringstream in(text);
  std::string out;
  for (std::string line; std::getline(in, line);) out += line.substr(0, line.find("//")) + "\n";
  return out;
}

// What a hand-built CDB looks like, each with the word a violation names it by.
struct Pattern {
  const char* what;
  std::regex regex;
};

const std::vector<Pattern>& Patterns() {
  static const std::vector<Pattern> kPatterns = [] {
    const auto flags = std::regex::ECMAScript | std::regex::icase;
    return std::vector<Pattern>{
        {"MakeCdb", std::regex(R"(\bMakeCdb\s*\()", flags)},
        {"an opcode number in byte 0",
         std::regex(R"(\w*cdb\w*\)?\s*\[\s*0\s*\]\s*(==|!=|=)\s*(0x[0-9a-f]+|[0-9]+)\b)", flags)},
        {"a CDB initialised with a number", std::regex(R"(\bCdb\s*\w*\s*\{\s*0x[0-9a-f]+)", flags)},
        {"an opcode constant of its own",
         std::regex(R"(\bk\w*opcode\w*\s*=\s*0x[0-9a-f]{1,2}\b)", flags)},
        {"an opcode table row of numbers",
         std::regex(R"((CommandRow\s*\{\s*0x|\n\s*\{\s*0x[0-9a-f]{2}\s*,\s*k(6|10|12)\b))", flags)},
        {"a switch over byte 0 with numbers",
         std::regex(R"(switch\s*\(\s*\(?\*?\w*cdb\w*\)?\s*\[\s*0\s*\]\s*\)\s*\{\s*case\s+0x)",
                    flags)},
    };
  }();
  return kPatterns;
}

// The files of the command layer, and MakeCdb's own declaration and definition.
bool MayBuildCdbs(const std::string& path) {
  return path.starts_with("mmc/") || path == "device/device_session.h" ||
         path == "device/device_session.cc";
}

std::vector<std::string> HandBuiltCdbs(const std::vector<Source>& files) {
  std::vector<std::string> found;
  for (const Source& f : files) {
    if (MayBuildCdbs(f.path)) continue;
    for (const Pattern& p : Patterns()) {
      if (std::regex_search(f.code, p.regex)) found.push_back("src/" + f.path + ": " + p.what);
    }
  }
  return found;
}

std::vector<Source> SourcesOfSrc() {
  std::vector<Source> files;
  const fs::path src = fs::path(TAMARACK_SOURCE_DIR) / "src";
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cc")) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    files.push_back(
        {fs::relative(entry.path(), src).generic_string(), WithoutComments(text.str())});
  }
  std::sort(files.begin(), files.end(),
            [](const Source& a, const Source& b) { return a.path < b.path; });
  return files;
}

TEST(CommandLayerTest, NoFileOutsideTheLayerBuildsACdbByHand) {
  const std::vector<Source> files = SourcesOfSrc();
  // Guards the reader: the layer itself is among what it read.
  ASSERT_TRUE(std::any_of(files.begin(), files.end(),
                          [](const Source& f) { return f.path == "mmc/opcodes.h"; }));
  for (const std::string& v : HandBuiltCdbs(files)) ADD_FAILURE() << v;
}

TEST(CommandLayerTest, EachWayOfBuildingACdbByHandIsFound) {
  const std::vector<Source> files = {
      {"views/a.cc", WithoutComments("Send(s, MakeCdb({0x12, 0, 0, 0, 0xFF}));\n")},
      {"tools/b.cc", WithoutComments("Cdb cdb{};\ncdb[0] = 0xBE;\n")},
      {"cli/c.cc", WithoutComments("  (*cdb)[0] = 90;\n")},
      {"ageing/d.cc", WithoutComments("if (failed_probe_cdb[0] == 0x28) {}\n")},
      {"measure/e.cc", WithoutComments("const Cdb capacity{0x25};\n")},
      {"decode/f.h", WithoutComments("inline constexpr std::uint32_t kModeSenseOpcode = 0x5A;\n")},
      {"console/g.cc",
       WithoutComments("const Entry kRows[] = {\n    {0x00, k6, kNone, \"TUR\"},\n")},
      {"emu/h.cc", WithoutComments("    CommandRow{0x25, \"Read Capacity\", ReadCapacity},\n")},
      {"ageing/i.cc", WithoutComments("switch (cdb[0]) {\n    case 0x28:\n")},
      // Allowed: the layer, names, other bytes, comments, the opcode read rather than written.
      {"mmc/inquiry.h", WithoutComments("Cdb cdb{0x12};\ncdb[0] = 0x12;\n")},
      {"emu/j.cc", WithoutComments("if (cdb[1] == 0x02) {}\nconst auto op = cdb[0];\n")},
      {"console/k.cc", WithoutComments("cdb[0] = mmc::kInquiry;  // cdb[0] = 0x12\n")},
      {"app/l.cc", WithoutComments("    {mmc::kInquiry, k6, kIn, \"Inquiry\"},\n")},
      {"console/m.h",
       WithoutComments("inline constexpr std::uint32_t kEndOpcode = 0xFFFFFFFFu;\n")},
  };
  EXPECT_EQ(HandBuiltCdbs(files), (std::vector<std::string>{
                                      "src/views/a.cc: MakeCdb",
                                      "src/tools/b.cc: an opcode number in byte 0",
                                      "src/cli/c.cc: an opcode number in byte 0",
                                      "src/ageing/d.cc: an opcode number in byte 0",
                                      "src/measure/e.cc: a CDB initialised with a number",
                                      "src/decode/f.h: an opcode constant of its own",
                                      "src/console/g.cc: an opcode table row of numbers",
                                      "src/emu/h.cc: an opcode table row of numbers",
                                      "src/ageing/i.cc: a switch over byte 0 with numbers",
                                  }));
}

}  // namespace cdb_layer
