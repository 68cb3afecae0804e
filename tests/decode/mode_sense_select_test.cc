#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/command_catalogue.h"
#include "console/console.h"
#include "console/form_driver.h"
#include "decode/mode_select.h"
#include "decode/mode_sense.h"
#include "decode/replies.h"
#include "golden.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::mode::Page;
using testing::mode::Reply;

// The medium type texts at the ends of the two listed ranges, the reserved gap between them
// and what follows; then the decoder's text of a 14-byte reply in a buffer of 5Ah (its
// length from the header): the medium type, then the dump of the reply alone, in
// mode_sense_texts.txt.
TEST(ModeSense, MediumTypesAndTheDecodersText) {
  std::string t;
  for (std::uint32_t medium : {0x08u, 0x09u, 0x0Fu, 0x17u, 0x18u}) {
    t += StrFormat("%02xh: ", medium) + DescribeMediumType(medium) + "\r\n";
  }
  const Bytes reply = Reply({Page(0x2C, 6)}, 0x01);
  Bytes buffer(64, 0x5A);
  std::copy(reply.begin(), reply.end(), buffer.begin());
  DecodeInput in;
  in.data = buffer;
  in.received_length = 0;
  in.group_size = 4;
  const DecodeOutput out = DecodeModeSense(in);
  EXPECT_TRUE(out.text_has_dump);
  testing::ExpectGoldenText("mode_sense_texts", t + "== decoded\r\n" + out.text);
}

// Each reply of tests/data/decode/mode_sense_walks.txt ("WHAT | HEX") walked into a Mode Sense
// table whose rows hold EEh, as the rows found and their bytes (up to the EEh left at the end).
TEST(ModeSense, WalksOfReplies) {
  testing::ExpectEachInput("mode_sense_walks.txt", "decode", [](const std::string& line) {
    const Bytes reply = ParseHexBytes(line.substr(line.find(" |") + 2), " ").value();
    ModePageTable t = ModePageTable::ModeSense();
    for (std::size_t row = 0; row < t.size(); ++row) t.row(row).buffer.fill(0xEE);
    std::string text;
    for (std::size_t row : WalkModeSensePages(reply, t)) {
      const auto& b = t.row(row).buffer;
      std::size_t end = b.size();
      while (end > 0 && b[end - 1] == 0xEE) --end;
      text += "row " + std::to_string(row) + ": " + HexBytes(std::span(b).first(end)) + "\r\n";
    }
    return text.empty() ? "no rows" : testing::Indented(text);
  });
  // The returned bytes of a reply: the header's, cut to a recorded length, within the buffer;
  // a padded reply reported whole (zeros after the header's length) ends where the header
  // says.
  Bytes buffer = Reply({Page(0x2C, 6)});
  EXPECT_EQ(ModeSenseReturnedBytes(buffer, 0).size(), 14u);
  EXPECT_EQ(ModeSenseReturnedBytes(buffer, 10).size(), 10u);
  buffer.resize(100, 0);
  EXPECT_EQ(ModeSenseReturnedBytes(buffer, 100).size(), 14u);
}

// The parameter list of the marked pages (none: the header alone; a page copied from Mode
// Sense with its PS bit goes without it, its other bytes kept and the table keeping what was
// read), its text by width, the page data dumps and the decoder's text, in
// mode_select_texts.txt.
TEST(ModeSelect, ParameterListsAndTheirTexts) {
  ModePageTable t = ModePageTable::ModeSelect();
  std::string text = "nothing marked: " + HexBytes(BuildParameterList(t)) + "\r\n";
  t.row(*t.Find(0x2C)).send = true;
  t.row(*t.Find(0x01)).send = true;
  text += "01h and 2Ch: " + HexBytes(BuildParameterList(t)) + "\r\n";
  ModePageRow& caps = t.row(*t.Find(0x2A));
  caps.send = true;
  caps.buffer[0] = 0xAA;
  caps.buffer[2] = 0xC5;
  text += "and 2Ah as read with PS: " + HexBytes(BuildParameterList(t)) +
          StrFormat("\r\n(the table keeps %02xh)\r\n", caps.buffer[0]);
  Bytes list(40);
  for (std::size_t i = 0; i < list.size(); ++i) list[i] = static_cast<std::uint8_t>(i);
  text += "== 40 bytes at 300\r\n" + ParameterListText(list, 300) + "\r\n== at 561\r\n" +
          ParameterListText(list, 561) + "\r\n== 8 zeros\r\n" + ParameterListText(Bytes(8, 0));
  const ModePageTable select = ModePageTable::ModeSelect();
  for (const auto& [code, width] : {std::pair{0x0D, 200}, {0x1A, 200}, {0x1A, 221}}) {
    text += StrFormat("\r\n== page %02xh at %d\r\n", code, width) +
            PageDataDumpText(select.row(*select.Find(static_cast<std::uint8_t>(code))), width);
  }
  Bytes sent(8 + 6, 0);
  sent[8] = 0x2C;
  sent[9] = 0x04;
  DecodeInput in;
  in.data = sent;
  in.received_length = 0;
  text += "\r\n== decoded\r\n" + DecodeModeSelect(in).text + "\r\n";
  testing::ExpectGoldenText("mode_select_texts", text);
}

// The forms' fixed fields, in tests/data/decode/form_mode_commands.txt: Mode Sense of
// changeable values of page 2Ah with its allocation length of 40960; Mode Select with PF set
// and a stored list whose mode data length is set (a hand-edited settings file) sent as 0;
// SP checked.
TEST(ModeSenseSelectForms, BuildingTheFormsSetsTheirFixedFields) {
  Console console;
  console.catalogue().row(*FindRowByOpcode(kModeSelectOpcode, console.catalogue())).out_data = {
      0x00, 0x12, 0, 0, 0, 0, 0, 0};
  testing::ExpectConsoleTranscript(console, "form_mode_commands",
                                   testing::StepsOf("form_mode_commands"));
}

}  // namespace
}  // namespace tamarack
