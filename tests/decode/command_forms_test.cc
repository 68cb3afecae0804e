// The forms of the control and read commands, driven through the console as the Command tab
// drives them: fill from the stored CDB, edit a field, collect into the CDB.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "console/form_driver.h"
#include "decode/control_commands.h"
#include "decode/read_forms.h"
#include "form/hex_dump.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::ExpectConsoleTranscript;
using testing::RowNamed;

// Each form's transcript, its steps those of its golden file, a fresh console for each.
// form_read10: the transfer length into bytes 7 and 8, filled from 24 bits (65538: execution
// refuses it), the address without its upper four bits, byte 6 not written back; Read(12) in
// hex: the address reads back without its upper four bits. form_read_cd_stored: Read CD filled
// with the entries of the masked bits (sector type 011b, header codes 20h, Q sub-channel).
// form_toc_configuration: Read TOC and Get Configuration filled from their stored CDBs (a
// format outside the list selects nothing; the starting feature by its code), edited and
// collected, with their allocation lengths set. form_set_cd_speed: a speed of 0 shows the first
// choice; an unlisted speed leaves the box without a selection and the CDB as it was.
// form_send_event: the parameter list; the ASCII button group takes its value from "Code", and
// filled again the group is chosen and the code shown; a vendor code; a listed request switches
// the code box off again. form_seek: the forms that only place their fields are their field
// tables; Seek has none and clears whatever its stored CDB held.
TEST(CommandForms, EachTranscript) {
  const char* const runs[] = {"form_read10",
                              "form_read10_stored",
                              "form_read12",
                              "form_read_cd_stored",
                              "form_toc_configuration",
                              "form_set_cd_speed",
                              "form_start_stop_unit",
                              "form_load_unload",
                              "form_send_event",
                              "form_seek"};
  std::map<std::string, Console> after;
  for (const char* golden : runs)
    ExpectConsoleTranscript(after[golden], golden, testing::StepsOf(golden));
  EXPECT_EQ(StartStopActionText(after["form_start_stop_unit"].current()), "");
  EXPECT_EQ(after["form_send_event"].catalogue().row(RowNamed("Send Event")).out_data.size(),
            kSendEventListLength);
  EXPECT_FALSE(after["form_seek"].no_parameter());
  EXPECT_TRUE(after["form_read_cd_stored"].has_number_fields());
  Console c;
  c.SelectRow(RowNamed("Read(10)"));
  EXPECT_EQ(c.result_view(), ResultView::kDump);
  // The window's tray buttons send what the form reads as Eject and Close, immediately.
  for (const bool eject : {true, false}) {
    FormData tray;
    tray.cdb = TrayCdb(eject);
    EXPECT_EQ(StartStopActionText(tray), eject ? "Eject" : "Close");
    EXPECT_EQ(tray.cdb[1], 0x01) << "IMMED";
  }
}

// The blocks' dump, as its size and last line, in tests/data/decode/read_dumps.txt: the
// bytes transferred, or "No Data" without bytes or blocks; a transferred count beyond the
// buffer cut to it and the fill still showing two blocks. Two 2352-byte blocks of Read(10)
// reported whole (no residual) end where the fill or the zeroed tail begins; Read CD of
// CD-DA user data can return one size only; a residual of two 2048-byte blocks.
TEST(ReadForms, TheDumpHoldsTheBlocksRead) {
  std::vector<std::uint8_t> buffer(2 * 2656, 0x5A);
  for (std::size_t i = 0; i < 4096; ++i) buffer[i] = static_cast<std::uint8_t>(i);
  DecodeInput in;
  in.data = buffer;
  in.group_size = 4;
  std::string t;
  const auto dump = [&](const char* what, std::uint32_t transferred, int blocks, Cdb cdb = {}) {
    in.transferred = transferred;
    in.transfer_blocks = blocks;
    in.cdb = cdb;
    const DecodeOutput out = DecodeReadBlocks(in);
    EXPECT_TRUE(out.text.empty()) << what;
    const std::size_t lines =
        static_cast<std::size_t>(std::count(out.dump.begin(), out.dump.end(), '\n'));
    std::string last = out.dump.substr(0, out.dump.find_last_not_of("\r\n") + 1);
    last.erase(0, last.find_last_of('\n') + 1);
    t += StrFormat("%s: %zu bytes%s, last line ", what, lines * kDumpLineBytes,
                   out.dump_whole ? " whole" : "") +
         last + "\n";
  };
  dump("4096 bytes transferred", 4096, 2);
  dump("nothing transferred", 0, 2);
  dump("no blocks", 4096, 0);
  dump("1 GiB transferred", 1u << 30, 2);
  for (std::size_t i = 0; i < 2 * 2352; ++i) buffer[i] = static_cast<std::uint8_t>(i | 1);
  const Cdb read10 = {0x28, 0, 0, 0, 0, 0, 0, 0, 2};
  dump("Read(10) of 2352-byte blocks, reported whole", 2 * 2656, 2, read10);
  std::fill(buffer.begin() + 2 * 2352, buffer.end(), 0);
  dump("the tail zeroed", 2 * 2656, 2, read10);
  std::fill(buffer.begin(), buffer.end(), 0);
  dump("Read CD of CD-DA, all zero", 2 * 2656, 2, {0xBE, 0x04, 0, 0, 0, 0, 0, 0, 2, 0x10});
  dump("a residual of two 2048-byte blocks", 4096, 2, read10);
  testing::ExpectGoldenFile("read_dumps.txt", t, "decode");
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
