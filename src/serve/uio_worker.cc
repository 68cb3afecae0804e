#include "serve/uio_worker.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tamarack::serve {

namespace {

// How often the worker looks at its stop flag and at held commands.
constexpr int kPollMilliseconds = 100;

}  // namespace

std::unique_ptr<UioWorker> UioWorker::Start(const UioDevice& uio, Transport& transport,
                                            Clock& clock, RingOptions options,
                                            RingServer::Report report, std::string* error) {
  const int fd = ::open(uio.path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot open " + uio.path + ": " + std::strerror(errno);
    return nullptr;
  }
  void* map = ::mmap(nullptr, uio.map_size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) {
    *error = "cannot map " + uio.path + ": " + std::strerror(errno);
    ::close(fd);
    return nullptr;
  }
  std::span<std::uint8_t> bytes(static_cast<std::uint8_t*>(map), uio.map_size);
  return std::unique_ptr<UioWorker>(
      new UioWorker(fd, bytes, transport, clock, options, std::move(report)));
}

UioWorker::UioWorker(int fd, std::span<std::uint8_t> map, Transport& transport, Clock& clock,
                     RingOptions options, RingServer::Report report)
    : fd_(fd), map_(map), ring_(transport, clock, options, std::move(report)) {
  thread_ = std::thread([this] { Loop(); });
}

UioWorker::~UioWorker() {
  stop_ = true;
  thread_.join();
  ::munmap(map_.data(), map_.size());
  ::close(fd_);
}

std::string UioWorker::Error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void UioWorker::SetError(std::string error) {
  std::lock_guard lock(mutex_);
  error_ = std::move(error);
}

void UioWorker::Loop() {
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, kPollMilliseconds);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return SetError(std::string("waiting for the kernel: ") + std::strerror(errno));
    if (ready > 0) {
      if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        return SetError("the kernel removed the uio device");
      }
      // The doorbell: a count of the kernel's notifications.
      std::uint32_t count = 0;
      if (::read(fd_, &count, sizeof count) < 0 && errno != EINTR && errno != EAGAIN) {
        return SetError(std::string("reading the uio device: ") + std::strerror(errno));
      }
    }
    // Also without a doorbell: held commands may have run out of time.
    const bool moved = ring_.Process(map_, stop_);
    if (ring_.Broken()) return SetError("the command ring is broken: " + ring_.Error());
    if (moved) {
      const std::uint32_t one = 1;
      if (::write(fd_, &one, sizeof one) < 0 && errno != EINTR) {
        return SetError(std::string("notifying the kernel: ") + std::strerror(errno));
      }
    }
  }
}

}  // namespace tamarack::serve
