// tamarack-cli decode: a captured reply decodes as the live subcommand decodes the drive's, on
// every path; hex text as captured replies are written down; sense --inhex.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/hex_text.h"
#include "cli/virtual_cli.h"
#include "util/strings.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

class DecodeOnEveryPath : public testing::ResidModeTest {};
TAMARACK_ON_EVERY_RESID_MODE(DecodeOnEveryPath);

// The "reply" member of a command's JSON: the bytes the decoder read.
std::string ReplyOf(const std::string& json) {
  const std::string key = "\"reply\": \"";
  const std::size_t at = json.find(key);
  EXPECT_NE(at, std::string::npos) << json;
  if (at == std::string::npos) return {};
  const std::size_t begin = at + key.size();
  return json.substr(begin, json.find('"', begin) - begin);
}

std::string DecodedOf(const std::string& json) {
  const std::size_t at = json.find("\"decoded\"");
  return at == std::string::npos ? json : json.substr(at);
}

// Each live command's reply (the steps of captured_replies.txt: the disc, the subcommand and its
// options), captured from its JSON and written as hex text with a comment (and as bytes for
// --raw), decodes to the same text and the same decoded JSON.
TEST_P(DecodeOnEveryPath, ACapturedReplyDecodesAsTheLiveCommand) {
  Cli cli;
  testing::WorkFolder folder;
  const std::string type13 = Id("emu:type13"), audio = Id("emu:audio");
  for (const std::string_view step : tamarack::testing::StepsOf("captured_replies", "cli")) {
    std::istringstream words{std::string(step)};
    std::string disc;
    words >> disc;
    const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
    std::vector<std::string> live = args;
    live.insert(live.begin() + 1, {"--drive", disc == "type13" ? type13 : audio});
    ASSERT_EQ(cli.Run(live), 0) << cli.err.str();
    const std::string text = cli.out.str();
    live.push_back("--json");
    ASSERT_EQ(cli.Run(live), 0) << cli.err.str();
    const std::string json = cli.out.str();
    const std::string reply = ReplyOf(json);
    std::ofstream("reply.hex") << "# " << args[0] << " reply, captured\n" << reply << "\n";
    const auto bytes = ParseTypedHexBytes(reply).value();
    std::ofstream("reply.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    std::vector<std::string> offline = args;
    offline.insert(offline.begin(), "decode");
    offline.insert(offline.begin() + 2, {"--inhex", "reply.hex"});
    EXPECT_EQ(cli.Run(offline), 0) << cli.err.str();
    EXPECT_EQ(cli.out.str(), text) << step;
    offline.push_back("--json");
    EXPECT_EQ(cli.Run(offline), 0) << cli.err.str();
    EXPECT_EQ(DecodedOf(cli.out.str()), DecodedOf(json)) << step;
    offline.back() = "--raw";
    offline[3] = "reply.bin";
    EXPECT_EQ(cli.Run(offline), 0) << cli.err.str();
    EXPECT_EQ(cli.out.str(), text) << step << " --raw";
  }
  // Read CD: dump's bytes (--raw) decode to dump's text, whatever the fields and the address;
  // all but the count the path reported, which only the live read has.
  const auto without_transferred = [](std::string t) {
    const std::size_t at = t.find("transferred: ");
    return at == std::string::npos ? t : t.erase(at, t.find('\n', at) + 1 - at);
  };
  for (const std::vector<std::string>& blocks :
       {std::vector<std::string>{"--lba", "16", "--length", "2", "--fields",
                                 "sync,header,user,edc"},
        {"--msf", "00:02:00-00:02:01", "--fields", "user,c2block,sub=q", "--group", "8"}}) {
    std::vector<std::string> live = {"dump", "--drive", type13};
    live.insert(live.end(), blocks.begin(), blocks.end());
    ASSERT_EQ(cli.Run(live), 0) << cli.err.str();
    const std::string text = without_transferred(cli.out.str());
    live.push_back("--raw");
    ASSERT_EQ(cli.Run(live), 0) << cli.err.str();
    std::ofstream("sectors.bin", std::ios::binary) << cli.out.str();
    std::vector<std::string> offline = {"decode", "read-cd", "--inhex", "sectors.bin", "--raw"};
    offline.insert(offline.end(), blocks.begin(), blocks.end());
    EXPECT_EQ(cli.Run(offline), 0) << cli.err.str();
    EXPECT_EQ(without_transferred(cli.out.str()), text);
  }
  // Mode Sense: the reply of the CDB the subcommand sends, through send.
  ASSERT_EQ(cli.Run({"modesense", "--drive", type13, "--page", "3f"}), 0) << cli.err.str();
  const std::string pages = cli.out.str();
  ASSERT_EQ(cli.Run({"send", "--drive", type13, "--cdb", "5a 00 3f 00 00 00 00 a0 00", "--in",
                     "40960", "--json"}),
            0);
  std::ofstream("pages.hex") << ReplyOf(cli.out.str()) << "\n";
  EXPECT_EQ(cli.Run({"decode", "modesense", "--inhex", "pages.hex"}), 0) << cli.err.str();
  EXPECT_EQ(cli.out.str(), pages);
}

// Each hex text of inhex_texts.txt ("\n" and "\t" standing for line breaks and tabs) as its bytes:
// '#' comments, commas, tabs, offsets ending in ':' and runs of pairs; what is not a byte is
// named with its line.
TEST(InhexText, ReadsCapturedHexAndNamesWhatIsWrong) {
  tamarack::testing::ExpectEachInput("inhex_texts.txt", "cli", [](const std::string& line) {
    std::string text, error;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const bool escape = line[i] == '\\' && i + 1 < line.size();
      text += escape ? (line[++i] == 'n' ? '\n' : '\t') : line[i];
    }
    const auto bytes = ParseInhexText(text, &error);
    return bytes ? "[" + HexBytes(*bytes, "") + "]" : "refused: " + error;
  });
}

// sense --inhex and decode sense: both formats with their fields, the lookup and where its
// text came from; the table's new rows; refusals of files and values.
TEST(DecodeCommand, SenseFilesLookUpsAndRefusals) {
  Cli cli;
  testing::WorkFolder folder;
  std::ofstream("fixed.hex") << "# medium error 3/11/00 at block 5000, 3 retries\n"
                                "f0 00 03 00 00 13 88 0a 00 00 00 00 11 00 00 80 00 03\n";
  std::ofstream("descriptor.hex") << "72 01 03 02 00 00 00 0c\n"
                                     "00 0a 80 00 00 00 00 00 00 00 00 2a  # information\n";
  std::ofstream("bad.hex") << "72 01\n03 0x02\n";
  std::ofstream("none.hex") << "05 80 00 32\n";
  cli.ExpectGoldenRuns("decode_sense.txt",
                       {{"sense", "--inhex", "fixed.hex"},
                        {"decode", "sense", "--inhex", "descriptor.hex"},
                        {"sense", "1", "03", "02"},
                        {"sense", "4", "04", "00"},
                        {"sense", "10", "0", "0"},
                        {"sense", "2", "100", "0"},
                        {"sense", "--inhex", "bad.hex"},
                        {"sense", "--inhex", "none.hex"},
                        {"decode", "sense", "--inhex", "."},
                        {"decode", "inquiry", "--inhex", "missing.hex"},
                        {"decode", "inquiry", "--vpd", "zz", "--inhex", "none.hex"},
                        {"decode", "read-cd", "--inhex", "none.hex"},
                        {"decode", "read-cd", "--inhex", "fixed.hex", "--length", "11"},
                        {"decode", "read-cd", "--inhex", "none.hex", "--fields", "user,c3"}});
}

}  // namespace
}  // namespace tamarack::cli
