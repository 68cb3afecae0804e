#include "serve/ring_server.h"

#include <algorithm>
#include <atomic>

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
  static const std::atomic<bool> kNeverStop{false};
  return Process(map, kNeverStop);
}

bool RingServer::Process(std::span<std::uint8_t> map, const std::atomic<bool>& stop) {
  if (Broken()) return false;
  Mailbox m;
  std::string error;
  if (!ReadMailbox(map, &m, &error)) return Fail(error);
  if (!started_) {
    next_ = m.cmd_tail;
    ring_off_ = m.cmdr_off;
    ring_size_ = m.cmdr_size;
    started_ = true;
  }
  if (m.cmdr_off != ring_off_ || m.cmdr_size != ring_size_) {
    return Fail(StrFormat("the ring moved from offset %u, %u bytes to offset %u, %u bytes",
                          ring_off_, ring_size_, m.cmdr_off, m.cmdr_size));
  }
  // Between the tail and the head lie the entries taken but not answered, then the new ones;
  // the kernel never adds entries over those still open.
  if (RingDistance(m, m.cmd_tail, next_) > RingDistance(m, m.cmd_tail, m.cmd_head)) {
    return Fail(StrFormat("the ring's head %u lies among the open entries (tail %u, next %u)",
                          m.cmd_head, m.cmd_tail, next_));
  }
  // The walk covers exactly the bytes up to the head: an entry that would pass it (one that
  // loops back to itself, say) makes the ring corrupt, so no entry is run twice and the walk
  // always ends. A stop request ends it between two entries.
  std::uint32_t left = RingDistance(m, next_, m.cmd_head);
  while (left > 0 && !stop.load(std::memory_order_relaxed)) {
    EntryHeader h;
    if (!ReadEntryHeader(map, m, next_, &h, &error)) return Fail(error);
    if (h.length > left) {
      return Fail(StrFormat("the entry at %u claims %u bytes, past the ring's head %u", h.at,
                            h.length, m.cmd_head));
    }
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
    left -= h.length;
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
  std::uint32_t left = RingDistance(m, tail, next_);
  bool moved = false;
  std::string error;
  while (left > 0) {
    EntryHeader h;
    if (!ReadEntryHeader(map, m, tail, &h, &error)) return Fail(error);
    // The walk checked these entries; one that changed since is no longer the kernel's.
    if (h.length > left) {
      return Fail(
          StrFormat("the entry at %u changed to %u bytes after it was taken", h.at, h.length));
    }
    if (h.op == static_cast<std::uint8_t>(EntryOp::kCmd)) {
      if (replies_.empty()) break;
      WriteReply(map, m, h, replies_.front());
      replies_.pop_front();
    }
    left -= h.length;
    tail = NextEntry(m, h);
    moved = true;
  }
  if (moved) WriteTail(map, tail);
  return moved;
}

}  // namespace tamarack::serve
