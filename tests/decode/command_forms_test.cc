// The forms of the control and read commands, driven through the console as the Command tab
// drives them: fill from the stored CDB, edit a field, collect into the CDB.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "console/form_driver.h"
#include "decode/control_commands.h"
#include "decode/read_forms.h"
#include "form/hex_dump.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::Choose;
using testing::ChosenText;
using testing::FieldNamed;
using testing::RowNamed;
using testing::SetChecked;
using testing::SetText;
using testing::StateOf;

// --- read forms ---

TEST(ReadForms, Read10TransferLengthGoesIntoBytes7And8) {
  Console c;
  c.SelectRow(RowNamed("Read(10)"));
  EXPECT_EQ(c.result_view(), ResultView::kDump);
  SetText(c, "Transfer Length", "16");
  SetText(c, "Logical Block Address", "1000");
  SetChecked(c, "FUA (force unit access)", true);
  EXPECT_EQ(c.CdbLine(), "28 08 00 00 03 e8 00 00 10 00 00 00 ");
  EXPECT_EQ(c.current().transfer_blocks, 16);
}

TEST(ReadForms, Read10LengthIsFilledFromTwentyFourBits) {
  Console c;
  const std::size_t row = RowNamed("Read(10)");
  c.catalogue().row(row).cdb_store = {0x28, 0x10, 0xF0, 0, 0, 5, 0x01, 0x00, 0x02};
  c.SelectRow(row);
  EXPECT_TRUE(StateOf(c, "DPO (disable page out)").checked);
  EXPECT_EQ(StateOf(c, "Transfer Length").text, "65538");  // 010002h
  // The address drops its upper four bits; byte 6 is not written back.
  EXPECT_EQ(StateOf(c, "Logical Block Address").text, "5");
  EXPECT_EQ(c.CdbLine(), "28 10 00 00 00 05 00 00 02 00 00 00 ");
  EXPECT_EQ(c.current().transfer_blocks, 65538);  // execution refuses it (over 100)
}

TEST(ReadForms, Read12AddressReadsBackWithoutItsUpperFourBits) {
  Console c;
  const std::size_t row = RowNamed("Read(12)");
  c.SelectRow(row);
  c.SetHexInput(true);
  SetText(c, "Logical Block Address", "12345678");
  SetText(c, "Transfer Length", "2");
  SetChecked(c, "Streaming", true);
  EXPECT_EQ(c.CdbLine(), "a8 00 12 34 56 78 00 00 00 02 80 00 ");
  c.SelectRow(row);
  EXPECT_EQ(StateOf(c, "Logical Block Address").text, "2345678");
  EXPECT_EQ(c.CdbLine(), "a8 00 02 34 56 78 00 00 00 02 80 00 ");
  EXPECT_EQ(c.current().transfer_blocks, 2);
}

TEST(ReadForms, DecoderDumpsTheReturnedBlocksOrSaysNoData) {
  std::vector<std::uint8_t> buffer(2 * 2656, 0x5A);
  for (std::size_t i = 0; i < 4096; ++i) buffer[i] = static_cast<std::uint8_t>(i);
  DecodeInput in;
  in.data = buffer;
  in.transferred = 4096;
  in.transfer_blocks = 2;
  in.group_size = 4;
  DecodeOutput out = DecodeReadBlocks(in);
  EXPECT_TRUE(out.dump_whole);
  EXPECT_EQ(out.dump.find("000000 0000h 00010203 04050607"), 0u);
  EXPECT_NE(out.dump.find("004080 0ff0h f0f1f2f3"), std::string::npos);
  EXPECT_EQ(out.dump.find("004096"), std::string::npos);
  EXPECT_TRUE(out.text.empty());
  in.transferred = 0;
  EXPECT_EQ(DecodeReadBlocks(in).dump, "No Data");
  in.transferred = 4096;
  in.transfer_blocks = 0;
  EXPECT_EQ(DecodeReadBlocks(in).dump, "No Data");
  // A transferred count beyond the buffer is cut to it; the fill still shows two blocks.
  in.transfer_blocks = 2;
  in.transferred = 1u << 30;
  out = DecodeReadBlocks(in);
  EXPECT_NE(out.dump.find("004080 0ff0h"), std::string::npos);
  EXPECT_EQ(out.dump.find("004096"), std::string::npos);
}

TEST(ReadForms, TheDumpHoldsTheBlocksAskedForWhateverThePathReported) {
  // Two 2352-byte blocks of Read CD (user data of CD-DA) into a 2 x 2656-byte buffer.
  std::vector<std::uint8_t> buffer(2 * 2656, 0x5A);
  for (std::size_t i = 0; i < 2 * 2352; ++i) buffer[i] = static_cast<std::uint8_t>(i | 1);
  DecodeInput in;
  in.data = buffer;
  in.transfer_blocks = 2;
  in.group_size = 4;
  // Lines of 16 bytes, each starting with its decimal offset.
  const auto dumped_bytes = [&in] {
    const std::string dump = DecodeReadBlocks(in).dump;
    std::size_t lines = 0;
    for (std::size_t at = 0; at < dump.size(); at += kDumpLineBytes) {
      if (dump.find(StrFormat("%06zu ", at), 0) != std::string::npos) ++lines;
    }
    return lines * kDumpLineBytes;
  };
  // Read(10): the whole buffer reported (no residual), the tail keeps its fill.
  in.cdb = {0x28, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0};
  in.transferred = static_cast<std::uint32_t>(buffer.size());
  EXPECT_EQ(dumped_bytes(), 2u * 2352);
  // The tail zeroed: the zeros begin inside no third block, so 2352 it is.
  std::fill(buffer.begin() + 2 * 2352, buffer.end(), 0);
  EXPECT_EQ(dumped_bytes(), 2u * 2352);
  // Read CD of CD-DA user data: the command can return one size only.
  in.cdb = {0xBE, 0x04, 0, 0, 0, 0, 0, 0, 2, 0x10, 0, 0};
  std::fill(buffer.begin(), buffer.end(), 0);
  EXPECT_EQ(dumped_bytes(), 2u * 2352);
  // A residual of exactly two 2048-byte blocks.
  in.cdb = {0x28, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0};
  in.transferred = 4096;
  EXPECT_EQ(dumped_bytes(), 4096u);
}

// --- control forms ---

TEST(ControlForms, SetCdSpeedValuesAndListedFill) {
  Console c;
  const std::size_t row = RowNamed("Set CD Speed");
  c.SelectRow(row);
  // A speed of 0 shows the first choice.
  EXPECT_EQ(ChosenText(c, "Logical Unit Read Speed"), "x1  177  Kbytes/sec");
  Choose(c, "Logical Unit Read Speed", "x1  177  Kbytes/sec");
  Choose(c, "Logical Unit Write Speed", "Max");
  Choose(c, "Rotational Control field", "01b CAV recording");
  EXPECT_EQ(c.CdbLine(), "bb 01 00 b0 ff ff 00 00 00 00 00 00 ");
  c.SelectRow(row);
  EXPECT_EQ(ChosenText(c, "Logical Unit Write Speed"), "Max");
  // An unlisted speed leaves the box without a selection and the CDB as it was.
  c.catalogue().row(row).cdb_store = {0xBB, 0, 0x01, 0x00, 0x02, 0xC2};
  c.SelectRow(row);
  EXPECT_EQ(ChosenText(c, "Logical Unit Read Speed"), "");
  EXPECT_EQ(ChosenText(c, "Logical Unit Write Speed"), "x4  706  Kbytes/sec");
  EXPECT_EQ(c.CdbLine(), "bb 00 01 00 02 c2 00 00 00 00 00 00 ");
}

TEST(ControlForms, StartStopUnitActionText) {
  Console c;
  c.SelectRow(RowNamed("Start Stop Unit"));
  const std::size_t action = FieldNamed(c, "Action");
  EXPECT_EQ(c.field_states()[action].text, "Stop");
  SetChecked(c, "START", true);
  EXPECT_EQ(c.field_states()[action].text, "Start");
  SetChecked(c, "LOEJ", true);
  EXPECT_EQ(c.field_states()[action].text, "Close");
  SetChecked(c, "START", false);
  EXPECT_EQ(c.field_states()[action].text, "Eject");
  SetChecked(c, "START", true);
  Choose(c, "Power Condition", "01h Place device into the Active condition");
  EXPECT_EQ(c.field_states()[action].text, "");
  SetChecked(c, "IMMED", true);
  EXPECT_EQ(c.CdbLine(), "1b 01 00 00 13 00 00 00 00 00 00 00 ");
  EXPECT_EQ(StartStopActionText(c.current()), "");
}

TEST(ControlForms, LoadUnloadOperations) {
  Console c;
  c.SelectRow(RowNamed("Load/Unload CD"));
  const std::size_t text = FieldNamed(c, "Load/Unload Operations");
  EXPECT_EQ(c.field_states()[text].text, "Abort any prior Changer command (Stop)");
  SetChecked(c, "Start", true);
  EXPECT_EQ(c.field_states()[text].text, "Reserved");
  SetChecked(c, "LoUnlo(Load/Unload)", true);
  EXPECT_EQ(c.field_states()[text].text, "Load the Media from specified Slot ");
  SetChecked(c, "Start", false);
  EXPECT_EQ(c.field_states()[text].text,
            "Unload media. The Slot Parameter is ignored for this operation.");
  SetText(c, "SLOT(Slot to be loaded or unloaded)", "3");
  EXPECT_EQ(c.CdbLine(), "a6 00 00 00 02 00 00 00 03 00 00 00 ");
}

TEST(ControlForms, SendEventBuildsItsParameterList) {
  Console c;
  const std::size_t row = RowNamed("Send Event");
  c.SelectRow(row);
  EXPECT_EQ(c.CdbLine(), "a2 00 00 00 00 00 00 00 00 08 00 00 ");
  const std::size_t code = FieldNamed(c, "Code");
  EXPECT_FALSE(c.field_states()[code].enabled);
  Choose(c, "Operational Event", "2h Logical Unit Key Up");
  Choose(c, "Operational Request/Report", "0104h Pause");
  EXPECT_EQ(c.current().parameter, (std::vector<std::uint8_t>{0, 6, 3, 0, 2, 0, 0x01, 0x04}));
  // The ASCII button group takes its value from "Code".
  Choose(c, "Operational Request/Report", "02xxh Ascii Button");
  EXPECT_TRUE(c.field_states()[code].enabled);
  EXPECT_EQ(c.current().parameter[6], 0x02);
  c.SetHexInput(true);
  SetText(c, "Code", "241");
  EXPECT_EQ(c.current().parameter, (std::vector<std::uint8_t>{0, 6, 3, 0, 2, 0, 0x02, 0x41}));
  EXPECT_TRUE(c.field_states()[code].enabled);
  // Filled again, the group is chosen and the code shown.
  c.SelectRow(row);
  EXPECT_EQ(ChosenText(c, "Operational Request/Report"), "02xxh Ascii Button");
  EXPECT_EQ(c.field_states()[code].text, "241");
  EXPECT_EQ(c.catalogue().row(row).out_data.size(), kSendEventListLength);
  // A vendor code.
  Choose(c, "Operational Request/Report", "fxxxh Vender Uniqe");
  SetText(c, "Code", "f00d");
  EXPECT_EQ(c.current().parameter[6], 0xF0);
  EXPECT_EQ(c.current().parameter[7], 0x0D);
  // A listed request switches the code box off again.
  Choose(c, "Operational Request/Report", "0106h Stop");
  EXPECT_FALSE(c.field_states()[code].enabled);
  EXPECT_EQ(c.current().parameter[7], 0x06);
  SetChecked(c, "IMMED", true);
  EXPECT_EQ(c.CdbLine(), "a2 01 00 00 00 00 00 00 00 08 00 00 ");
}

// The forms that only place their fields are their field tables; Seek has none and clears
// whatever its stored CDB held.
TEST(ControlForms, SeekHasNoFieldsAndClearsTheStoredCdb) {
  Console c;
  const std::size_t seek = RowNamed("Seek");
  c.catalogue().row(seek).cdb_store = {0x2B, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  c.SelectRow(seek);
  EXPECT_TRUE(c.fields().empty());
  EXPECT_FALSE(c.no_parameter());
  EXPECT_EQ(c.CdbLine(), "2b 00 00 00 00 00 00 00 00 00 00 00 ");
}

TEST(ControlForms, CommandsWithoutDataSaySucceeded) {
  for (const char* name : {"Start Stop Unit", "Seek", "Set CD Speed", "Pause/Resume", "Scan",
                           "Send Event", "Play Audio MSF"}) {
    const CommandBehaviour& b = *CommandCatalogue()[RowNamed(name)].behaviour;
    ASSERT_NE(b.decoder, nullptr) << name;
    EXPECT_FALSE(b.placeholder) << name;
    EXPECT_EQ(b.decoder(DecodeInput{}).text, "Command Successed!") << name;
  }
}

}  // namespace
}  // namespace tamarack
