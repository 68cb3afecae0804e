// A Transport decorator that records every command of the drive it wraps in a CommandTrace.
#pragma once

#include <memory>
#include <string>

#include "device/command_trace.h"
#include "device/transport.h"

namespace tamarack {

// Passes everything to the wrapped transport and, while `trace` is started, writes one line
// per command after it ends. Used by one thread at a time, like any Transport; the shared
// trace serialises its writes.
class TraceTransport final : public Transport {
 public:
  TraceTransport(std::unique_ptr<Transport> inner, std::shared_ptr<CommandTrace> trace);

  ScsiResult Execute(const ScsiRequest& request) override;
  bool GetAddress(ScsiAddress* address) override { return inner_->GetAddress(address); }
  std::string Id() const override { return inner_->Id(); }
  bool Writable() const override { return inner_->Writable(); }
  std::string SystemVolumeLabel() const override { return inner_->SystemVolumeLabel(); }

 private:
  std::unique_ptr<Transport> inner_;
  std::shared_ptr<CommandTrace> trace_;
};

}  // namespace tamarack
