// One served drive's side of the ring: walks the entries the kernel added, runs each command
// on the drive, answers task management, and moves the tail. Knows nothing of the uio device,
// so tests drive it over a map of their own.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/transport.h"
#include "serve/tcmu_ring.h"

namespace tamarack::serve {

struct RingOptions {
  // The time-out each command gets on the drive.
  std::uint32_t command_timeout_seconds = 20;
  // How long a command the drive never answered is held back for the kernel's error handler
  // (which aborts it); past this it is answered with a time-out. Longer than the initiators'
  // own time-outs (the sr driver's 30 s, sg's default 60 s).
  Clock::Duration hold_limit = std::chrono::seconds(120);
};

class RingServer {
 public:
  using Report = std::function<void(const std::string&)>;
  RingServer(Transport& transport, Clock& clock, RingOptions options, Report report);

  // Handles every entry between the last one seen and the kernel's head, answers held commands
  // whose time is up, and writes the replies. True when the tail moved (the kernel is to be
  // told). A ring that cannot be walked (an entry that passes the head, a head among the open
  // entries, a ring that moved) sets Broken() and ends all work on it. `stop` is read before
  // each entry: once set, the walk ends there and the replies so far are posted; the next call
  // goes on from that entry.
  bool Process(std::span<std::uint8_t> map);
  bool Process(std::span<std::uint8_t> map, const std::atomic<bool>& stop);

  bool Broken() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }
  std::size_t HeldCount() const { return held_.size(); }

 private:
  struct Held {
    std::uint16_t cmd_id;
    Clock::Duration until;
  };
  bool Fail(std::string error);
  void HandleCmd(std::span<std::uint8_t> map, const Mailbox& m, const EntryHeader& h);
  void HandleTmr(std::span<std::uint8_t> map, const Mailbox& m, const EntryHeader& h);
  bool PostReplies(std::span<std::uint8_t> map, const Mailbox& m);

  Transport& transport_;
  Clock& clock_;
  RingOptions options_;
  Report report_;
  bool started_ = false;
  std::uint32_t ring_off_ = 0;   // where the ring lay when the walks began
  std::uint32_t ring_size_ = 0;  // and its size
  std::uint32_t next_ = 0;       // the next entry to read
  std::vector<Held> held_;
  std::deque<Reply> replies_;  // waiting for a CMD slot at the tail
  std::vector<std::uint8_t> scratch_;
  std::string error_;
};

}  // namespace tamarack::serve
