#include "decode/mode_page_editor.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/form_driver.h"
#include "console/mode_page_command.h"
#include "decode/mode_sense.h"
#include "decode/replies.h"
#include "golden.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

using testing::FieldNamed;
using testing::mode::Page;
using testing::mode::Reply;

std::size_t TabIndex(const ModePageEditor& e, const std::string& label) {
  for (std::size_t i = 0; i < e.tabs().size(); ++i) {
    if (e.tabs()[i].label == label) return i;
  }
  ADD_FAILURE() << "no tab " << label;
  return 0;
}

// Works the editor step by step as the window does and compares the transcript with
// tests/data/decode/NAME.txt, whose "> " lines are the steps: "sense XX" or "select XX" (opens it
// for a CDB with byte 2 XX), "reply N XX" (takes replies[N] as the reply to a CDB with byte 2 XX),
// "click CODE" (the page of that code), "tab LABEL", "hex on", "set LABEL=TEXT", "check LABEL=1",
// "spin LABEL", "apply XX" (a CDB with byte 2 XX: byte 2, the list length and the list after it),
// "copy" (its message), "new" (a new editor). After each, whatever changed of: the page list (text
// and icon), the tabs, where the editor is with its flags and the current page's bytes, the form.
void ExpectEditorTranscript(ModePageEditor& e, const std::string& name,
                            const std::vector<Bytes>& replies = {}) {
  std::string t, shown[4];
  for (std::string_view step : testing::StepsOf(name)) {
    const std::string verb(step.substr(0, step.find(' ')));
    const std::string what(step.size() > verb.size() ? step.substr(verb.size() + 1) : "");
    const std::string label = what.substr(0, what.find('='));
    const std::string value = what.find('=') == what.npos ? "" : what.substr(what.find('=') + 1);
    const auto hex = [](const std::string& text) {
      return static_cast<std::uint8_t>(std::stoul(text, nullptr, 16));
    };
    Cdb cdb{};
    t += "> " + std::string(step) + "\n";
    if (verb == "new") {
      e = ModePageEditor();
    } else if (verb == "sense" || verb == "select") {
      cdb[2] = hex(what);
      e.Open(verb == "sense" ? ModeCommand::kSense : ModeCommand::kSelect, cdb);
    } else if (verb == "reply") {
      cdb[2] = hex(what.substr(what.find(' ') + 1));
      e.TakeModeSenseReply(replies.at(std::stoul(what)), cdb);
    } else if (verb == "click") {
      e.ClickPage(*e.table().Find(hex(what)));
    } else if (verb == "tab") {
      e.SelectTab(TabIndex(e, what));
    } else if (verb == "hex") {
      e.SetHexInput(what == "on");
    } else if (verb == "set") {
      testing::SetText(e, label, value);
    } else if (verb == "check") {
      testing::SetChecked(e, label, value == "1");
    } else if (verb == "spin") {
      e.SpinField(FieldNamed(e, what), true);
    } else if (verb == "apply") {
      cdb[2] = hex(what);
      Bytes list;
      e.ApplyToCommand(cdb, list);
      t += StrFormat("cdb byte 2 %02x length %u list ", cdb[2], ReadBe16(cdb, 7)) + HexBytes(list) +
           "\n";
    } else if (verb == "copy") {
      t += "copied: " + e.CopySenseToSelect() + "\n";
    }
    std::string now[4];
    for (const ModePageListEntry& entry : e.PageList()) {
      now[0] += "  " + entry.text + " | icon " + std::to_string(entry.icon) + "\n";
    }
    now[1] = "tabs:";
    for (const ModeTab& tab : e.tabs()) now[1] += " [" + tab.label + "]";
    now[1] += "\n";
    const ModePageRow& row = e.current_row();
    now[2] = StrFormat("tab %d screen %u page %02xh ", e.current_tab() ? int(*e.current_tab()) : -1,
                       e.current_screen(), row.page_code) +
             e.PageName() +
             StrFormat(" copy %d changeable %d numbers %d\n  bytes ", e.copy_enabled(),
                       e.changeable_view_enabled(), e.has_number_fields()) +
             HexBytes(std::span(row.buffer)
                          .first(std::min<std::size_t>(row.buffer[1] + 2u, row.buffer.size()))) +
             "\n";
    now[3] = testing::FormText(e);
    for (int i = 0; i < 4; ++i) {
      if (now[i] != shown[i]) t += now[i];
      shown[i] = now[i];
    }
  }
  testing::ExpectGoldenFile(name + ".txt", t, "decode");
}

// Opening the forms fills lists and tabs. A tab shows only its page and screen: the Mode
// Select page 2Ah is 30 bytes (length byte 28),
// its screen 5 empty until the length grows; the decimal and hex boxes; a spin.
TEST(ModePageEditor, TabsAndTheirScreens) {
  ModePageEditor e;
  ExpectEditorTranscript(e, "editor_tabs");
  // Out-of-range indices change nothing.
  e.SelectTab(99);
  e.UpdateField(99, FieldState{});
  e.ClickPage(99);
  EXPECT_EQ(e.PageName(), "CD Device Parameters");
}

// In Mode Select a page clicked twice leaves only the header; in Mode Sense a click picks one
// page (3Fh: all of them).
TEST(ModePageEditor, ClicksPickThePagesOfTheCommand) {
  ModePageEditor e;
  ExpectEditorTranscript(e, "editor_clicks");
}

// Copy after all pages (as a drive returns them: PS bits on the saveable pages, and one page
// no table knows) names every copied page in tab order; the Mode Select form shows them, each
// page with its bytes as read (page 05h to its last byte, 0Dh with its PS bit).
TEST(ModePageEditor, CopyAfterAllPages) {
  ModePageEditor e;
  ExpectEditorTranscript(
      e, "editor_copy_all_pages",
      {Reply({Page(0x81, 12, 0x01), Page(0x05, 52, 0x05), Page(0x08, 12), Page(0x8D, 8, 0x0D),
              Page(0x8E, 16), Page(0x9A, 12), Page(0x9C, 12), Page(0x9D, 10), Page(0x2A, 30, 0x2A),
              Page(0xAC, 6)})});
}

// Changeable values enable the changeable view; only a page both tables know is copied (3Fh
// alone gives no message); a reply without pages leaves an empty strip and the current page.
TEST(ModePageEditor, ChangeableValuesAndNothingToCopy) {
  ModePageEditor e;
  ExpectEditorTranscript(e, "editor_changeable",
                         {Reply({Page(0x2C, 6, 0x01)}), Reply({Page(0x3F, 6)}), Reply({})});
}

// Mode Sense opened on a CDB: the page shown (and its screen), the page picked and the page
// the command then asks for are one, whatever was shown before, in editor_sense_page.txt, each
// from a new editor: a CDB without a page of the list (3Fh); the CDB's page; another page
// shown: the CDB's, from its first screen; the CDB's page shown: its screen kept; page control
// bits kept apart from the code; an unknown page: the page shown is asked for.
TEST(ModePageEditor, ModeSenseAsksForThePageItShows) {
  ModePageEditor e;
  ExpectEditorTranscript(e, "editor_sense_page");
}

// --- which rows show the editor, and what reaches the command ---

TEST(PageEditorOf, AUserSlotSendingModeSenseGetsNothingFromTheEditor) {
  Console console;
  console.catalogue().row(kFirstUserRow).cdb_store[0] = kModeSenseOpcode;
  console.SelectRow(kFirstUserRow, false);
  ASSERT_EQ(console.current_opcode(), kModeSenseOpcode);
  EXPECT_EQ(PageEditorOf(console), std::nullopt);

  ModePageEditor editor;
  editor.Open(ModeCommand::kSense, Cdb{});
  editor.ClickPage(*editor.table().Find(kCapabilitiesPageCode));
  const Cdb before = console.current_cdb();
  EXPECT_FALSE(ApplyEditorToConsole(editor, console));
  EXPECT_EQ(console.current_cdb(), before);

  // The Mode Select editor does not write into Mode Sense either.
  console.SelectRow(*FindRowByOpcode(kModeSenseOpcode, console.catalogue()), false);
  editor.Open(ModeCommand::kSelect, Cdb{});
  EXPECT_FALSE(ApplyEditorToConsole(editor, console));
  editor.Open(ModeCommand::kSense, Cdb{});
  editor.ClickPage(*editor.table().Find(kCapabilitiesPageCode));
  EXPECT_TRUE(ApplyEditorToConsole(editor, console));
  EXPECT_EQ(static_cast<std::uint32_t>(console.current_cdb()[2] & 0x3F), kCapabilitiesPageCode);
}

}  // namespace
}  // namespace tamarack
