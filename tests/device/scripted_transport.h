// A test double: a transport that answers from a script and records what it was sent.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "device/drive_directory.h"
#include "device/sense_table.h"
#include "device/status_board.h"
#include "device/transport.h"
#include "util/strings.h"

namespace tamarack::testing {

struct ScriptedReply {
  ScsiResult result;
  std::vector<std::uint8_t> data;  // copied into a data-in buffer (cut to its size)
};

inline ScriptedReply Good(std::vector<std::uint8_t> data = {}) {
  ScriptedReply r;
  r.result.status = TransportStatus::kCompleted;
  r.result.transferred = static_cast<std::uint32_t>(data.size());
  r.data = std::move(data);
  return r;
}

inline ScriptedReply WithSense(std::vector<std::uint8_t> sense) {
  ScriptedReply r;
  r.result.status = TransportStatus::kCompleted;
  r.result.scsi_status = 0x02;
  std::copy_n(sense.begin(), std::min(sense.size(), r.result.sense.size()), r.result.sense.begin());
  r.result.sense_length =
      static_cast<std::uint8_t>(std::min<std::size_t>(sense.size(), kSenseSize));
  return r;
}

// Fixed-format sense data with the given key, ASC and ASCQ.
inline ScriptedReply CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                                    std::uint8_t response_code = 0x70) {
  std::vector<std::uint8_t> s(18, 0);
  s[0] = response_code;
  s[2] = key;
  s[7] = 10;
  s[12] = asc;
  s[13] = ascq;
  return WithSense(s);
}

inline ScriptedReply Refused(TransportStatus status, std::string reason, int os_error = 0) {
  ScriptedReply r;
  r.result.status = status;
  r.result.reason = std::move(reason);
  r.result.os_error = os_error;
  return r;
}

// A result on one line: its status and count, its sense length and bytes (up to the last one
// not zero), the system's error number and the reason where there are any.
inline std::string ResultText(const ScsiResult& r) {
  const char* const status[] = {"refused", "timed out", "transport error", "completed"};
  std::string t = std::string(status[static_cast<int>(r.status)]) + ", " +
                  std::to_string(r.transferred) + " bytes";
  if (r.sense_length > 0) {
    std::size_t n = std::min<std::size_t>(r.sense_length, r.sense.size());
    while (n > 0 && r.sense[n - 1] == 0) --n;
    t += ", sense " + std::to_string(r.sense_length) + ": " + HexBytes(std::span(r.sense).first(n));
  }
  if (r.os_error != 0) t += ", os error " + std::to_string(r.os_error);
  return r.reason.empty() ? t : t + ", \"" + r.reason + "\"";
}

class ScriptedTransport final : public Transport {
 public:
  explicit ScriptedTransport(std::string id = "scripted") : id_(std::move(id)) {}

  void Push(ScriptedReply reply) { replies_.push_back(std::move(reply)); }
  // Called for every request when the script is empty.
  std::function<ScriptedReply(const ScsiRequest&)> responder;

  ScsiResult Execute(const ScsiRequest& request) override {
    sent.push_back(request);
    if (log) log->push_back(request);
    ScriptedReply reply;
    if (!replies_.empty()) {
      reply = std::move(replies_.front());
      replies_.pop_front();
    } else if (responder) {
      reply = responder(request);
    } else {
      reply = Good();
    }
    if (request.direction == DataDirection::kIn) {
      const std::size_t n = std::min(reply.data.size(), request.buffer.size());
      std::copy_n(reply.data.begin(), n, request.buffer.begin());
    }
    return reply.result;
  }
  bool GetAddress(ScsiAddress* address) override {
    *address = address_value;
    return true;
  }
  std::string Id() const override { return id_; }
  std::string SystemVolumeLabel() const override { return system_label; }

  std::vector<ScsiRequest> sent;
  std::string system_label;
  // Also records here when set: outlives the transport (whose owner may close it).
  std::vector<ScsiRequest>* log = nullptr;
  ScsiAddress address_value{1, 2, 3, 4};

 private:
  std::string id_;
  std::deque<ScriptedReply> replies_;
};

// A provider whose drives are scripted transports made by `factory`, or that fail to open.
class ScriptedProvider final : public DriveProvider {
 public:
  std::vector<std::string> ids;
  std::vector<std::string> unopenable;
  std::function<std::unique_ptr<ScriptedTransport>(const std::string&)> factory;
  std::vector<std::string> opened;  // ids in open order

  std::vector<std::string> ListDrives() override { return ids; }
  bool Handles(std::string_view) const override { return true; }
  OpenResult Open(std::string_view id) override {
    OpenResult r;
    opened.emplace_back(id);
    if (std::find(unopenable.begin(), unopenable.end(), id) != unopenable.end()) {
      r.error = "cannot open " + std::string(id);
      return r;
    }
    r.transport = factory ? factory(std::string(id)) : std::make_unique<ScriptedTransport>();
    return r;
  }
};

// Drives whose every open is a new scripted transport that answers from `script` and records
// into `sent` (which outlives the transports: their owners may close them).
struct ScriptedDrives {
  ScriptedDrives() {
    auto p = std::make_unique<ScriptedProvider>();
    provider = p.get();
    p->factory = [this](const std::string& id) {
      auto t = std::make_unique<ScriptedTransport>(id);
      for (auto& r : script) t->Push(r);
      t->log = &sent;
      transport = t.get();
      return t;
    };
    drives.AddProvider(std::move(p));
  }
  DriveDirectory drives;
  ScriptedProvider* provider = nullptr;
  std::vector<ScriptedReply> script;
  std::vector<ScsiRequest> sent;
  ScriptedTransport* transport = nullptr;  // the one opened last, while its owner holds it
};

// A session opened on one scripted drive "d0" that answers `replies` first.
struct ScriptedSession : ScriptedDrives {
  explicit ScriptedSession(std::vector<ScriptedReply> replies = {}) {
    script = std::move(replies);
    provider->ids = {"d0"};
    session.SetHost(&status);
    session.Open("d0");
  }
  StatusBoard status;  // the session's host
  DeviceSession session{&drives, BuiltInSenseTable()};
};

}  // namespace tamarack::testing
