#include "device/trace_transport.h"

#include <chrono>

namespace tamarack {

TraceTransport::TraceTransport(std::unique_ptr<Transport> inner,
                               std::shared_ptr<CommandTrace> trace)
    : inner_(std::move(inner)), trace_(std::move(trace)) {}

[[gnu::hot]] ScsiResult TraceTransport::Execute(const ScsiRequest& request) {
  if (!trace_->Observed()) return inner_->Execute(request);
  const auto started = std::chrono::system_clock::now();
  ScsiResult result = inner_->Execute(request);
  trace_->Record(started, inner_->Id(), request, result);
  return result;
}

}  // namespace tamarack
