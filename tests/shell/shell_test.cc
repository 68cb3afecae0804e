#include <gtest/gtest.h>

#include "device/scripted_transport.h"
#include "golden.h"
#include "shell/disc_indicator.h"
#include "shell/file_kinds.h"
#include "shell/font_mapping.h"
#include "shell/help_topics.h"
#include "shell/options.h"
#include "shell/start_tab.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;

// A session on drive "d0" whose poll handles answer from `script`.
struct PollFixture : testing::ScriptedDrives {
  PollFixture() {
    session.Open("d0");
    provider->opened.clear();
  }
  DeviceSession session{&drives, BuiltInSenseTable()};
};

std::vector<std::uint8_t> TocWithControl(std::uint8_t control) {
  return {0x00, 0x12, 0x01, 0x01, 0x00, static_cast<std::uint8_t>(0x10 | control), 0x01, 0x00};
}

// The first track's control bits pick the icon; the poll uses a handle of its own.
TEST(PollDisc, TheFirstTrackPicksTheIcon) {
  for (const auto& [control, state] :
       {std::pair{0x04, DiscState::kDataDisc}, std::pair{0x02, DiscState::kAudioDisc}}) {
    PollFixture f;
    f.script = {Good(), Good(TocWithControl(static_cast<std::uint8_t>(control)))};
    EXPECT_EQ(PollDisc(f.session), state);
    ASSERT_EQ(f.sent.size(), 2u);
    EXPECT_EQ(f.sent[0].cdb, MakeCdb({0x00}));
    EXPECT_EQ(f.sent[1].cdb, MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0xE8}));
    EXPECT_EQ(f.provider->opened, std::vector<std::string>{"d0"});
    EXPECT_TRUE(f.session.HasDevice()) << "the session's handle stays";
  }
}

TEST(PollDisc, NotReadyOrFailuresShowNoDisc) {
  for (const auto& first : {CheckCondition(2, 0x3A, 0x01), CheckCondition(2, 0x3A, 0x01, 0x72),
                            testing::Refused(TransportStatus::kTransportError, "gone")}) {
    PollFixture f;
    f.script = {first, Good(TocWithControl(0x04))};
    EXPECT_EQ(PollDisc(f.session), DiscState::kNoDisc);
    EXPECT_EQ(f.sent.size(), 1u) << "no Read TOC after a failed Test Unit Ready";
  }
  PollFixture f;
  f.script = {Good(), CheckCondition(5, 0x24, 0x00)};
  EXPECT_EQ(PollDisc(f.session), DiscState::kNoDisc) << "an unreadable TOC is not an audio disc";
  PollFixture unopenable;
  unopenable.provider->unopenable = {"d0"};
  EXPECT_EQ(PollDisc(unopenable.session), DiscState::kNoDisc);
}

TEST(DiscIndicatorSchedule, PollsFasterWithoutADiscAndReselectsOnFirstSight) {
  DiscIndicatorSchedule s;
  PollAction a = s.OnPoll(DiscState::kNoDisc, 0);
  EXPECT_EQ(a.next_period_ms, 1000);
  EXPECT_FALSE(a.reselect_drive);
  a = s.OnPoll(DiscState::kDataDisc, 0);
  EXPECT_EQ(a.next_period_ms, 5000);
  EXPECT_TRUE(a.reselect_drive);
  a = s.OnPoll(DiscState::kDataDisc, 0);
  EXPECT_FALSE(a.reselect_drive) << "once per appearance";
  s.OnPoll(DiscState::kNoDisc, 0);
  EXPECT_TRUE(s.OnPoll(DiscState::kAudioDisc, 0).reselect_drive);
  s.OnPoll(DiscState::kNoDisc, 0);  // a disc the window already knows of, after none
  s.SetDiscKnown(true);
  EXPECT_FALSE(s.OnPoll(DiscState::kAudioDisc, 1).reselect_drive);
}

// A poll sent before a drive selection answers for the drive it opened then: it neither
// selects the new drive again (wiping what its first commands showed) nor forgets that the
// new drive has no disc.
TEST(DiscIndicatorSchedule, APollSentBeforeASelectionIsStale) {
  DiscIndicatorSchedule s;
  const int sent = s.selection();
  s.SetDiscKnown(false);  // another drive, without a disc
  const PollAction old = s.OnPoll(DiscState::kDataDisc, sent);
  EXPECT_TRUE(old.stale);
  EXPECT_FALSE(old.reselect_drive);
  EXPECT_EQ(old.next_period_ms, 1000);
  EXPECT_TRUE(s.OnPoll(DiscState::kDataDisc, s.selection()).reselect_drive) << "a disc since";
}

TEST(DiscIndicatorSchedule, ATickPollsOnlyWhenOnAndNothingElseTalksToTheDrive) {
  TickState on;
  EXPECT_FALSE(DiscIndicatorSchedule::OnTick(on).poll);
  EXPECT_EQ(DiscIndicatorSchedule::OnTick(on).retry_ms, 0) << "off: no poll and no timer";
  on.enabled = true;
  EXPECT_TRUE(DiscIndicatorSchedule::OnTick(on).poll);
  for (bool TickState::*busy :
       {&TickState::window_minimised, &TickState::job_running, &TickState::poll_running}) {
    TickState s = on;
    s.*busy = true;
    EXPECT_FALSE(DiscIndicatorSchedule::OnTick(s).poll);
    EXPECT_EQ(DiscIndicatorSchedule::OnTick(s).retry_ms, 1000) << "tried again later";
    s.enabled = false;
    EXPECT_EQ(DiscIndicatorSchedule::OnTick(s).retry_ms, 0);
  }
}

// Each command line of tests/data/shell/start_tab.txt as the file it names, that file's kind and
// tab ("-" for none). The extension is the file name's last one: dots in folders or before it
// do not count.
TEST(StartTab, FileKindAndTabOfEachCommandLine) {
  testing::ExpectEachInput("start_tab.txt", "shell", [](const std::string& line) {
    const std::string file = FileOfCommandLine(line);
    const auto kind = KindOfFile(file);
    const auto tab = TabOfFile(line);
    return file + " kind " + (kind ? std::to_string(static_cast<int>(*kind)) : "-") + " tab " +
           (tab ? std::to_string(*tab) : "-");
  });
}

// Every tab has at most one kind of file and every kind one tab and one extension, found back
// from either; the tabs without files have none.
TEST(FileKinds, EachKindHasItsOwnTabAndExtension) {
  int kinds_found = 0;
  for (int tab = 0; tab < kTabCount; ++tab) {
    const std::optional<FileKind> kind = KindOfTab(tab);
    if (!kind) continue;
    ++kinds_found;
    const FileKindRow& row = RowOfKind(*kind);
    EXPECT_EQ(row.tab, tab);
    EXPECT_EQ(KindOfExtension(row.extension), kind) << row.extension;
    EXPECT_NE(std::string(row.save_title), row.load_title);
  }
  EXPECT_EQ(kinds_found, 4);
  for (int tab : {int{kTabToc}, int{kTabProperties}, int{kTabOthers}, -1, kTabCount}) {
    EXPECT_FALSE(KindOfTab(tab).has_value()) << tab;
  }
  EXPECT_EQ(FileDialogFilter("dat"), "dat file(*.dat)|*.dat|all files(*.*)|*.*||");
}

// A zero number or an empty trace file keeps the previous value; Initialise leaves the trace
// alone (Initialise then OK through the option dialog is main_window_shell_test's).
TEST(Options, ZeroNumbersAndAnEmptyTraceFileKeepThePreviousValue) {
  Options previous;
  previous.command_timeout = 20;
  previous.receive_length = 8192;
  previous.trace_file = "/tmp/a.jsonl";
  Options entered;
  entered.command_timeout = 0;
  entered.receive_length = 0;
  entered.disc_indicator = false;
  entered.trace_commands = true;
  const Options o = AcceptOptions(previous, entered);
  EXPECT_EQ(o.command_timeout, 20u);
  EXPECT_EQ(o.receive_length, 8192u);
  EXPECT_FALSE(o.disc_indicator);
  EXPECT_EQ(o.trace_file, "/tmp/a.jsonl");
  EXPECT_TRUE(InitialisedOptions(o).trace_commands);
  entered.trace_file = "/tmp/b.jsonl";
  EXPECT_EQ(AcceptOptions(previous, entered).trace_file, "/tmp/b.jsonl");
  EXPECT_EQ(testing::Slashed(DefaultTraceFile("/home/u/.config/tamarack/IniFile.txt")),
            "/home/u/.config/tamarack/tamarack-trace.jsonl");
  EXPECT_EQ(DefaultTraceFile(""), "tamarack-trace.jsonl");
}

TEST(FontMapping, WindowsFacesMapToInstalledFacesOfTheirKindOrTheFallback) {
  const std::vector<std::string> installed = {"DejaVu Sans", "IPAGothic", "IPAPGothic"};
  EXPECT_EQ(MapFontFace("ＭＳ ゴシック", installed, "DejaVu Sans"), "IPAGothic");
  EXPECT_EQ(MapFontFace("HGSｺﾞｼｯｸE", installed, "DejaVu Sans"), "IPAPGothic");
  EXPECT_EQ(MapFontFace("DejaVu Sans", installed, "x"), "DejaVu Sans") << "installed: kept";
  EXPECT_EQ(MapFontFace("Unknown Face", installed, "DejaVu Sans"), "DejaVu Sans");
  EXPECT_EQ(MapFontFace("", installed, "DejaVu Sans"), "DejaVu Sans");
  // Without Japanese faces the fallback is used.
  const std::vector<std::string> latin = {"DejaVu Sans"};
  EXPECT_EQ(MapFontFace("ＭＳ ゴシック", latin, "DejaVu Sans Mono"), "DejaVu Sans Mono");
  EXPECT_EQ(FixedJapaneseFace(latin, "Monospace"), "Monospace");
  EXPECT_EQ(FixedJapaneseFace({"IPAGothic"}, "Monospace"), "IPAGothic");
}

// A section runs from its heading to the next heading of its level or above, its subsections
// with it; headings in code blocks and "#" without a blank are text; a title must match whole.
// Each title of tests/data/shell/guide_sections.txt (the last one empty) and its section of
// guide.txt there, or "none".
TEST(GuideSection, CutsOneSectionWithItsSubsections) {
  const std::string guide = testing::ReadGoldenFile("guide.txt", "shell");
  testing::ExpectEachInput("guide_sections.txt", "shell", [&guide](const std::string& title) {
    const std::optional<std::string> section = GuideSection(guide, title);
    std::string t = section ? section->substr(0, section->size() - 1) : "none";
    for (std::size_t at = 0; (at = t.find('\n', at)) != t.npos; at += 3) t.replace(at, 1, "\n  ");
    return t;
  });
  // The table's own rows are found in the guide by main_window_shell_test.
  EXPECT_EQ(SectionOfPage("nosuch.htm"), std::nullopt);
  EXPECT_EQ(SectionOfTab(kTabCount), "");
}

}  // namespace
}  // namespace tamarack
