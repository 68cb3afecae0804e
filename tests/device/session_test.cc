#include "device/device_session.h"

#include <gtest/gtest.h>

#include "device/scripted_transport.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::Refused;
using testing::ScriptedProvider;

using Fixture = testing::ScriptedSession;

class RecordingHost : public SessionHost {
 public:
  void ShowSenseDialog(std::span<const std::uint8_t> sense) override {
    shown.assign(sense.begin(), sense.end());
  }
  std::vector<std::uint8_t> shown;
};

TEST(SendScsiCommand, WithoutADeviceReturnsFalseSilentlyAndLeavesTransferredAlone) {
  DriveDirectory none;
  DeviceSession session(&none, BuiltInSenseTable());
  session.status_line.Set("before");
  std::uint32_t transferred = 1234;
  std::vector<std::uint8_t> buf(8);
  EXPECT_FALSE(SendScsiCommand(session, MakeCdb({0x00}), buf, false, &transferred, false));
  EXPECT_EQ(transferred, 1234u);
  EXPECT_EQ(session.status_line.Get(), "before");
  EXPECT_EQ(session.last_error_text.Get(), "");
}

TEST(SendScsiCommand, GoodCommandReturnsTrueAndLeavesTheStatusLineToTheCaller) {
  Fixture f;
  f.session.status_line.Set("caller text");
  f.transport->Push(Good({1, 2, 3}));
  std::vector<std::uint8_t> buf(16);
  std::uint32_t transferred = 0;
  EXPECT_TRUE(
      SendScsiCommand(f.session, MakeCdb({0x12, 0, 0, 0, 16}), buf, false, &transferred, false));
  EXPECT_EQ(transferred, 3u);
  EXPECT_EQ(buf[2], 3);
  EXPECT_EQ(f.session.status_line.Get(), "caller text");
  ASSERT_EQ(f.transport->sent.size(), 1u);
  EXPECT_EQ(f.transport->sent[0].direction, DataDirection::kIn);
  EXPECT_EQ(f.transport->sent[0].timeout_seconds, 7u);
}

TEST(SendScsiCommand, ZeroLengthGoesAsDataInAndDataOutWithTheSessionTimeout) {
  Fixture f;
  std::uint32_t transferred = 99;
  EXPECT_TRUE(SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, &transferred, false));
  EXPECT_EQ(f.transport->sent[0].direction, DataDirection::kIn);
  EXPECT_EQ(f.transport->sent[0].buffer.size(), 0u);
  EXPECT_EQ(transferred, 0u);
  f.session.command_timeout = 30;
  std::vector<std::uint8_t> params(8, 0);
  EXPECT_TRUE(SendScsiCommand(f.session, MakeCdb({0x55, 0x10}), params, true, nullptr, false));
  ASSERT_EQ(f.transport->sent.size(), 2u);
  EXPECT_EQ(f.transport->sent[1].direction, DataDirection::kOut);
  EXPECT_EQ(f.transport->sent[1].timeout_seconds, 30u);
}

TEST(SendScsiCommand, EverySenseResponseCodeWithItsTopBitOrNotIsACheckCondition) {
  const std::uint8_t codes[] = {0x70, 0x71, 0x7F, 0xF0};
  for (std::uint8_t code : codes) {
    Fixture f;
    f.transport->Push(CheckCondition(2, 0x3A, 0x01, code));
    EXPECT_FALSE(SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, nullptr, false)) << +code;
    EXPECT_EQ(f.session.status_line.Get(), "Error Notified( MEDIUM NOT PRESENT - TRAY CLOSED).");
    EXPECT_EQ(f.session.last_error_text.Get(), f.session.status_line.Get());
  }
}

TEST(SendScsiCommand, DescriptorFormatSenseIsACheckConditionReadFromItsOwnLayout) {
  Fixture f;
  f.transport->Push(testing::WithSense({0x72, 0x03, 0x11, 0x00, 0, 0, 0, 0}));
  const CommandOutcome out = f.session.Run(MakeCdb({0x28}), {}, false, false);
  EXPECT_EQ(out.status, CommandStatus::kCheckCondition);
  EXPECT_EQ(f.session.status_line.Get(), "Error Notified( UNRECOVERED READ ERROR).");
}

TEST(SendScsiCommand, BadStatusWithoutSenseAndAnUnknownSenseAreFailures) {
  Fixture f;
  testing::ScriptedReply busy = Good();
  busy.result.scsi_status = 0x08;
  f.transport->Push(busy);
  EXPECT_FALSE(SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, nullptr, false));
  EXPECT_EQ(f.session.status_line.Get(),
            "Error Notified(SCSI status 08h BUSY without sense data).");
  // A sense key and code the table does not know: nothing between the parentheses.
  f.transport->Push(CheckCondition(9, 0xEE, 0xEE));
  EXPECT_FALSE(SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, nullptr, false));
  EXPECT_EQ(f.session.status_line.Get(), "Error Notified().");
}

TEST(SendScsiCommand, RefusedRequestShowsThePlatformTextAndKeepsTheRequestedCount) {
  Fixture f;
  testing::ScriptedReply refused = Refused(TransportStatus::kRefused, "Operation not permitted", 1);
  refused.result.transferred = 4096;
  refused.result.advice = "Run as root.";
  f.transport->Push(refused);
  std::vector<std::uint8_t> buf(4096);
  std::uint32_t transferred = 0;
  EXPECT_FALSE(SendScsiCommand(f.session, MakeCdb({0xBD}), buf, false, &transferred, false));
  EXPECT_EQ(transferred, 4096u);
  EXPECT_EQ(f.session.status_line.Get(), "Error Notified(Operation not permitted)");
  EXPECT_EQ(f.session.last_error_text.Get(),
            "Error Notified(Operation not permitted) Run as root.");
}

TEST(SendScsiCommand, TransportFailureWithoutSenseIsRefusedNotSuccess) {
  Fixture f;
  f.transport->Push(Refused(TransportStatus::kTransportError, "Transport failure: bus was reset"));
  f.transport->Push(Refused(TransportStatus::kTimedOut, ""));
  EXPECT_FALSE(SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, nullptr, false));
  EXPECT_EQ(f.session.status_line.Get(), "Error Notified(Transport failure: bus was reset)");
  EXPECT_FALSE(SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, nullptr, false));
  EXPECT_EQ(f.session.status_line.Get(), "Error Notified(Error Undefine)");
}

TEST(SendScsiCommand, TheNextCommandStartsWithAnEmptyLastErrorText) {
  Fixture f;
  f.transport->Push(CheckCondition(3, 0x11, 0x00));
  EXPECT_FALSE(SendScsiCommand(f.session, MakeCdb({0x28}), {}, false, nullptr, false));
  EXPECT_NE(f.session.last_error_text.Get(), "");
  EXPECT_TRUE(SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, nullptr, false));
  EXPECT_EQ(f.session.last_error_text.Get(), "");
}

TEST(SendScsiCommand, TheSenseDialogOpensOnlyWhenAsked) {
  Fixture f;
  RecordingHost host;
  f.session.host = &host;
  f.transport->Push(CheckCondition(5, 0x24, 0x00));
  SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, nullptr, false);
  EXPECT_TRUE(host.shown.empty());
  f.transport->Push(CheckCondition(5, 0x24, 0x00));
  SendScsiCommand(f.session, MakeCdb({0x00}), {}, false, nullptr, true);
  ASSERT_EQ(host.shown.size(), 24u);
  EXPECT_EQ(host.shown[12], 0x24);
}

TEST(IssueCdb, ClearsTheResponseBufferBeyondTheTransferredCount) {
  Fixture f;
  std::fill(f.session.response_buffer.begin(), f.session.response_buffer.end(), 0xEE);
  // A driver that claims fewer bytes than it wrote.
  testing::ScriptedReply reply = Good(std::vector<std::uint8_t>(64, 0x11));
  reply.result.transferred = 36;
  f.transport->Push(reply);
  std::uint32_t transferred = 0;
  Cdb copy{};
  const Cdb cdb = MakeCdb({0x12, 0, 0, 0, 0xFF});
  EXPECT_TRUE(IssueCdb(f.session, cdb, &transferred, &copy));
  EXPECT_EQ(transferred, 36u);
  EXPECT_EQ(copy, cdb);
  EXPECT_EQ(f.transport->sent[0].buffer.size(), kResponseBufferSize);
  EXPECT_EQ(f.session.response_buffer[35], 0x11);
  for (std::size_t i = 36; i < kResponseBufferSize; ++i) {
    ASSERT_EQ(f.session.response_buffer[i], 0) << i;
  }
}

TEST(IssueCdb, CopiesTheCdbEvenWhenTheCommandFails) {
  DriveDirectory none;
  DeviceSession session(&none, BuiltInSenseTable());
  Cdb copy{};
  EXPECT_FALSE(IssueCdb(session, MakeCdb({0x43, 1}), nullptr, &copy));
  EXPECT_EQ(copy[0], 0x43);
  EXPECT_EQ(copy[1], 1);
}

TEST(DeviceSession, OpeningAnotherDriveClosesTheFirstAlsoWhenTheOpenFails) {
  auto provider = std::make_unique<ScriptedProvider>();
  provider->ids = {"a", "b"};
  provider->unopenable = {"b"};
  DriveDirectory drives;
  drives.AddProvider(std::move(provider));
  DeviceSession session(&drives, BuiltInSenseTable());
  EXPECT_TRUE(session.Open("a"));
  EXPECT_TRUE(session.HasDevice());
  EXPECT_FALSE(session.Open("b"));
  EXPECT_FALSE(session.HasDevice());
  EXPECT_EQ(session.OpenError(), "cannot open b");
}

}  // namespace
}  // namespace tamarack
