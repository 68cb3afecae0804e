#include "device/device_session.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "decode/volume_descriptor.h"
#include "device/scripted_transport.h"
#include "golden.h"
#include "mmc/cdb_direction.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::Refused;
using testing::WithSense;

using Fixture = testing::ScriptedSession;

class RecordingHost : public SessionHost {
 public:
  void ShowSenseDialog(std::span<const std::uint8_t> sense) override {
    shown.assign(sense.begin(), sense.end());
  }
  std::vector<std::uint8_t> shown;
};

std::size_t CountOf(std::span<const std::uint8_t> bytes, std::uint8_t value) {
  return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), value));
}

// Without a device: false, silently, the transferred count left alone; IssueCdb's reply is
// no success and holds zeros.
TEST(SendScsiCommand, WithoutADeviceReturnsFalseSilentlyAndLeavesTransferredAlone) {
  DriveDirectory none;
  DeviceSession session(&none, BuiltInSenseTable());
  StatusBoard board;
  session.SetHost(&board);
  board.status_line.Set("before");
  std::uint32_t transferred = 1234;
  std::vector<std::uint8_t> buf(8);
  EXPECT_FALSE(SendScsiCommand(session, MakeCdb({0x00}), buf, &transferred));
  EXPECT_EQ(transferred, 1234u);
  EXPECT_EQ(board.status_line.Get(), "before");
  EXPECT_EQ(board.last_error_text.Get(), "");
  const CdbReply reply = IssueCdb(session, MakeCdb({0x43, 1}));
  EXPECT_FALSE(reply.good());
  EXPECT_EQ(reply.outcome.status, CommandStatus::kNoDevice);
  EXPECT_EQ(reply.transferred, 0u);
  EXPECT_EQ(CountOf(reply.bytes, 0), kResponseBufferSize);
}

// Each reply to a Read(10) into 4096 bytes, one after another on one session whose status
// line the caller set, as what the command returned, the transferred count, the status line
// and the last error text, in tests/data/device/session_replies.txt: a good command leaves
// the status line to the caller; every sense response code, with its top bit or not, and
// descriptor-format sense are check conditions; a bad status without sense and a sense the
// table does not know are failures; a refusal keeps the requested count and adds its advice
// to the last error; a transport failure without sense is no success; the block a check
// condition names (VALID fixed sense, a valid information descriptor) ends both texts, sense
// not marked valid adds none; the next command starts with an empty last error text.
TEST(SendScsiCommand, OutcomesOfReplies) {
  testing::ScriptedReply busy = Good(),
                         refused = Refused(TransportStatus::kRefused, "Operation not permitted", 1);
  busy.result.scsi_status = 0x08;
  refused.result.transferred = 4096;
  refused.result.advice = "Run as root.";
  std::vector<std::uint8_t> fixed = {0xF0, 0, 0x03, 0x00, 0x00, 0x13, 0x88, 10, 0, 0, 0, 0, 0x11};
  fixed.resize(18, 0);
  std::vector<std::uint8_t> not_valid = fixed;
  not_valid[0] = 0x70;
  const std::pair<const char*, testing::ScriptedReply> replies[] = {
      {"good", Good({1, 2, 3})},
      {"fixed sense 70h", CheckCondition(2, 0x3A, 0x01, 0x70)},
      {"fixed sense 71h", CheckCondition(2, 0x3A, 0x01, 0x71)},
      {"fixed sense 7fh", CheckCondition(2, 0x3A, 0x01, 0x7F)},
      {"fixed sense f0h", CheckCondition(2, 0x3A, 0x01, 0xF0)},
      {"descriptor sense", testing::WithSense({0x72, 0x03, 0x11, 0x00, 0, 0, 0, 0})},
      {"busy without sense", busy},
      {"unknown sense", CheckCondition(9, 0xEE, 0xEE)},
      {"refused", refused},
      {"transport failure",
       Refused(TransportStatus::kTransportError, "Transport failure: bus was reset")},
      {"timed out without a text", Refused(TransportStatus::kTimedOut, "")},
      {"fixed sense naming block 5000", WithSense(fixed)},
      {"the same not marked valid", WithSense(not_valid)},
      {"descriptor sense naming block 42",
       WithSense({0x72, 0x03, 0x11, 0x00, 0, 0, 0, 12, 0x00, 0x0A,
                  0x80, 0,    0,    0,    0, 0, 0, 0,  0x00, 0x2A})},
      {"good again", Good()}};
  Fixture f;
  std::string t;
  for (const auto& [what, reply] : replies) {
    f.status.status_line.Set("caller text");
    f.transport->Push(reply);
    std::vector<std::uint8_t> buf(4096);
    std::uint32_t transferred = 77;
    const bool ok = SendScsiCommand(f.session, MakeCdb({0x28}), buf, &transferred);
    EXPECT_EQ(buf[2], std::string_view(what) == "good" ? 3 : 0) << what;
    t += StrFormat("== %s\n%s, transferred %u\nstatus line: ", what, ok ? "true" : "false",
                   transferred) +
         f.status.status_line.Get() + "\nlast error: " + f.status.last_error_text.Get() + "\n";
  }
  tamarack::testing::ExpectGoldenFile("session_replies.txt", t, "device");
}

// A zero-length command goes as data in, a parameter list as data out, with the session's
// time-out; the sense dialog opens only when asked.
TEST(SendScsiCommand, DirectionsTimeOutAndTheSenseDialog) {
  Fixture f;
  RecordingHost host;
  f.session.SetHost(&host);
  std::uint32_t transferred = 99;
  EXPECT_TRUE(SendScsiCommand(f.session, MakeCdb({0x00}), {}, &transferred));
  EXPECT_EQ(f.transport->sent[0].direction, DataDirection::kIn);
  EXPECT_EQ(f.transport->sent[0].buffer.size(), 0u);
  EXPECT_EQ(f.transport->sent[0].timeout_seconds, 7u);
  EXPECT_EQ(transferred, 0u);
  f.session.SetCommandTimeout(30);
  std::vector<std::uint8_t> params(8, 0);
  EXPECT_TRUE(SendScsiCommand(f.session, MakeCdb({0x55, 0x10}), params, nullptr,
                              {.direction = DataDirection::kOut}));
  ASSERT_EQ(f.transport->sent.size(), 2u);
  EXPECT_EQ(f.transport->sent[1].direction, DataDirection::kOut);
  EXPECT_EQ(f.transport->sent[1].timeout_seconds, 30u);
  for (bool ask : {false, true}) {
    f.transport->Push(CheckCondition(5, 0x24, 0x00));
    SendScsiCommand(f.session, MakeCdb({0x00}), {}, nullptr,
                    {.sense_dialog = ask ? SenseDialog::kShow : SenseDialog::kQuiet});
    EXPECT_EQ(host.shown.size(), ask ? 18u : 0u);
  }
  EXPECT_EQ(host.shown[12], 0x24);
}

// The outcome is a value and its texts a pure function of it: a silent command (a probe)
// returns the same outcome as a told one and leaves the host's status line, last error text
// and sense dialog alone; the board hands the sense dialog on only to the host it was given;
// a refusal passes "Command Rejected!" on its way to its error text.
TEST(DeviceSession, SilentCommandsLeaveTheHostAlone) {
  Fixture f;
  RecordingHost dialogs;
  std::vector<std::string> seen;
  f.status.status_line.SetObserver([&seen](const std::string& s) { seen.push_back(s); });
  f.status.last_error_text.Set("older");
  std::vector<CommandOutcome> outcomes;
  for (HostReport report : {HostReport::kSilent, HostReport::kTell}) {
    f.transport->Push(CheckCondition(3, 0x11, 0x00));
    outcomes.push_back(
        f.session.Run(MakeCdb({0x28}), {}, {.sense_dialog = SenseDialog::kShow, .report = report}));
    if (report == HostReport::kSilent) {
      EXPECT_TRUE(seen.empty());
      EXPECT_EQ(f.status.last_error_text.Get(), "older");
      f.status.sense_dialogs = &dialogs;
    }
  }
  EXPECT_EQ(outcomes[0].status, CommandStatus::kCheckCondition);
  EXPECT_EQ(outcomes[0].error_text, outcomes[1].error_text);
  EXPECT_EQ(FailureTextsOf(outcomes[0]).status_line, f.status.status_line.Get());
  EXPECT_EQ(f.status.last_error_text.Get(), outcomes[1].error_text);
  EXPECT_EQ(dialogs.shown.size(), 18u) << "only the told command opens the dialog";

  seen.clear();
  f.transport->Push(Refused(TransportStatus::kRefused, "Operation not permitted"));
  const CommandOutcome refused = f.session.Run(MakeCdb({0x28}), {});
  EXPECT_EQ(seen, (std::vector<std::string>{"Command Rejected!",
                                            "Error Notified(Operation not permitted)"}));
  EXPECT_TRUE(FailureTextsOf(refused).shown);
  f.transport->Push(Good());
  const CommandOutcome good = f.session.Run(MakeCdb({0x00}), {});
  EXPECT_FALSE(FailureTextsOf(good).shown);
  EXPECT_EQ(f.status.status_line.Get(), "Error Notified(Operation not permitted)");
  EXPECT_EQ(f.status.last_error_text.Get(), "") << "a good command empties the last error";
  f.status.status_line.SetObserver(nullptr);
}

// Each reply owns 40960 bytes, zero beyond the transferred count even where the driver wrote
// more than it claims; a count beyond the buffer is not believed; a later read leaves an
// earlier reply as it was.
TEST(IssueCdb, EachReplyOwnsItsBytesZeroBeyondTheTransferredCount) {
  struct Case {
    std::size_t written;
    std::uint32_t claimed, kept;
  };
  const Case cases[] = {{64, 36, 36}, {64, 0, 0}, {kResponseBufferSize, 50000, 40960}};
  Fixture f;
  std::vector<CdbReply> replies;
  for (const Case& c : cases) {
    testing::ScriptedReply scripted = Good(std::vector<std::uint8_t>(c.written, 0x11));
    scripted.result.transferred = c.claimed;
    f.transport->Push(scripted);
    replies.push_back(IssueCdb(f.session, MakeCdb({0x12, 0, 0, 0, 0xFF})));
  }
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const CdbReply& r = replies[i];
    EXPECT_TRUE(r.good()) << i;
    EXPECT_EQ(f.transport->sent[i].buffer.size(), kResponseBufferSize) << i;
    EXPECT_EQ(f.transport->sent[i].direction, DataDirection::kIn) << i;
    EXPECT_EQ(r.transferred, cases[i].kept) << i;
    ASSERT_EQ(r.bytes.size(), kResponseBufferSize) << i;
    const std::span<const std::uint8_t> bytes(r.bytes);
    EXPECT_EQ(CountOf(bytes.first(r.transferred), 0x11), r.transferred) << i;
    EXPECT_EQ(CountOf(bytes.subspan(r.transferred), 0), kResponseBufferSize - r.transferred) << i;
  }
}

// The buffer of a data-in command is what its CDB allows, each CDB of data_in_lengths.txt: a
// field of one or two bytes at the command's own place, Read Capacity's fixed 8, nothing known
// for others.
TEST(DataInLength, ComesFromTheCommandsOwnField) {
  testing::ExpectEachHexLine("data_in_lengths.txt", "device",
                             [](const std::vector<std::uint8_t>& b) {
                               Cdb cdb{};
                               std::copy(b.begin(), b.end(), cdb.begin());
                               const auto length = DataInLength(cdb);
                               return length ? std::to_string(*length) : "not known";
                             });
}

TEST(DeviceSession, OpeningAnotherDriveClosesTheFirstAlsoWhenTheOpenFails) {
  testing::ScriptedDrives d;
  d.provider->ids = {"a", "b"};
  d.provider->unopenable = {"b"};
  DeviceSession session(&d.drives, BuiltInSenseTable());
  EXPECT_TRUE(session.Open("a"));
  EXPECT_TRUE(session.HasDevice());
  EXPECT_FALSE(session.Open("b"));
  EXPECT_FALSE(session.HasDevice());
  EXPECT_EQ(session.OpenError(), "cannot open b");
}

// The label the platform's file system gives comes first, no command sent for it; without
// one, the disc's primary volume descriptor (after the last session's start) names it.
TEST(DeviceSession, TheVolumeLabelIsThePlatformsOrElseTheDiscsOwn) {
  Fixture d;
  DeviceSession& session = d.session;
  ASSERT_TRUE(session.HasDevice());
  d.transport->system_label = "JOLIET LONG LABEL";
  EXPECT_EQ(ReadVolumeLabel(session), "JOLIET LONG LABEL");
  EXPECT_TRUE(d.sent.empty());

  d.transport->system_label.clear();
  std::vector<std::uint8_t> pvd(2048, 0);
  const std::string head =
      std::string("\x01") + "CD001" + std::string(34, '\0') + "MY DISC" + std::string(25, ' ');
  std::copy(head.begin(), head.end(), pvd.begin());
  d.transport->responder = [&](const ScsiRequest& r) {
    return r.cdb[0] == 0xBE ? testing::Good(pvd) : testing::Good();
  };
  EXPECT_EQ(ReadVolumeLabel(session), "MY DISC");
  ASSERT_EQ(d.sent.size(), 2u);  // the sessions' TOC, then the descriptor's block
  EXPECT_EQ(ReadBe32(d.sent[1].cdb, 2), kVolumeDescriptorOffset);
}

}  // namespace
}  // namespace tamarack
