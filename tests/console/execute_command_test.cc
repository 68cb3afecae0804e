#include "console/execute_command.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "console/cdb_text.h"
#include "console/console.h"
#include "console/form_driver.h"
#include "decode/basic_commands.h"
#include "device/scripted_transport.h"
#include "golden.h"
#include "job/scripted_job_host.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;
using testing::Refused;
using testing::ScriptedReply;

// A scripted drive whose status board takes the job's status line too, and passes the sense
// dialogs on to the bench. Each run adds to `transcript` (compared with
// tests/data/decode/execute_NAME.txt) what went to the drive, the report, the status line, the
// dialogs and the decoded text.
struct Bench : testing::ScriptedSession, SessionHost {
  Bench() {
    host.status_board = &status;
    status.sense_dialogs = this;
  }
  void ShowSenseDialog(std::span<const std::uint8_t> sense) override {
    dialogs.emplace_back(sense.begin(), sense.end());
  }
  CommandReport Run(const PlanResult& p) {
    const std::size_t sent_before = sent.size(), dialogs_before = dialogs.size();
    const CommandReport rep = ExecuteCommand(session, *p.plan, host);
    for (std::size_t i = sent_before; i < sent.size(); ++i) {
      transcript += "> " + HexBytes(sent[i].cdb) +
                    StrFormat(" / dir %d buffer %zu\n", static_cast<int>(sent[i].direction),
                              sent[i].buffer.size());
    }
    transcript += StrFormat("sent %d success %d status %d request %u transferred %u received %u\n",
                            rep.sent, rep.success, static_cast<int>(rep.status), rep.request_length,
                            rep.transferred, rep.received_length) +
                  "cdb " + HexBytes(rep.sent_cdb) + "\nstatus line: " + status.status_line.Get();
    if (rep.receive_data) {
      const std::size_t n = std::min<std::size_t>(rep.receive_data->size(), 32);
      transcript += StrFormat("\nreceive data %zu: ", rep.receive_data->size()) +
                    HexBytes(std::span(*rep.receive_data).first(n));
    }
    for (std::size_t i = dialogs_before; i < dialogs.size(); ++i) {
      transcript += "\ndialog " + HexBytes(dialogs[i]);
    }
    transcript += "\noutput:\n" + PlainLines(rep.output.text) + "\n";
    return rep;
  }
  testing::ScriptedJobHost host;
  std::vector<std::vector<std::uint8_t>> dialogs;
  std::string transcript;
};

// A decoder that says what it was given: the buffer's size, the received length, the blocks
// and the two bytes where the received length ends.
DecodeOutput Remember(const DecodeInput& in) {
  DecodeOutput out;
  const std::size_t end = in.received_length;
  out.text = StrFormat("decoder: %zu bytes, received %u, %d blocks, %02x|%02x", in.data.size(),
                       in.received_length, in.transfer_blocks, ByteAt(in.data, end - 1),
                       ByteAt(in.data, end));
  return out;
}

CommandInput ReadInput(int blocks) {
  CommandInput in;
  in.row = 7;
  in.cdb = {0x28, 0, 0, 0, 0, 0x10, 0, 0, static_cast<std::uint8_t>(blocks)};
  in.transfer_blocks = blocks;
  in.direction = DataDirection::kIn;
  in.receive_request_length = 40960;
  in.decoder = &Remember;
  return in;
}

// Plans as text, in tests/data/console/plans.txt: a transfer length outside 1 to 100 stops
// with the message, 100 blocks request 265600 bytes, 0 the row's request length; a user slot
// moving data in or out needs a length (its data-in buffer is 65535 bytes), one without data
// does not; the commands that move no data request nothing whatever their row's length (a
// path without a residual would report a data-in buffer as transferred whole).
TEST(PlanCommand, LengthsAndTheirMessages) {
  std::string t;
  const auto plan = [&t](const std::string& what, const PlanResult& r) {
    t += what + ": " +
         (r.plan ? StrFormat("buffer %zu request %u", r.plan->buffer_size, r.plan->request_length)
                 : "no plan") +
         " " + r.message + "\n";
  };
  for (int n : {101, -1, 1000, 100, 0}) {
    plan("read of " + std::to_string(n), PlanCommand(ReadInput(n)));
  }
  CommandInput in;
  in.user_order = true;
  in.row = 26;
  for (const auto& [direction, length] :
       {std::pair{DataDirection::kIn, 0u}, std::pair{DataDirection::kOut, 0u},
        std::pair{DataDirection::kIn, 8u}, std::pair{DataDirection::kNone, 0u}}) {
    in.direction = direction;
    in.slot_length = length;
    plan(StrFormat("slot direction %d length %u", static_cast<int>(direction), length),
         PlanCommand(in));
  }
  Console c;
  for (const char* name :
       {"Test Unit Ready", "Start Stop Unit", "Seek", "Set CD Speed", "Pause/Resume",
        "Play Audio MSF", "Stop Play/Scan", "Read CD-ROM Capacity"}) {
    c.SelectRow(testing::RowNamed(name));
    plan(name, c.PrepareExecution(""));
  }
  testing::ExpectGoldenFile("plans.txt", t, "console");
}

// A hundred blocks request 265600 bytes filled with 5Ah, the decoder sees the rest keep the
// fill, block reads leave the receive buffer alone. A reply of the whole request has a
// received length of 0; a transport claiming more than the buffer is cut to it.
TEST(ExecuteCommand, LengthsOfTheRequestAndTheReply) {
  Bench d;
  bool filled = false;
  d.transport->responder = [&](const ScsiRequest& r) {
    filled = std::all_of(r.buffer.begin(), r.buffer.end(), [](auto b) { return b == 0x5A; });
    return Good(std::vector<std::uint8_t>(204800, 0x11));
  };
  d.Run(PlanCommand(ReadInput(100)));
  EXPECT_TRUE(filled);
  d.transport->responder = nullptr;
  d.transport->Push(Good(std::vector<std::uint8_t>(40960, 1)));
  d.Run(PlanCommand(ReadInput(0)));
  d.transport->Push(Good({1, 2, 3}));
  d.Run(PlanCommand(ReadInput(0)));
  ScriptedReply r = Good({9});
  r.result.transferred = 1u << 30;
  d.transport->Push(r);
  CommandInput in = ReadInput(0);
  in.receive_request_length = 16;
  in.decoder = &DecodeTransferredData;
  d.Run(PlanCommand(in));
  // A slot's data-in reply: the bytes transferred, not the buffer.
  d.transport->Push(Good({0x41, 0x42, 0x43}));
  in.receive_request_length = 36;
  d.Run(PlanCommand(in));
  // An editable CDB box is what is sent, not the selected row's CDB; the reply fills the
  // console's receive buffer, the rest keeps its fill.
  Console c;
  c.SelectRow(0);
  c.EnableCdbEdit();
  d.transport->Push(Good(std::vector<std::uint8_t>(2048, 0x41)));
  c.FinishExecution(d.Run(c.PrepareExecution("12 00 00 00 ff 00 00 00 00 00 00 00 ")));
  EXPECT_EQ(c.last_sent_cdb(), d.transport->sent.back().cdb);
  ASSERT_EQ(c.receive_buffer().size(), 40960u);
  EXPECT_EQ(c.receive_buffer()[2047], 0x41);
  EXPECT_EQ(c.receive_buffer()[2048], 0x5A);
  testing::ExpectGoldenFile("execute_lengths.txt", d.transcript, "decode");
}

// A typed CDB goes out byte for byte as the command its opcode names, whatever row is
// selected: that row's decoder, direction, blocks and data; an opcode no row has is read into
// the receive buffer and shown as a dump, or refused when it would send data. The note under
// the box says which. Each case of tests/data/console/typed_cdbs.txt: the row selected (a user
// slot in the user order) and the CDB typed.
TEST(Console, ATypedCdbGoesOutAsTheCommandItsOpcodeNames) {
  testing::ExpectEachInput("typed_cdbs.txt", "console", [](const std::string& line) {
    const std::string selected = line.substr(0, line.find(", typed \""));
    const std::string typed = line.substr(selected.size() + 9, line.size() - selected.size() - 10);
    Console c;
    c.SetListKind(selected.starts_with("User") ? ListKind::kUser : ListKind::kCode);
    c.SelectRow(testing::RowNamed(selected));
    c.catalogue().row(testing::RowNamed("Mode Select(10)")).out_data = {0, 0x16, 0, 0, 0, 0, 0, 0};
    c.EnableCdbEdit();
    c.TypeCdb(typed);
    std::string t = "box " + c.CdbLine() + "\n  note " + c.cdb_note();
    const PlanResult p = c.PrepareExecution(typed);
    if (!p.plan) return t + "\n  no plan: " + p.message;
    const CommandInput& in = p.plan->input;
    std::string names;
    for (const CommandEntry& e : CommandCatalogue().first(kCommandRows)) {
      if (e.behaviour->decoder == in.decoder && names.find(e.name) == names.npos) {
        names += std::string(names.empty() ? "" : "/") + e.name;
      }
    }
    EXPECT_EQ(c.current_cdb()[0], c.current_opcode()) << "the form keeps its own command";
    return t + StrFormat(
                   "\n  sent %s as row %s, decoder of %s\n  direction %d, %d blocks, buffer %zu "
                   "request %u, out %zu bytes, user order %d",
                   HexBytes(in.cdb).c_str(), c.catalogue().Name(in.row).c_str(), names.c_str(),
                   static_cast<int>(in.direction), in.transfer_blocks, p.plan->buffer_size,
                   p.plan->request_length, in.out_data.size(), in.user_order);
  });
}

// Editing the form after typing never merges the two: the form's CDB replaces the typed one,
// and the note says so with the typed bytes; the next Send is the form's command.
TEST(Console, AFormEditReplacesTheTypedCdbAndSaysSo) {
  Console c;
  c.SelectRow(testing::RowNamed("Read CD"));
  const Cdb form = c.current_cdb();
  c.EnableCdbEdit();
  c.TypeCdb("12 00 00 00 24 00 00 00 00 00 00 00");
  EXPECT_TRUE(c.has_typed_cdb());
  testing::SetText(c, "Transfer Length", "3");
  EXPECT_FALSE(c.has_typed_cdb());
  EXPECT_EQ(c.cdb_note(),
            "The form's CDB replaced the typed one (12 00 00 00 24 00 00 00 00 00 00 00)");
  EXPECT_EQ(c.current_cdb()[0], form[0]);
  EXPECT_EQ(c.CdbLine(), CdbLine(c.current_cdb()));
  const PlanResult p = c.PrepareExecution(c.CdbLine());
  ASSERT_TRUE(p.plan);
  EXPECT_EQ(p.plan->input.cdb, c.current_cdb());
  EXPECT_EQ(p.plan->input.transfer_blocks, 3);
  EXPECT_EQ(c.cdb_note(), "") << "the box shows the form's CDB again";
  // Typed again, then another command chosen: its own CDB, no note.
  c.TypeCdb("12 00 00 00 24 00");
  c.SelectRow(testing::RowNamed("Inquiry"));
  EXPECT_FALSE(c.has_typed_cdb());
  EXPECT_EQ(c.cdb_note(), "");
}

// Failures write "Command Error!?" (without a device nothing is sent); a check condition opens
// the sense dialog unless the plan says otherwise, a refusal without sense opens none.
TEST(ExecuteCommand, FailuresAndTheSenseDialog) {
  DriveDirectory none;
  DeviceSession session(&none, BuiltInSenseTable());
  JobHost host;
  const CommandReport rep = ExecuteCommand(session, *PlanCommand(ReadInput(1)).plan, host);
  EXPECT_FALSE(rep.sent);
  EXPECT_FALSE(rep.success);
  EXPECT_EQ(rep.output.text, "Command Error!?");
  Bench d;
  d.transport->Push(CheckCondition(2, 0x3A, 0x02));
  d.Run(PlanCommand(ReadInput(1)));
  d.transport->Push(Refused(TransportStatus::kRefused, "Operation not permitted", 1));
  d.Run(PlanCommand(ReadInput(1)));
  PlanResult quiet = PlanCommand(ReadInput(1));
  quiet.plan->show_sense_dialog = false;
  d.transport->Push(CheckCondition(3, 0x11, 0x00));
  d.Run(quiet);
  testing::ExpectGoldenFile("execute_failures.txt", d.transcript, "decode");
}

// Data out sends the out data and copies it to the receive buffer (the sense dialog's view of a
// Request Sense reply is tests/device's RequestSenseView).
TEST(ExecuteCommand, DataOutAndRequestSense) {
  Bench d;
  std::vector<std::uint8_t> seen;
  d.transport->responder = [&](const ScsiRequest& r) {
    seen.assign(r.buffer.begin(), r.buffer.end());
    ScriptedReply reply = Good();
    reply.result.transferred = static_cast<std::uint32_t>(r.buffer.size());
    return reply;
  };
  CommandInput in;
  in.row = 14;
  in.cdb = {0xA2, 0, 0, 0, 0, 0, 0, 0, 0, 8};
  in.direction = DataDirection::kOut;
  in.out_data = {0, 6, 3, 0, 1, 0, 1, 1};
  in.receive_request_length = 40960;
  in.decoder = &DecodeCommandSucceeded;
  d.Run(PlanCommand(in));
  EXPECT_EQ(seen, in.out_data);
  testing::ExpectGoldenFile("execute_data_out.txt", d.transcript, "decode");
}

}  // namespace
}  // namespace tamarack
