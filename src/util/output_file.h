// A file a job writes at a name the user gave: a capture, a log, a saved file, a plot.
//
// A regular file or a new name is written under a temporary name beside the target and renamed
// over it only when complete, so a file under the target's name is never half written. An
// existing target that is not a regular file (a device node such as /dev/null, a FIFO) is
// written where it is and never replaced. A symlink is followed: the file it points to gets the
// data (through a temporary file beside it), and the link stays a link.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"

namespace tamarack {

// Where the data of a write to `target` go.
struct OutputTarget {
  std::string target;   // the file that ends up holding the data (symlinks followed)
  std::string writing;  // what is opened for writing: a temporary name, or `target` in place
  bool in_place = false;
};

// Resolves `target` (symlinks followed, at most 40 deep) and chooses the temporary name
// `target + temp_suffix` for a regular file or a new name. False with the system's reason for
// a symlink loop or a folder.
bool PlanOutputTarget(const std::string& target, const std::string& temp_suffix, OutputTarget* plan,
                      std::string* error);

// Writes one output through a buffer. Errors name the file and give the system's reason
// ("/tmp/x.dat.partial: No space left on device"). Not thread-safe.
class OutputFile {
 public:
  // Files are written through `env` (a test's, to plant a full disk).
  explicit OutputFile(Env& env = Env::Default()) : env_(env) {}
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Opens the target's writing path (created or truncated; a device node or FIFO opened as it
  // is). `buffer_bytes` 0 writes every Append through at once.
  bool Open(const std::string& target, const std::string& temp_suffix, std::string* error,
            std::size_t buffer_bytes = std::size_t{256} << 10);
  // Opens the target itself (created or truncated; symlinks followed, a device node or FIFO
  // opened as it is), without a temporary file: for a file that must be readable while it
  // grows, such as the log of a long run. Commit then only writes out and closes.
  bool OpenInPlace(const std::string& target, std::string* error,
                   std::size_t buffer_bytes = std::size_t{256} << 10);
  bool Append(std::span<const std::uint8_t> bytes, std::string* error);
  bool Append(std::string_view text, std::string* error);
  // Writes out the buffer (and fsyncs a regular file) without closing.
  bool Flush(std::string* error, bool sync = false);
  // Writes out the buffer, fsyncs, closes and renames the temporary file over the target (and
  // fsyncs the folder). For an in-place target: writes out and closes.
  bool Commit(std::string* error);
  // Closes without renaming. The temporary file stays for the caller to name, or is removed.
  void Abandon(bool remove_temporary);

  bool is_open() const { return file_ != nullptr; }
  const OutputTarget& plan() const { return plan_; }
  // Bytes the system accepted (not those still buffered).
  std::uint64_t bytes_written() const { return written_; }

 private:
  bool OpenPlanned(WriteMode mode, std::size_t buffer_bytes, std::string* error);
  bool WriteAll(std::span<const std::uint8_t> bytes, std::string* error);
  bool Fail(int error_number, std::string* error);
  bool Fail(const std::string& reason, std::string* error);
  void StartWriteBack();

  // A file written through a temporary name sends its data to the disk while it grows, a few
  // MiB at a time, so the closing fsync has little left to wait for and the writer does not
  // pile up dirty pages. A file written in place (a log, a device node, a FIFO) is left alone.
  static constexpr std::uint64_t kWriteBehindBytes = std::uint64_t{8} << 20;

  Env& env_;
  OutputTarget plan_;
  std::unique_ptr<WritableFile> file_;
  std::size_t buffer_limit_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t written_ = 0;
  std::uint64_t sent_to_disk_ = 0;  // where the last write-back started
  bool failed_ = false;
};

}  // namespace tamarack
