#include "refdata/reference_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// Large enough to spare system calls, small enough that the data are still in the processor's
// cache when the kernel copies them (1 MiB writes measured slower than 256 KiB ones).
constexpr std::size_t kWriteBufferSize = std::size_t{256} << 10;
// Progress and the LBA text at most this often (and always at a phase's first and last block).
constexpr Clock::Duration kReportPeriod = std::chrono::milliseconds(100);

std::string ErrorText(int error) {
  return std::error_code(error, std::generic_category()).message();
}

int AsInt(std::uint64_t v) { return static_cast<int>(static_cast<std::uint32_t>(v)); }

// The file a capture writes, through one large buffer; fsynced before it is closed.
class FileWriter {
 public:
  FileWriter() = default;
  ~FileWriter() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  bool Open(const std::string& path, std::string* error) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      *error = ErrorText(errno);
      return false;
    }
    buffer_.reserve(kWriteBufferSize);
    return true;
  }

  bool Append(std::span<const std::uint8_t> bytes, std::string* error) {
    if (buffer_.size() + bytes.size() > kWriteBufferSize && !Flush(error)) return false;
    if (bytes.size() >= kWriteBufferSize) return WriteAll(bytes, error);
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
  }

  // Writes what is buffered, waits until the data are on the disk and closes the file.
  bool Finish(std::string* error) {
    bool ok = Flush(error);
    if (ok && ::fsync(fd_) != 0) {
      *error = ErrorText(errno);
      ok = false;
    }
    if (::close(fd_) != 0 && ok) {
      *error = ErrorText(errno);
      ok = false;
    }
    fd_ = -1;
    return ok;
  }

 private:
  bool Flush(std::string* error) {
    const bool ok = WriteAll(buffer_, error);
    buffer_.clear();
    return ok;
  }

  bool WriteAll(std::span<const std::uint8_t> bytes, std::string* error) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        *error = ErrorText(n < 0 ? errno : ENOSPC);
        return false;
      }
      bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
  }

  int fd_ = -1;
  std::vector<std::uint8_t> buffer_;
};

// The check file, read at given offsets.
class FileReader {
 public:
  ~FileReader() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Open(const std::string& path, std::string* error) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
      *error = ErrorText(errno);
      return false;
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    return true;
  }
  std::uint64_t size() const { return size_; }
  // Exactly out.size() bytes at `offset`, or false.
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    while (!out.empty()) {
      const ssize_t n = ::pread(fd_, out.data(), out.size(), static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      out = out.subspan(static_cast<std::size_t>(n));
      offset += static_cast<std::uint64_t>(n);
    }
    return true;
  }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// One read command's outcome.
struct Chunk {
  CommandOutcome outcome;
  bool ok = false;  // good, with every byte asked for
};

// The parts both jobs share: the range, the reads, the reports.
class ReferenceRun {
 public:
  ReferenceRun(JobContext& ctx, ReferenceResult& result)
      : ctx_(ctx),
        session_(ctx.session()),
        host_(ctx.host()),
        result_(result),
        buffer_(std::size_t{kCaptureBlocksPerCommand} * kReferenceBufferBlock) {}

  bool SettleRange(const ReferenceRequest& request);
  // The read phase into `path`; true when the whole range is in it under its own name.
  bool ReadPhase(const std::string& path, bool check_follows);
  void CheckPhase(const std::string& path, bool after_capture);

  void End(ReferenceEnd end, MessageIcon icon, std::string message) {
    result_.end = end;
    result_.message = std::move(message);
    if (!result_.message.empty()) host_.Message(icon, result_.message);
  }

 private:
  // Reads `blocks` blocks at `lba` into `into` (5Ah-filled first): blocks x block size bytes.
  Chunk Read(std::uint64_t lba, std::uint32_t blocks, std::uint32_t block_size,
             std::span<std::uint8_t> into) {
    const auto want = into.first(std::size_t{blocks} * block_size);
    std::fill(want.begin(), want.end(), kReplyFill);
    Chunk c;
    c.outcome =
        session_.Run(ReferenceReadCdb(static_cast<std::uint32_t>(lba), blocks), want, false, false);
    c.ok = c.outcome.status == CommandStatus::kGood && c.outcome.result.transferred >= want.size();
    return c;
  }

  // The first command of a phase: up to `per_command` blocks at the start, the buffer asked
  // for whole; the block size found from what came back. `first` gets the command's outcome.
  BlockSizeFinding FirstCommand(std::uint32_t per_command, std::uint32_t* blocks, Chunk* first);

  bool StopRequested() const { return ctx_.stop_requested(); }
  Answer Ask(QuestionKind kind, std::string text) { return host_.Ask({kind, std::move(text)}); }
  void ReadErrorPassed(const Chunk& c) {
    ++result_.read_errors;
    result_.failure = c.outcome;
  }
  bool AskReadError(std::uint64_t lba) {
    return Ask(QuestionKind::kOkCancel, StrFormat("Read ｴﾗｰが発生しました(LBA=%d). 継続しますか?",
                                                  AsInt(lba))) == Answer::kYes;
  }

  // The LBA text and the progress, at most every kReportPeriod unless `force`.
  void Report(std::uint64_t current, std::uint64_t phase_bytes, Clock::Duration phase_start,
              bool force) {
    const Clock::Duration now = ctx_.clock().Now();
    if (!force && reported_ && now - last_report_ < kReportPeriod) return;
    reported_ = true;
    last_report_ = now;
    host_.Show(JobText::kCounters,
               StrFormat(" LBA %d/%d", AsInt(current), AsInt(result_.range.end)));
    JobProgress p;
    p.done = progress_base_ + (current - result_.range.start);
    p.total = progress_total_;
    p.address = static_cast<std::uint32_t>(current);
    const auto elapsed = std::chrono::duration<double>(now - phase_start).count();
    if (elapsed > 0) p.bytes_per_second = static_cast<double>(phase_bytes) / elapsed;
    host_.Progress(p);
  }

  JobContext& ctx_;
  DeviceSession& session_;
  JobHost& host_;
  ReferenceResult& result_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t progress_base_ = 0;
  std::uint64_t progress_total_ = 0;
  bool reported_ = false;
  Clock::Duration last_report_{0};
};

bool ReferenceRun::SettleRange(const ReferenceRequest& request) {
  std::uint32_t start = request.start;
  std::uint32_t end = request.end;
  std::array<std::uint8_t, 8> capacity{};
  const CommandOutcome cap = session_.Run(MakeCdb({0x25}), capacity, false, false);
  const bool have_last = cap.status == CommandStatus::kGood;
  const std::uint32_t last = have_last ? ReadBe32(capacity, 0) : 0;
  if (!have_last) result_.failure = cap;
  if (start == 0 && end == 0) {
    end = last;
    std::array<std::uint8_t, 255> toc{};
    if (session_.Run(MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0, 0xFF}), toc, false, false).status ==
        CommandStatus::kGood) {
      start = ReadBe32(toc, 8);
    }
  }
  if ((start == 0 && end == 0) || !have_last || (start == 0 && last == 0)) {
    End(ReferenceEnd::kNoDisc, MessageIcon::kWarning,
        "開始LBA と終了LBA がともに0です(No Discではありませんか ?)");
    return false;
  }
  end = std::min(end, last);
  if (start > end) {
    End(ReferenceEnd::kOutsideDisc, MessageIcon::kWarning,
        StrFormat("開始LBA(%d) が最終LBA(%d) より後ろです", AsInt(start), AsInt(last)));
    return false;
  }
  result_.range = {start, end};
  if (request.confirm_range) {
    if (start != 0 && Ask(QuestionKind::kOkCancel,
                          StrFormat("開始LBA(%d) が 0 でないですが、いいですか?", AsInt(start))) !=
                          Answer::kYes) {
      End(ReferenceEnd::kRangeDeclined, MessageIcon::kInformation, {});
      return false;
    }
    if (end < last &&
        Ask(QuestionKind::kOkCancel, StrFormat("終了LBA(%d) が最終LBAでないですが、いいですか?",
                                               AsInt(end))) != Answer::kYes) {
      End(ReferenceEnd::kRangeDeclined, MessageIcon::kInformation, {});
      return false;
    }
  }
  return true;
}

BlockSizeFinding ReferenceRun::FirstCommand(std::uint32_t per_command, std::uint32_t* blocks,
                                            Chunk* first) {
  const ReferenceRange& r = result_.range;
  *blocks = static_cast<std::uint32_t>(std::min<std::uint64_t>(per_command, r.blocks()));
  const auto request =
      std::span<std::uint8_t>(buffer_).first(std::size_t{*blocks} * kReferenceBufferBlock);
  std::fill(request.begin(), request.end(), kReplyFill);
  const Cdb cdb = ReferenceReadCdb(r.start, *blocks);
  first->outcome = session_.Run(cdb, request, false, false);
  first->ok = first->outcome.status == CommandStatus::kGood;
  if (!first->ok) {
    // A failed read's bytes say nothing about the size: ask the drive block by block.
    result_.failure = first->outcome;
    return ProbeBlockSize(session_, cdb, static_cast<std::int32_t>(r.start));
  }
  ReadEvidence e;
  e.command = cdb;
  e.reply = ReplyOfFirstRead(first->outcome, request);
  e.blocks = *blocks;
  e.requested = static_cast<std::uint32_t>(request.size());
  e.lba = static_cast<std::int32_t>(r.start);
  return FindBlockSize(session_, e);
}

bool ReferenceRun::ReadPhase(const std::string& path, bool check_follows) {
  const ReferenceRange range = result_.range;
  const std::string partial = path + kPartialSuffix;
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat("ﾌｧｲﾙ ｵｰﾌﾟﾝに失敗しました\r\n%s\r\n%s", path.c_str(), ErrorText(EISDIR).c_str()));
    return false;
  }
  FileWriter out;
  std::string why;
  if (!out.Open(partial, &why)) {
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat("ﾌｧｲﾙ ｵｰﾌﾟﾝに失敗しました\r\n%s\r\n%s", path.c_str(), why.c_str()));
    return false;
  }
  result_.file = partial;
  progress_base_ = 0;
  progress_total_ = range.blocks() * (check_follows ? 2 : 1);
  host_.Show(JobText::kStatus, "CDからﾌｧｲﾙに読み込み中...");
  const Clock::Duration started = ctx_.clock().Now();
  auto finish_time = [&] { result_.read_elapsed = ctx_.clock().Now() - started; };

  std::uint32_t first_blocks = 0;
  Chunk first;
  result_.block_size = FirstCommand(kCaptureBlocksPerCommand, &first_blocks, &first);
  const std::uint32_t bs = result_.block_size.bytes;
  if (bs == 0) {
    out.Finish(&why);
    std::filesystem::remove(partial, ec);
    result_.file.clear();
    finish_time();
    End(ReferenceEnd::kFirstReadFailed, MessageIcon::kError, "読み込みが失敗しました");
    return false;
  }
  const std::size_t chunk_bytes = std::size_t{kCaptureBlocksPerCommand} * bs;
  bool use_first = first_blocks == kCaptureBlocksPerCommand;
  std::uint64_t current = range.start;
  bool declined = false;  // the read error question answered Cancel
  bool write_failed = false;
  std::optional<std::uint64_t> tail_failed_at;
  auto write = [&](std::span<const std::uint8_t> bytes) {
    if (out.Append(bytes, &why)) {
      result_.bytes_written += bytes.size();
      return true;
    }
    write_failed = true;
    return false;
  };

  Report(current, 0, started, true);
  while (!StopRequested() && range.end + std::uint64_t{1} - current >= kCaptureBlocksPerCommand) {
    Chunk c = use_first ? first : Read(current, kCaptureBlocksPerCommand, bs, buffer_);
    use_first = false;
    if (!c.ok) {
      ReadErrorPassed(c);
      if (!AskReadError(current)) {
        declined = true;
        break;
      }
    }
    // A command passed over is written too, so every block keeps its place in the file.
    if (!write(std::span<const std::uint8_t>(buffer_).first(chunk_bytes))) break;
    current += kCaptureBlocksPerCommand;
    Report(current, result_.bytes_written, started, false);
  }
  // The tail, one block per command, up to the first block that cannot be read.
  while (!declined && !write_failed && !StopRequested() && current <= range.end) {
    const Chunk c = Read(current, 1, bs, buffer_);
    if (!c.ok) {
      result_.failure = c.outcome;
      tail_failed_at = current;
      break;
    }
    if (!write(std::span<const std::uint8_t>(buffer_).first(bs))) break;
    ++current;
    Report(current, result_.bytes_written, started, false);
  }
  const bool whole = current > range.end && !write_failed;
  if (whole) Report(current, result_.bytes_written, started, true);
  if (!write_failed && !out.Finish(&why)) write_failed = true;
  finish_time();

  if (write_failed) {
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat("ﾌｧｲﾙの書き込みに失敗しました\r\n%s\r\n%s", partial.c_str(), why.c_str()));
    return false;
  }
  if (!check_follows) {
    const std::string speed = CaptureSpeedText(result_.bytes_written, bs, result_.read_elapsed);
    if (!speed.empty()) host_.Show(JobText::kSpeed, speed);
  }
  const std::string partial_note =
      result_.bytes_written != 0 ? StrFormat("\r\n途中までのﾃﾞｰﾀは %s にあります", partial.c_str())
                                 : std::string();
  if (result_.bytes_written == 0) {
    std::filesystem::remove(partial, ec);
    result_.file.clear();
  }
  if (declined || (!whole && !tail_failed_at)) {
    result_.stop_cause = declined ? StopCause::kReadError : StopCause::kUser;
    End(ReferenceEnd::kStopped, MessageIcon::kInformation,
        "読み込みをｷｬﾝｾﾙしました" + partial_note);
    return false;
  }
  if (tail_failed_at) {
    End(ReferenceEnd::kTailReadFailed, MessageIcon::kError,
        StrFormat("Read ｴﾗｰが発生しました(LBA=%d)", AsInt(*tail_failed_at)) + partial_note);
    return false;
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat("ﾌｧｲﾙの書き込みに失敗しました\r\n%s\r\n%s", partial.c_str(),
                  ErrorText(errno).c_str()));
    return false;
  }
  result_.file = path;
  // The new name lasts only once the folder is on the disk too.
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  if (!check_follows) {
    End(ReferenceEnd::kCompleted, MessageIcon::kInformation, "読み込みが完了しました");
  }
  return true;
}

void ReferenceRun::CheckPhase(const std::string& path, bool after_capture) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    End(ReferenceEnd::kCheckFileMissing, MessageIcon::kError, "チェックするファイル名が不正です");
    return;
  }
  FileReader file;
  std::string why;
  if (!file.Open(path, &why)) {
    End(ReferenceEnd::kCheckFileMissing, MessageIcon::kError,
        StrFormat("チェックするファイル名が不正です\r\n%s\r\n%s", path.c_str(), why.c_str()));
    return;
  }
  result_.check_ran = true;
  result_.mismatches = 0;
  const std::uint64_t read_blocks = after_capture ? result_.range.blocks() : 0;
  host_.Show(JobText::kStatus, "ﾌｧｲﾙをﾁｪｯｸ中...");
  const Clock::Duration started = ctx_.clock().Now();
  auto finish_time = [&] { result_.check_elapsed = ctx_.clock().Now() - started; };

  std::uint32_t first_blocks = 0;
  Chunk first;
  result_.block_size = FirstCommand(kCheckBlocksPerCommand, &first_blocks, &first);
  const std::uint32_t bs = result_.block_size.bytes;
  if (bs == 0) {
    finish_time();
    End(ReferenceEnd::kFirstReadFailed, MessageIcon::kError, "読み込みが失敗しました");
    return;
  }
  const std::uint64_t file_blocks = file.size() / bs;
  if (file_blocks == 0) {
    finish_time();
    End(ReferenceEnd::kNoCheckData, MessageIcon::kError,
        StrFormat("ﾁｪｯｸするﾃﾞｰﾀがﾌｧｲﾙにありません\r\n%s", path.c_str()));
    return;
  }
  ReferenceRange& range = result_.range;
  range.end = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(range.end, std::uint64_t{range.start} + file_blocks - 1));
  progress_base_ = read_blocks;
  progress_total_ = read_blocks + range.blocks();
  const std::size_t chunk_bytes = std::size_t{kCheckBlocksPerCommand} * bs;
  std::vector<std::uint8_t> expected(chunk_bytes);
  bool use_first = first_blocks == kCheckBlocksPerCommand && range.blocks() >= first_blocks;
  bool skip_questions = false;
  StopCause declined = StopCause::kNone;
  std::uint64_t current = range.start;

  // Counts a difference and asks whether to go on; false when the answer ends the check.
  auto mismatch = [&](std::uint64_t lba, bool tail) {
    ++result_.mismatches;
    if (!result_.first_mismatch) result_.first_mismatch = static_cast<std::uint32_t>(lba);
    host_.Show(JobText::kStatus, StrFormat("ｴﾗｰ件数 %d", AsInt(result_.mismatches)));
    if (skip_questions) return true;
    // The tail's question has a blank before its second line.
    const Answer a = Ask(
        QuestionKind::kContinueSkipStop,
        tail ? StrFormat("ﾃﾞｰﾀの差異を検出しました(LBA=%d)\r\n ﾁｪｯｸを継続しますか?", AsInt(lba))
             : StrFormat("ﾃﾞｰﾀの差異を検出しました(LBA=%d)\r\nﾁｪｯｸを継続しますか?", AsInt(lba)));
    if (a == Answer::kSkip) skip_questions = true;
    return a == Answer::kContinue || a == Answer::kSkip;
  };
  // Compares `bytes` of the disc's data read at `lba` with the file; the LBA of the first
  // difference, or nothing.
  auto compare = [&](std::uint64_t lba,
                     std::span<const std::uint8_t> disc) -> std::optional<std::uint64_t> {
    const auto want = std::span<std::uint8_t>(expected).first(disc.size());
    if (!file.ReadAt((lba - range.start) * bs, want)) return lba;
    const auto diff = std::mismatch(disc.begin(), disc.end(), want.begin());
    if (diff.first == disc.end()) return std::nullopt;
    return lba + static_cast<std::uint64_t>(diff.first - disc.begin()) / bs;
  };

  Report(current, 0, started, true);
  while (!StopRequested() && range.end + std::uint64_t{1} - current >= kCheckBlocksPerCommand) {
    const Chunk c = use_first ? first : Read(current, kCheckBlocksPerCommand, bs, buffer_);
    use_first = false;
    if (!c.ok) {
      ReadErrorPassed(c);
      if (!AskReadError(current)) {
        declined = StopCause::kReadError;
        break;
      }
    }
    const auto disc = std::span<const std::uint8_t>(buffer_).first(chunk_bytes);
    std::optional<std::uint64_t> at = compare(current, disc);
    // Data the drive did not deliver are no match, whatever the buffer holds.
    if (!c.ok && !at) at = current;
    result_.bytes_checked += chunk_bytes;
    if (at && !mismatch(*at, false)) {
      declined = StopCause::kDifference;
      break;
    }
    current += kCheckBlocksPerCommand;
    Report(current, result_.bytes_checked, started, false);
  }
  // The tail, one block per command, compared in one piece.
  const std::uint64_t tail_start = current;
  std::size_t tail_blocks = 0;
  std::optional<std::uint64_t> tail_failed_at;
  while (declined == StopCause::kNone && !StopRequested() && current <= range.end) {
    const Chunk c =
        Read(current, 1, bs, std::span<std::uint8_t>(buffer_).subspan(tail_blocks * bs));
    if (!c.ok) {
      result_.failure = c.outcome;
      tail_failed_at = current;
      break;
    }
    ++tail_blocks;
    ++current;
    Report(current, result_.bytes_checked, started, false);
  }
  if (declined == StopCause::kNone && !StopRequested() && (tail_blocks != 0 || tail_failed_at)) {
    const auto disc = std::span<const std::uint8_t>(buffer_).first(tail_blocks * bs);
    std::optional<std::uint64_t> at = compare(tail_start, disc);
    // A block the drive could not read is not known to match.
    if (!at && tail_failed_at) at = tail_failed_at;
    result_.bytes_checked += disc.size();
    if (at && !mismatch(*at, true)) {
      declined = StopCause::kDifference;
    }
  }
  finish_time();
  if (declined == StopCause::kNone && StopRequested()) declined = StopCause::kUser;
  result_.stop_cause = declined;
  const bool stopped = declined != StopCause::kNone;
  if (!stopped) Report(current, result_.bytes_checked, started, true);
  if (stopped) {
    End(ReferenceEnd::kStopped, MessageIcon::kInformation, "読み込みをｷｬﾝｾﾙしました");
    return;
  }
  const int n = AsInt(result_.mismatches);
  host_.Show(JobText::kStatus,
             n != 0 ? StrFormat("%d 件の不一致を検出しました", n) : "全てのﾃﾞｰﾀが一致しました");
  if (n != 0) {
    End(ReferenceEnd::kCompleted, MessageIcon::kWarning,
        StrFormat("ﾃﾞｰﾀﾁｪｯｸが終了しました(%d件 の差異を検出)", n));
  } else {
    End(ReferenceEnd::kCompleted, MessageIcon::kInformation,
        after_capture ? "読み込みが完了しました" : "ﾃﾞｰﾀﾁｪｯｸが完了しました");
  }
}

// The job's frame: busy marks, the device check, the range.
template <typename Body>
void RunReference(JobContext& ctx, ReferenceResult& result, const ReferenceRequest& request,
                  Body&& body) {
  result = ReferenceResult{};
  if (!ctx.session().HasDevice()) return;  // the drive cannot be opened: nothing happens
  ctx.host().SetBusy(true);
  ReferenceRun run(ctx, result);
  if (run.SettleRange(request)) body(run);
  ctx.host().SetBusy(false);
}

}  // namespace

Cdb ReferenceReadCdb(std::uint32_t lba, std::uint32_t blocks) {
  Cdb cdb{};
  cdb[0] = 0xBE;
  WriteBe32(cdb, 2, lba);
  WriteBe24(cdb, 6, blocks);
  cdb[9] = 0x10;
  return cdb;
}

std::string CaptureSpeedText(std::uint64_t bytes, std::uint32_t block_size,
                             Clock::Duration elapsed) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
  if (seconds == 0 || block_size == 0) return {};
  // Tenths of x1: bytes / (seconds x block size x 75 / 10), the seconds to the microsecond.
  const double tenths = static_cast<double>(bytes) * 10.0 /
                        (std::chrono::duration<double>(elapsed).count() * block_size * 75.0);
  const auto t = static_cast<long long>(tenths);
  return StrFormat("x%lld.%lld speed(%llu Bytes/%lld Sec)", t / 10, t % 10,
                   static_cast<unsigned long long>(bytes), static_cast<long long>(seconds));
}

void CaptureJob::Run(JobContext& ctx) {
  RunReference(ctx, result_, request_, [&](ReferenceRun& run) {
    if (run.ReadPhase(request_.path, check_after_) && check_after_) {
      run.CheckPhase(request_.path, true);
    }
  });
}

void CheckJob::Run(JobContext& ctx) {
  RunReference(ctx, result_, request_,
               [&](ReferenceRun& run) { run.CheckPhase(request_.path, false); });
}

}  // namespace tamarack
