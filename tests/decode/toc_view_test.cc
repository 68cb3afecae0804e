#include "views/toc_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/catalogue_decode.h"
#include "decode/read_toc.h"
#include "decode/replies.h"
#include "device/scripted_transport.h"
#include "device/sense_table.h"
#include "emu/drive_harness.h"
#include "emu/resid_modes.h"
#include "golden.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Cells = std::vector<std::string>;
using testing::CheckCondition;
using testing::Good;
using testing::ScriptedReply;
using ScriptedSession = testing::ScriptedSession;

// A TOC of tracks given as {control, number, address}, the first numbered 1.
Bytes TrackToc(const std::vector<std::array<std::uint32_t, 3>>& tracks) {
  std::vector<Bytes> d;
  for (const auto& [ctl, number, address] : tracks) {
    d.push_back(testing::toc::Track(static_cast<std::uint8_t>(0x10 | ctl),
                                    static_cast<std::uint8_t>(number), address));
  }
  return testing::toc::Reply(1, static_cast<std::uint8_t>(tracks.size() - 1), d);
}

// Every control-bit comment; the MSF reply gives each address plus two seconds. A short MSF
// reply reads as zero.
TEST(TocTabTrackView, CommentsOfTheControlBits) {
  std::vector<std::array<std::uint32_t, 3>> tracks = {{0x0, 1, 0},    {0x1, 2, 1000},
                                                      {0x2, 3, 2000}, {0x4, 4, 3000},
                                                      {0x7, 5, 4000}, {0x4, 0xAA, 5000}};
  const Bytes lba = TrackToc(tracks);
  for (auto& t : tracks) {
    const std::uint32_t f = t[2] + 150;  // as M, S, F bytes
    t[2] = (f / 4500) << 16 | (f / 75 % 60) << 8 | f % 75;
  }
  const Bytes msf = TrackToc(tracks);
  const TocView view = BuildTocView(lba, msf, false);
  const TocView cut = BuildTocView(lba, std::span(msf).first(4 + 8 * 4 + 6), false);
  testing::ExpectGoldenText("toc_tab_control_bits", view.text + "\r\n" +
                                                        testing::RowsText(view.rows) +
                                                        "== the MSF reply cut inside track 5\r\n" +
                                                        testing::RowsText(cut.rows));
}

// Each run of the tab against scripted replies, in toc_tab_reads.txt: the commands sent
// (with their buffer sizes), then the command data (the first reply as its data length
// gives it, not the bytes after it) and the view, or the failure, its ASC and the status
// line. Two reads, LBA then MSF (whose addresses the view shows); the full TOC asks for
// format 2 with TIME; the first read failing sends no second one, the second failing fails;
// a data length of 0 is a failure; a short transfer bounds the rows.
TEST(TocRead, EachRunOfTheTab) {
  const Bytes lba = TrackToc({{0x4, 1, 0}, {0x4, 0xAA, 1000}});
  Bytes msf = lba;
  msf[4 + 8 + 6] = 15;  // lead-out at 00:15:25 (1000 + 150 frames)
  msf[4 + 8 + 7] = 25;
  msf[4 + 8 + 4] = msf[4 + 8 + 5] = 0;
  Bytes lba_padded = lba;
  lba_padded.resize(64, 0xEE);
  const Bytes full{0x00, 0x0D, 0x01, 0x01, 0x01, 0x10, 0x00, 0xA0,
                   0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  // The header claims 13 descriptors; 20 bytes came back (the transport says so).
  Bytes claimed = TrackToc({{0x0, 1, 0}, {0x0, 2, 100}, {0x0, 3, 200}, {0x0, 0xAA, 300}});
  WriteBe16(claimed, 0, 106);
  ScriptedReply cut = Good(claimed);
  cut.result.transferred = 20;
  const ScriptedReply no_disc = CheckCondition(2, 0x3A, 0);
  const struct {
    const char* what;
    bool full_toc;
    std::vector<ScriptedReply> replies;
  } runs[] = {{"LBA then MSF", false, {Good(lba_padded), Good(msf)}},
              {"full TOC", true, {Good(full), Good(full)}},
              {"the first read fails", false, {no_disc, Good(lba)}},
              {"the second read fails", false, {Good(lba), no_disc}},
              {"a data length of 0", false, {Good({0, 0, 0, 0}), Good(lba)}},
              {"a short transfer", false, {cut, cut}}};
  std::string t;
  for (const auto& run : runs) {
    ScriptedSession s(run.replies);
    CommandOutcome failure;
    const auto read = ReadTocView(s.session, run.full_toc, &failure);
    t += std::string("== ") + run.what + "\r\n";
    for (const ScsiRequest& r : s.sent) {
      t += "sent " + HexBytes(r.cdb) + StrFormat("(buffer %zu)\r\n", r.buffer.size());
    }
    if (!read) {
      const char* status[] = {"no device", "refused", "check condition", "good"};
      t += StrFormat("failed: %s, asc %02x, ", status[static_cast<int>(failure.status)],
                     failure.sense.asc) +
           "status line \"" + s.status.status_line.Get() + "\"\r\n";
      continue;
    }
    t += "command data " + HexBytes(read->command_data) + "\r\n" + read->view.text + "\r\n" +
         testing::ListingText(read->view.columns, read->view.rows);
  }
  testing::ExpectGoldenText("toc_tab_reads", t);
  DeviceSession none(nullptr, BuiltInSenseTable());
  EXPECT_FALSE(ReadTocView(none, true).has_value());
}

// Points the multisession disc (tests/data/cli/toc_json_*.txt) does not show (CD-I disc type,
// skip pointers, the inner lead-out, ADR 5 with a point outside its list read as a track
// point, track 99) and cells that do not parse: each "== ROW" of toc_explain_rows.txt with its
// explanation after it ("\r\n" as a line end).
TEST(TocTabExplain, RarerPointsAndBadCells) {
  const std::string golden = testing::ReadGoldenFile("toc_explain_rows.txt");
  std::string t;
  for (std::size_t at = golden.find("== "); at != std::string::npos;
       at = golden.find("\n== ", at + 1)) {
    if (golden[at] == '\n') ++at;
    const std::string row = golden.substr(at + 3, golden.find('\n', at) - at - 3);
    Cells cells;
    for (std::size_t from = 0, bar = 0; bar != std::string::npos; from = bar + 1) {
      bar = row.find('|', from);
      cells.push_back(row.substr(from, bar - from));
    }
    t += "== " + row + "\n" + PlainLines(ExplainFullTocRow(cells)) + "\n";
  }
  testing::ExpectGoldenFile("toc_explain_rows.txt", t, "decode");
}

class TocTabVirtualDrive : public testing::ResidModeTest {};
TAMARACK_ON_EVERY_RESID_MODE(TocTabVirtualDrive);

// The audio disc's CD-TEXT as the Command tab decodes it, on every path.
TEST_P(TocTabVirtualDrive, AudioDiscCdText) {
  emu::testing::DriveHarness v(Id("emu:audio?speed=max"));
  ASSERT_TRUE(v.opened);
  const Cdb cdb = MakeCdb({0x43, 0, 5, 0, 0, 0, 0, 0xA0, 0});
  const CdbReply reply = IssueCdb(v.session, cdb);
  ASSERT_TRUE(reply.good());
  // As the Command tab decodes it: the buffer asked for and the received length.
  const auto out =
      DecodeWithCatalogue(cdb, std::span(reply.bytes).first(0xA000), reply.transferred, 4);
  ASSERT_TRUE(out.has_value());
  testing::ExpectGoldenText("audio_cd_text",
                            out->text + testing::ListingText(out->columns, out->rows));
}

}  // namespace
}  // namespace tamarack
