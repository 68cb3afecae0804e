#include "serve/ring_server.h"

#include <algorithm>

#include "serve/served_command.h"
#include "util/strings.h"

namespace tamarack::serve {

RingServer::RingServer(Transport& transport, Clock& clock, RingOptions options, Report report)
    : transport_(transport), clock_(clock), options_(options), report_(std::move(report)) {}

bool RingServer::Fail(std::string error) {
  error_ = std::move(error);
  if (report_) report_("the command ring is broken: " + error_);
  return false;
}

bool RingServer::Process(std::span<std::uint8_t> map) {
  if (Broken()) return false;
  Mailbox m;
  std::string error;
  if (!ReadMailbox(map, &m, &error)) return Fail(error);
  if (!started_) {
    next_ = m.cmd_tail;
    started_ = true;
  }
  while (next_ != m.cmd_head) {
    EntryHeader h;
    if (!ReadEntryHeader(map, m, next_, &h, &error)) return Fail(error);
    switch (static_cast<EntryOp>(h.op)) {
      case EntryOp::kPad:
        break;
      case EntryOp::kCmd:
        HandleCmd(map, m, h);
        break;
      case EntryOp::kTmr:
        HandleTmr(map, m, h);
        break;
      default:
        if (report_)
          report_(StrFormat("skipped a ring entry of unknown kind %u at %u", h.op, h.at));
        break;
    }
    next_ = NextEntry(m, h);
  }
  const Clock::Duration now = clock_.Now();
  for (auto it = held_.begin(); it != held_.end();) {
    if (it->until > now) {
      ++it;
      continue;
    }
    replies_.push_back(TimeOutReply(it->cmd_id));
    it = held_.erase(it);
  }
  return PostReplies(map, m);
}

void RingServer::HandleCmd(std::span<std::uint8_t> map, const Mailbox& m, const EntryHeader& h) {
  CmdRequest request;
  std::string error;
  if (!ParseCmd(map, m, h, &request, &error)) {
    if (report_) report_(error);
    replies_.push_back(BadRequestReply(h.cmd_id));
    return;
  }
  ServedCommand served =
      ExecuteEntry(transport_, map, request, options_.command_timeout_seconds, scratch_);
  // Held back, the command makes the kernel's error handler run, as a real drive that never
  // answers does; the abort that follows completes it. Holding needs out-of-order completion.
  if (served.timed_out && (m.flags & kOutOfOrderCap) != 0) {
    held_.push_back({request.cmd_id, clock_.Now() + options_.hold_limit});
    return;
  }
  replies_.push_back(std::move(served.reply));
}

void RingServer::HandleTmr(std::span<std::uint8_t> map, const Mailbox& m, const EntryHeader& h) {
  TmrRequest tmr;
  std::string error;
  if (!ParseTmr(map, m, h, &tmr, &error)) {
    if (report_) report_(error);
    return;
  }
  // Only held commands can still be open; the kernel ignores the status of an aborted one.
  for (std::uint16_t id : tmr.cmd_ids) {
    auto it =
        std::find_if(held_.begin(), held_.end(), [id](const Held& x) { return x.cmd_id == id; });
    if (it == held_.end()) continue;
    replies_.push_back(TimeOutReply(id));
    held_.erase(it);
  }
}

bool RingServer::PostReplies(std::span<std::uint8_t> map, const Mailbox& m) {
  std::uint32_t tail = m.cmd_tail;
  bool moved = false;
  std::string error;
  while (tail != next_) {
    EntryHeader h;
    if (!ReadEntryHeader(map, m, tail, &h, &error)) return Fail(error);
    if (h.op == static_cast<std::uint8_t>(EntryOp::kCmd)) {
      if (replies_.empty()) break;
      WriteReply(map, m, h, replies_.front());
      replies_.pop_front();
    }
    tail = NextEntry(m, h);
    moved = true;
  }
  if (moved) WriteTail(map, tail);
  return moved;
}

}  // namespace tamarack::serve
