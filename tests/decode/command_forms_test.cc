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

using testing::ExpectConsoleTranscript;
using testing::RowNamed;

// --- read forms ---

// Read(10): the transfer length into bytes 7 and 8, filled from 24 bits (65538: execution
// refuses it), the address without its upper four bits, byte 6 not written back. Read(12)
// in hex: the address reads back without its upper four bits.
TEST(ReadForms, Read10AndRead12) {
  Console c;
  c.SelectRow(RowNamed("Read(10)"));
  EXPECT_EQ(c.result_view(), ResultView::kDump);
  ExpectConsoleTranscript(c, "form_read10",
                          {"select Read(10)", "set Transfer Length=16",
                           "set Logical Block Address=1000", "check FUA (force unit access)=1"});
  Console stored;
  ExpectConsoleTranscript(stored, "form_read10_stored",
                          {"store Read(10)=28 10 f0 00 00 05 01 00 02", "select Read(10)"});
  Console twelve;
  ExpectConsoleTranscript(twelve, "form_read12",
                          {"select Read(12)", "hex on", "set Logical Block Address=12345678",
                           "set Transfer Length=2", "check Streaming=1", "select Read(12)"});
}

// Read TOC and Get Configuration filled from their stored CDBs (a format outside the list
// selects nothing; the starting feature by its code), edited and collected, with their
// allocation lengths set.
TEST(ReadForms, ReadTocAndGetConfiguration) {
  Console c;
  ExpectConsoleTranscript(
      c, "form_toc_configuration",
      {"store Read Toc=43 00 09", "select Read Toc", "store Read Toc=43 02 02 00 00 00 05",
       "select Read Toc", "check TIME(On:MSF,Off:Logical Block Addresses)=0",
       "choose Format=0100b ATIP", "set Track/Session Number=3",
       "store Get Configuration=46 02 01 03", "select Get Configuration",
       "choose RT (Requested Type)=01b ", "choose Starting Feature Number=0004h Write Protect"});
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

// Set CD Speed: a speed of 0 shows the first choice; an unlisted speed leaves the box without
// a selection and the CDB as it was.
TEST(ControlForms, SetCdSpeedStartStopAndLoadUnload) {
  Console speed;
  ExpectConsoleTranscript(
      speed, "form_set_cd_speed",
      {"select Set CD Speed", "choose Logical Unit Read Speed=x1  177  Kbytes/sec",
       "choose Logical Unit Write Speed=Max", "choose Rotational Control field=01b CAV recording",
       "select Set CD Speed", "store Set CD Speed=bb 00 01 00 02 c2", "select Set CD Speed"});
  Console start;
  ExpectConsoleTranscript(
      start, "form_start_stop_unit",
      {"select Start Stop Unit", "check START=1", "check LOEJ=1", "check START=0", "check START=1",
       "choose Power Condition=01h Place device into the Active condition", "check IMMED=1"});
  EXPECT_EQ(StartStopActionText(start.current()), "");
  Console load;
  ExpectConsoleTranscript(load, "form_load_unload",
                          {"select Load/Unload CD", "check Start=1", "check LoUnlo(Load/Unload)=1",
                           "check Start=0", "set SLOT(Slot to be loaded or unloaded)=3"});
}

// Send Event builds its parameter list; the ASCII button group takes its value from "Code",
// and filled again the group is chosen and the code shown; a vendor code; a listed request
// switches the code box off again.
TEST(ControlForms, SendEventBuildsItsParameterList) {
  Console c;
  ExpectConsoleTranscript(
      c, "form_send_event",
      {"select Send Event", "choose Operational Event=2h Logical Unit Key Up",
       "choose Operational Request/Report=0104h Pause",
       "choose Operational Request/Report=02xxh Ascii Button", "hex on", "set Code=241",
       "select Send Event", "choose Operational Request/Report=fxxxh Vender Uniqe", "set Code=f00d",
       "choose Operational Request/Report=0106h Stop", "check IMMED=1"});
  EXPECT_EQ(c.catalogue().row(RowNamed("Send Event")).out_data.size(), kSendEventListLength);
}

// The forms that only place their fields are their field tables; Seek has none and clears
// whatever its stored CDB held.
TEST(ControlForms, SeekHasNoFieldsAndClearsTheStoredCdb) {
  Console c;
  ExpectConsoleTranscript(c, "form_seek",
                          {"store Seek=2b 01 02 03 04 05 06 07 08 09", "select Seek"});
  EXPECT_FALSE(c.no_parameter());
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
