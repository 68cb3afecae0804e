#include "util/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tamarack {

namespace {

std::string Reason(int error_number) { return std::strerror(error_number); }

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

OutputFile::~OutputFile() = default;

bool OutputFile::Fail(int error_number, std::string* error) {
  return Fail(Reason(error_number), error);
}

bool OutputFile::Fail(const std::string& reason, std::string* error) {
  failed_ = true;
  if (error) *error = plan_.writing + ": " + reason;
  return false;
}

bool OutputFile::Open(const std::string& target, const std::string& temp_suffix, std::string* error,
                      std::size_t buffer_bytes) {
  if (!PlanOutputTarget(target, temp_suffix, &plan_, error)) return false;
  return OpenPlanned(plan_.in_place ? WriteMode::kExisting : WriteMode::kCreateOrTruncate,
                     buffer_bytes, error);
}

bool OutputFile::OpenInPlace(const std::string& target, std::string* error,
                             std::size_t buffer_bytes) {
  if (!PlanOutputTarget(target, "", &plan_, error)) return false;
  // A special file keeps its node; a regular file or a new name is truncated or created.
  const WriteMode mode = plan_.in_place ? WriteMode::kExisting : WriteMode::kCreateOrTruncate;
  plan_.in_place = true;
  plan_.writing = plan_.target;
  return OpenPlanned(mode, buffer_bytes, error);
}

bool OutputFile::OpenPlanned(WriteMode mode, std::size_t buffer_bytes, std::string* error) {
  std::string reason;
  file_ = env_.OpenWritable(plan_.writing, mode, &reason);
  if (!file_) return Fail(reason, error);
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
    std::string reason;
    const std::size_t n = file_->Write(bytes, &reason);
    if (n == 0) return Fail(reason, error);
    written_ += n;
    bytes = bytes.subspan(n);
  }
  if (!plan_.in_place && written_ - sent_to_disk_ >= kWriteBehindBytes) StartWriteBack();
  return true;
}

void OutputFile::StartWriteBack() {
  // Only a start: the closing fsync still waits for the data and reports any failure.
  file_->StartWriteBack(sent_to_disk_, written_ - sent_to_disk_);
  sent_to_disk_ = written_;
}

[[gnu::hot]] bool OutputFile::Append(std::span<const std::uint8_t> bytes, std::string* error) {
  if (!file_ || failed_) return Fail(EBADF, error);
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
  if (!file_) return Fail(EBADF, error);
  const bool ok = WriteAll(buffer_, error);
  buffer_.clear();
  if (!ok) return false;
  std::string reason;
  if (sync && !plan_.in_place && !file_->Sync(&reason)) return Fail(reason, error);
  return true;
}

bool OutputFile::Commit(std::string* error) {
  if (!file_ || failed_) return Fail(EBADF, error);
  if (!Flush(error, true)) return false;
  std::string reason;
  const bool closed = file_->Close(&reason);
  file_.reset();
  if (!closed) return Fail(reason, error);
  if (plan_.in_place) return true;
  if (!env_.Rename(plan_.writing, plan_.target, &reason)) {
    failed_ = true;
    if (error) *error = plan_.target + ": " + reason;
    return false;
  }
  env_.SyncFolder(std::filesystem::path(plan_.target).parent_path().string());
  return true;
}

void OutputFile::Abandon(bool remove_temporary) {
  file_.reset();
  buffer_.clear();
  if (remove_temporary && !plan_.in_place && !plan_.writing.empty()) env_.Remove(plan_.writing);
}

}  // namespace tamarack
