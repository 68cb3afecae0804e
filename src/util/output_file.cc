#include "util/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tamarack {

namespace {

std::string Reason(int error_number) { return std::strerror(error_number); }

void SyncFolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

}  // namespace

bool PlanOutputTarget(const std::string& target, const std::string& temp_suffix, OutputTarget* plan,
                      std::string* error) {
  namespace fs = std::filesystem;
  fs::path path = target;
  std::error_code ec;
  for (int depth = 0;; ++depth) {
    const fs::file_status link = fs::symlink_status(path, ec);
    if (link.type() != fs::file_type::symlink) break;
    if (depth == 40) {
      if (error) *error = target + ": " + Reason(ELOOP);
      return false;
    }
    const fs::path to = fs::read_symlink(path, ec);
    if (ec) {
      if (error) *error = target + ": " + ec.message();
      return false;
    }
    path = to.is_absolute() ? to : path.parent_path() / to;
  }
  plan->target = path.string();
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::directory) {
    if (error) *error = target + ": " + Reason(EISDIR);
    return false;
  }
  plan->in_place = st.type() != fs::file_type::not_found && st.type() != fs::file_type::regular &&
                   st.type() != fs::file_type::none && st.type() != fs::file_type::unknown;
  plan->writing = plan->in_place ? plan->target : plan->target + temp_suffix;
  return true;
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool OutputFile::Fail(int error_number, std::string* error) {
  failed_ = true;
  if (error) *error = plan_.writing + ": " + Reason(error_number);
  return false;
}

bool OutputFile::Open(const std::string& target, const std::string& temp_suffix, std::string* error,
                      std::size_t buffer_bytes) {
  if (!PlanOutputTarget(target, temp_suffix, &plan_, error)) return false;
  const int flags =
      plan_.in_place ? O_WRONLY | O_CLOEXEC : O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
  return OpenPlanned(flags, buffer_bytes, error);
}

bool OutputFile::OpenInPlace(const std::string& target, std::string* error,
                             std::size_t buffer_bytes) {
  if (!PlanOutputTarget(target, "", &plan_, error)) return false;
  // A special file keeps its node; a regular file or a new name is truncated or created.
  const int flags =
      plan_.in_place ? O_WRONLY | O_CLOEXEC : O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
  plan_.in_place = true;
  plan_.writing = plan_.target;
  return OpenPlanned(flags, buffer_bytes, error);
}

bool OutputFile::OpenPlanned(int flags, std::size_t buffer_bytes, std::string* error) {
  // A FIFO no process reads would block open() for good (and the signals that should stop the
  // job with it): opened without blocking, it fails at once instead, and writes block again.
  fd_ = ::open(plan_.writing.c_str(), flags | (plan_.in_place ? O_NONBLOCK : 0), 0666);
  if (fd_ < 0) {
    const int why = errno;
    failed_ = true;
    if (error) {
      *error = plan_.writing + ": " +
               (why == ENXIO ? std::string("no process reads the FIFO") : Reason(why));
    }
    return false;
  }
  if (plan_.in_place) {
    const int status = ::fcntl(fd_, F_GETFL);
    if (status < 0 || ::fcntl(fd_, F_SETFL, status & ~O_NONBLOCK) != 0) {
      const int why = errno;
      ::close(fd_);
      fd_ = -1;
      return Fail(why, error);
    }
  }
  buffer_limit_ = buffer_bytes;
  buffer_.clear();
  buffer_.reserve(buffer_limit_);
  written_ = 0;
  sent_to_disk_ = 0;
  failed_ = false;
  return true;
}

[[gnu::hot]] bool OutputFile::WriteAll(std::span<const std::uint8_t> bytes, std::string* error) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail(n < 0 ? errno : ENOSPC, error);
    written_ += static_cast<std::uint64_t>(n);
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  if (!plan_.in_place && written_ - sent_to_disk_ >= kWriteBehindBytes) StartWriteBack();
  return true;
}

void OutputFile::StartWriteBack() {
#ifdef SYNC_FILE_RANGE_WRITE
  // Only a start: the closing fsync still waits for the data and reports any failure.
  ::sync_file_range(fd_, static_cast<off_t>(sent_to_disk_),
                    static_cast<off_t>(written_ - sent_to_disk_), SYNC_FILE_RANGE_WRITE);
#endif
  sent_to_disk_ = written_;
}

[[gnu::hot]] bool OutputFile::Append(std::span<const std::uint8_t> bytes, std::string* error) {
  if (fd_ < 0 || failed_) return Fail(EBADF, error);
  if (buffer_.size() + bytes.size() > buffer_limit_ && !buffer_.empty() && !Flush(error)) {
    return false;
  }
  if (bytes.size() >= buffer_limit_) return WriteAll(bytes, error);
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  return true;
}

bool OutputFile::Append(std::string_view text, std::string* error) {
  return Append(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size()),
                error);
}

bool OutputFile::Flush(std::string* error, bool sync) {
  if (fd_ < 0) return Fail(EBADF, error);
  const bool ok = WriteAll(buffer_, error);
  buffer_.clear();
  if (!ok) return false;
  if (sync && !plan_.in_place && ::fsync(fd_) != 0) return Fail(errno, error);
  return true;
}

bool OutputFile::Commit(std::string* error) {
  if (fd_ < 0 || failed_) return Fail(EBADF, error);
  if (!Flush(error, true)) return false;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return Fail(errno, error);
  if (plan_.in_place) return true;
  if (::rename(plan_.writing.c_str(), plan_.target.c_str()) != 0) {
    const int e = errno;
    failed_ = true;
    if (error) *error = plan_.target + ": " + Reason(e);
    return false;
  }
  SyncFolderOf(plan_.target);
  return true;
}

void OutputFile::Abandon(bool remove_temporary) {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  buffer_.clear();
  if (remove_temporary && !plan_.in_place && !plan_.writing.empty()) {
    ::unlink(plan_.writing.c_str());
  }
}

}  // namespace tamarack
