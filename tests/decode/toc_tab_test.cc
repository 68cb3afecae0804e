#include "views/toc_tab.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "decode/golden.h"
#include "decode/read_toc.h"
#include "device/device_session.h"
#include "device/scripted_transport.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Cells = std::vector<std::string>;
using tamarack::testing::CheckCondition;
using tamarack::testing::Good;
using tamarack::testing::ScriptedProvider;
using tamarack::testing::ScriptedReply;
using tamarack::testing::ScriptedTransport;

// A session on a virtual drive.
struct VirtualSession {
  explicit VirtualSession(const std::string& id) {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock));
    opened = session.Open(id);
  }
  SimulatedClock clock;
  DriveDirectory drives;
  DeviceSession session{&drives, BuiltInSenseTable()};
  bool opened = false;
};

// A session on a scripted drive.
struct ScriptedSession : testing::ScriptedDrives {
  explicit ScriptedSession(std::vector<ScriptedReply> replies) {
    script = std::move(replies);
    session.Open("d0");
  }
  DeviceSession session{&drives, BuiltInSenseTable()};
};

// The list as text: the columns, then one line per row, cells joined by " | ".
std::string ListText(const std::vector<ListColumn>& columns, const std::vector<DecodedRow>& rows,
                     const std::vector<std::string>& notes = {}) {
  std::string out;
  for (std::size_t i = 0; i < columns.size(); ++i) out += (i ? " | " : "") + columns[i].title;
  out += "\r\n";
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t i = 0; i < rows[r].cells.size(); ++i)
      out += (i ? " | " : "") + rows[r].cells[i];
    out += "\r\n";
    if (r < notes.size() && !notes[r].empty())
      out += notes[r] + (notes[r].ends_with("\r\n") ? "" : "\r\n");
  }
  return out;
}

// Compares with the golden file NAME.txt; with TAMARACK_UPDATE_GOLDEN set, writes it instead.
void ExpectGolden(const std::string& name, const std::string& actual) {
  if (std::getenv("TAMARACK_UPDATE_GOLDEN")) {
    std::string text;
    for (char c : actual) {
      if (c != '\r') text += c;
    }
    std::ofstream(tamarack::testing::GoldenPath(name + ".txt"), std::ios::binary) << text;
    return;
  }
  EXPECT_EQ(actual, tamarack::testing::ReadGoldenText(name + ".txt")) << name;
}

Bytes TrackToc(const std::vector<std::array<std::uint32_t, 3>>& tracks) {
  Bytes r(4, 0);
  r[2] = 1;
  r[3] = static_cast<std::uint8_t>(tracks.size() - 1);
  for (const auto& [ctl, number, address] : tracks) {
    Bytes d(8, 0);
    d[1] = static_cast<std::uint8_t>(0x10 | ctl);
    d[2] = static_cast<std::uint8_t>(number);
    WriteBe32(d, 4, address);
    r.insert(r.end(), d.begin(), d.end());
  }
  WriteBe16(r, 0, static_cast<std::uint32_t>(r.size() - 2));
  return r;
}

TEST(TocTabColumns, TrackAndFullTocViews) {
  const auto track = TocTabColumns(false);
  ASSERT_EQ(track.size(), 6u);
  EXPECT_EQ(track[0].title, "Track No.");
  EXPECT_EQ(track[3].title, "MSF     ");
  EXPECT_EQ(track[4].title, "LBA              ");
  EXPECT_EQ(track[4].width, 150);
  EXPECT_EQ(track[5].rest_less, 430);
  const auto full = TocTabColumns(true);
  ASSERT_EQ(full.size(), 8u);
  EXPECT_EQ(full[5].title, "Min Sec Frm Zero");
  EXPECT_EQ(full[5].width, 100);
  EXPECT_EQ(full[7].rest_less, 450);
}

TEST(TocTabTrackView, CommentsOfTheControlBits) {
  const Bytes lba = TrackToc({{0x0, 1, 0},
                              {0x1, 2, 1000},
                              {0x2, 3, 2000},
                              {0x4, 4, 3000},
                              {0x7, 5, 4000},
                              {0x4, 0xAA, 5000}});
  Bytes msf = lba;
  msf[4 + 5] = 0;
  msf[4 + 6] = 2;
  msf[4 + 7] = 0;
  const TocTabView view = BuildTocTabView(lba, msf, false);
  EXPECT_EQ(view.text, "TOC Data Length=50(0032h)\r\nFirst Track No.=1  Last Track No.=5");
  ASSERT_EQ(view.rows.size(), 6u);
  EXPECT_EQ(view.rows[0].cells, (Cells{"1(01h)", "01h", "00h", "00:02:00", "00000000(000000h)",
                                       "1 Trcak(Audio: digital copy prohibited)"}));
  EXPECT_EQ(view.rows[1].cells[5], "2 Trcak(Audio:with pre-emphasis, digital copy prohibited)");
  EXPECT_EQ(view.rows[2].cells[5], "3 Trcak(Audio: digital copy permitted)");
  EXPECT_EQ(view.rows[3].cells[5], "4 Trcak(Data:recorded uninterrupted, digital copy prohibited)");
  EXPECT_EQ(view.rows[4].cells[5], "5 Trcak(Data:recorded incremental, digital copy permitted)");
  EXPECT_EQ(view.rows[5].cells[0], "170(aah)");
  EXPECT_EQ(view.rows[5].cells[4], "00005000(001388h)");
  EXPECT_EQ(view.rows[5].cells[5], "Lead Out");
}

TEST(TocTabTrackView, ShortMsfReplyReadsAsZero) {
  const Bytes lba = TrackToc({{0x0, 1, 0}, {0x0, 0xAA, 900}});
  const TocTabView view = BuildTocTabView(lba, std::span(lba).first(6), false);
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[1].cells[3], "00:00:00");
}

TEST(TocTabRead, TwoReadsLbaThenMsf) {
  const Bytes lba = TrackToc({{0x4, 1, 0}, {0x4, 0xAA, 1000}});
  Bytes msf = lba;
  msf[4 + 8 + 6] = 15;  // lead-out at 00:15:25 (1000 + 150 frames)
  msf[4 + 8 + 7] = 25;
  msf[4 + 8 + 4] = msf[4 + 8 + 5] = 0;
  Bytes lba_padded = lba;
  lba_padded.resize(64, 0xEE);  // bytes past the data length are not the command data
  ScriptedSession s({Good(lba_padded), Good(msf)});
  const auto read = ShowTocTab(s.session, false);
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(s.sent.size(), 2u);
  EXPECT_EQ(s.sent[0].cdb, (Cdb{0x43, 0x00, 0x00, 0, 0, 0, 0, 0xA0, 0x00, 0, 0, 0}));
  EXPECT_EQ(s.sent[1].cdb, (Cdb{0x43, 0x02, 0x00, 0, 0, 0, 0, 0xA0, 0x00, 0, 0, 0}));
  EXPECT_EQ(s.sent[0].buffer.size(), 40960u);
  EXPECT_EQ(read->command_data, lba);
  ASSERT_EQ(read->view.rows.size(), 2u);
  EXPECT_EQ(read->view.rows[1].cells[3], "00:15:25");
  EXPECT_EQ(read->view.rows[1].cells[4], "00001000(0003e8h)");
}

TEST(TocTabRead, FullTocAsksForFormatTwo) {
  const Bytes full{0x00, 0x0D, 0x01, 0x01, 0x01, 0x10, 0x00, 0xA0,
                   0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  ScriptedSession s({Good(full), Good(full)});
  const auto read = ShowTocTab(s.session, true);
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(s.sent.size(), 2u);
  EXPECT_EQ(s.sent[0].cdb[2], 0x02);
  EXPECT_EQ(s.sent[1].cdb[1], 0x02);
  EXPECT_EQ(read->view.text,
            "TOC Data Length=13(000dh)\r\nFirst Session No.=1  Last Session No.=1");
  ASSERT_EQ(read->view.rows.size(), 1u);
  EXPECT_EQ(read->view.rows[0].cells, (Cells{"1", "01", "00", "00", "a0", "00 00 00 00", "01 00 00",
                                             "1(01h) First Track number in the program area"}));
}

TEST(TocTabRead, FailuresShowNothing) {
  const Bytes toc = TrackToc({{0x4, 1, 0}, {0x4, 0xAA, 1000}});
  {
    // The first read fails: the second is not sent.
    ScriptedSession s({CheckCondition(2, 0x3A, 0), Good(toc)});
    CommandOutcome failure;
    EXPECT_FALSE(ShowTocTab(s.session, false, &failure).has_value());
    EXPECT_EQ(failure.status, CommandStatus::kCheckCondition);
    EXPECT_EQ(failure.sense.asc, 0x3A);
    EXPECT_EQ(s.sent.size(), 1u);
    EXPECT_EQ(s.session.status_line.Get(), "Error Notified( MEDIUM NOT PRESENT).");
  }
  {
    // Only the second read fails.
    ScriptedSession s({Good(toc), CheckCondition(2, 0x3A, 0)});
    EXPECT_FALSE(ShowTocTab(s.session, false).has_value());
    EXPECT_EQ(s.sent.size(), 2u);
  }
  {
    // A data length of 0 counts as a failure.
    ScriptedSession s({Good({0, 0, 0, 0}), Good(toc)});
    CommandOutcome failure;
    EXPECT_FALSE(ShowTocTab(s.session, false, &failure).has_value());
    EXPECT_EQ(failure.status, CommandStatus::kGood);
    EXPECT_EQ(s.sent.size(), 1u);
  }
  {
    // No device.
    DeviceSession none(nullptr, BuiltInSenseTable());
    EXPECT_FALSE(ShowTocTab(none, true).has_value());
  }
}

TEST(TocTabRead, ShortTransferBoundsTheRows) {
  // The header claims 13 descriptors; 20 bytes came back (the transport says so).
  Bytes toc = TrackToc({{0x0, 1, 0}, {0x0, 2, 100}, {0x0, 3, 200}, {0x0, 0xAA, 300}});
  WriteBe16(toc, 0, 106);
  ScriptedReply cut = Good(toc);
  cut.result.transferred = 20;
  ScriptedSession s({cut, cut});
  const auto read = ShowTocTab(s.session, false);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->command_data.size(), 20u);
  EXPECT_EQ(read->view.rows.size(), 2u);
}

TEST(TocTabExplain, LeadInPoints) {
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "04", "00", "a0", "00 00 00 00", "01 20 00"}),
            "1(01h) First Track number in the program area\r\n"
            "32(20h) Disc Type CD data XA disc with first track in Mode 2, DDCD disc");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "04", "00", "a0", "00 00 00 00", "01 00 00"}),
            "1(01h) First Track number in the program area\r\n"
            "0(00h) Disc Type CD-DA or CD Data with first track in Mode 1");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "04", "00", "a0", "00 00 00 00", "01 10 00"}),
            "1(01h) First Track number in the program area\r\n16(10h) Disc Type CD-I disc");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "04", "00", "a0", "00 00 00 00", "01 30 00"}),
            "1(01h) First Track number in the program area\r\n");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "04", "00", "a1", "00 00 00 00", "0c 00 00"}),
            "12(0ch) Last Track number in the program area\r\n");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "04", "00", "a2", "00 00 00 00", "3c 1e 4a"}),
            "60:30:74(mm:ss:ff) Start location of the Lead-out area\r\n");
}

TEST(TocTabExplain, Mode5Points) {
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "05", "04", "00", "b0", "06 1e 16 03", "4f 3b 4a"}),
            "06:30:22(mm:ss:ff) Start time of next possible program area\r\n"
            "79:59:74(mm:ss:ff) Maximum start time of outer-most Lead-out area\r\n");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "05", "04", "00", "c0", "a0 00 00 00", "61 1a 42"}),
            "Start time of first Lead-in area of disc\r\n");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "05", "04", "00", "b3", "00 00 00 00", "00 00 00"}),
            "Skip Track Assignment Pointers\r\n");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "05", "04", "00", "21", "00 00 00 00", "00 00 00"}),
            "Skip Interval Pointers\r\n");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "05", "04", "00", "cf", "00 00 00 00", "00 00 00"}),
            "Stop position of Inner part Lead-out Area\r\n");
  // ADR 5 with a point outside its list reads as a track point.
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "05", "04", "00", "50", "00 00 00 00", "00 00 00"}),
            "80 Trcak\r\nData:recorded uninterrupted, digital copy prohibited)");
}

TEST(TocTabExplain, TrackPointsAndBadCells) {
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "06", "00", "05", "00 00 00 00", "10 02 21"}),
            "5 Trcak\r\nData:recorded uninterrupted, digital copy permitted)");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "01", "00", "63", "00 00 00 00", "10 02 21"}),
            "99 Trcak\r\nAudio:with pre-emphasis, digital copy prohibited)");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "00", "00", "64", "00 00 00 00", "00 00 00"}), "");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "00"}), "");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "zz", "00", "00", "01", "00 00 00 00", "00 00 00"}), "");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "00", "00", "01", "00 00", "00 00 00"}), "");
  EXPECT_EQ(ExplainFullTocRow(Cells{"1", "01", "00", "00", "01", "00 00 00 00", "100 00 00"}), "");
}

TEST(TocTabVirtualDrive, MultisessionFullTocExplainedRowByRow) {
  VirtualSession v("emu:multisession?speed=max");
  ASSERT_TRUE(v.opened);
  const auto read = ShowTocTab(v.session, true);
  ASSERT_TRUE(read.has_value()) << v.session.status_line.Get();
  std::vector<std::string> notes;
  for (const DecodedRow& row : read->view.rows) notes.push_back(ExplainFullTocRow(row.cells));
  // Both sessions' A0/A1/A2 points, the B0 and C0 points of the first session.
  int b0 = 0, c0 = 0;
  for (const DecodedRow& row : read->view.rows) {
    if (row.cells[4] == "b0") ++b0;
    if (row.cells[4] == "c0") ++c0;
  }
  EXPECT_GE(b0, 1);
  EXPECT_EQ(c0, 1);
  ExpectGolden("multisession_full_toc",
               read->view.text + "\r\n" + ListText(read->view.columns, read->view.rows, notes));
}

TEST(TocTabVirtualDrive, Type30TrackView) {
  VirtualSession v("emu:type30?speed=max");
  ASSERT_TRUE(v.opened);
  const auto read = ShowTocTab(v.session, false);
  ASSERT_TRUE(read.has_value()) << v.session.status_line.Get();
  ASSERT_EQ(read->view.rows.size(), 24u);
  EXPECT_EQ(read->view.rows.back().cells[5], "Lead Out");
  // Every row's MSF is its LBA plus two seconds.
  for (const DecodedRow& row : read->view.rows) {
    const long lba = std::stol(row.cells[4].substr(0, row.cells[4].find('(')));
    const long frames = lba + 150;
    EXPECT_EQ(row.cells[3],
              StrFormat("%02ld:%02ld:%02ld", frames / 4500, frames / 75 % 60, frames % 75))
        << row.cells[0];
  }
  ExpectGolden("type30_track_view",
               read->view.text + "\r\n" + ListText(read->view.columns, read->view.rows));
}

TEST(TocTabVirtualDrive, AudioDiscCdTextAndMultisessionFormats) {
  VirtualSession v("emu:audio?speed=max");
  ASSERT_TRUE(v.opened);
  std::uint32_t moved = 0;
  ASSERT_TRUE(IssueCdb(v.session, MakeCdb({0x43, 0, 5, 0, 0, 0, 0, 0xA0, 0}), &moved));
  const std::span<const std::uint8_t> reply = std::span(v.session.response_buffer).first(moved);
  const DecodeOutput out = DecodeReadToc(reply, moved, 5, false);
  ASSERT_FALSE(out.rows.empty());
  EXPECT_EQ(out.rows[0].cells[6], "Title of Album name");
  ExpectGolden("audio_cd_text", out.text + ListText(out.columns, out.rows));
}

}  // namespace
}  // namespace tamarack
