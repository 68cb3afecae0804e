// The thread that serves one drive: waits on the backstore's uio device for the kernel's
// doorbell, lets the RingServer handle the ring, and rings back when the tail moved.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "serve/ring_server.h"
#include "serve/target_config.h"

namespace tamarack::serve {

// A running worker; its destructor stops it.
class DriveWorker {
 public:
  virtual ~DriveWorker() = default;
  // Why the worker stopped on its own ("" while it runs).
  virtual std::string Error() const = 0;
};

class UioWorker final : public DriveWorker {
 public:
  // Opens and maps `uio`, then serves `transport` (which must outlive the worker) on a thread
  // of its own; null with `error` when the device cannot be opened or mapped.
  static std::unique_ptr<UioWorker> Start(const UioDevice& uio, Transport& transport, Clock& clock,
                                          RingOptions options, RingServer::Report report,
                                          std::string* error);
  ~UioWorker() override;
  std::string Error() const override;

 private:
  UioWorker(int fd, std::span<std::uint8_t> map, Transport& transport, Clock& clock,
            RingOptions options, RingServer::Report report);
  void Loop();
  void SetError(std::string error);

  int fd_;
  std::span<std::uint8_t> map_;
  RingServer ring_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::string error_;
  std::thread thread_;
};

}  // namespace tamarack::serve
