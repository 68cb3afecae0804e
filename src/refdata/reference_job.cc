#include "refdata/reference_job.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <system_error>
#include <vector>

#include "device/block_read.h"
#include "device/read_buffer.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/output_file.h"
#include "util/reference_file.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// Progress and the LBA text at most this often (and always at a phase's first and last block).
constexpr Clock::Duration kReportPeriod = std::chrono::milliseconds(100);
// The list of unread blocks is written through a temporary name too.
constexpr const char* kListTempSuffix = ".partial";

std::string ErrorText(int error) {
  return std::error_code(error, std::generic_category()).message();
}

int AsInt(std::uint64_t v) { return static_cast<int>(static_cast<std::uint32_t>(v)); }
unsigned long long Ull(std::uint64_t v) { return static_cast<unsigned long long>(v); }

// The list of unread blocks beside the check file `path` (a symlink's list lies beside the
// file it points to, where the capture wrote it). False with the reason when it is there but
// cannot be read; an absent list is an empty one.
bool LoadUnreadList(const std::string& path, UnreadBlocks* out, std::string* list,
                    std::string* error) {
  OutputTarget resolved;
  *list = UnreadListPath(PlanOutputTarget(path, "", &resolved, nullptr) ? resolved.target : path);
  std::error_code ec;
  if (!std::filesystem::exists(*list, ec)) {
    list->clear();
    return true;
  }
  std::ifstream in(*list, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  if (!in.good() && !in.eof()) {
    *error = *list + ": " + ErrorText(EIO);
    return false;
  }
  if (!ParseUnreadList(text, out, error)) {
    *error = *list + ": " + *error;
    return false;
  }
  return true;
}

// Writes `blocks` to the list beside `data_path`, or removes a list left there by an earlier
// capture when there are none. False with the reason naming the list.
bool WriteUnreadList(const std::string& data_path, const UnreadBlocks& blocks, std::string* written,
                     std::string* error) {
  const std::string list = UnreadListPath(data_path);
  written->clear();
  if (blocks.empty()) {
    std::error_code ec;
    std::filesystem::remove(list, ec);
    return true;
  }
  OutputFile out;
  if (!out.Open(list, kListTempSuffix, error) || !out.Append(FormatUnreadList(blocks), error) ||
      !out.Commit(error)) {
    out.Abandon(true);
    return false;
  }
  *written = list;
  return true;
}

// The parts both jobs share: the range, the reads, the reports.
class ReferenceRun {
 public:
  ReferenceRun(JobContext& ctx, ReferenceResult& result)
      : ctx_(ctx),
        session_(ctx.session()),
        host_(ctx.host()),
        result_(result),
        buffer_(std::size_t{kCaptureBlocksPerCommand} * kBlockRoom) {}

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
  // Reads `blocks` blocks at `lba` into `into`: blocks x block size bytes expected.
  BlockReply Read(std::uint64_t lba, std::uint32_t blocks, std::uint32_t block_size,
                  std::span<std::uint8_t> into) {
    const auto want = into.first(std::size_t{blocks} * block_size);
    const BlockReply reply =
        ReadBlocks(session_, ReadCdCdb(static_cast<std::uint32_t>(lba), blocks), want,
                   static_cast<std::uint32_t>(want.size()));
    if (reply.second_read) ++result_.second_reads;
    return reply;
  }

  // The first command of a phase: up to `per_command` blocks at the start with room for the
  // largest block, the block size found from its reply (result_.block_size). The reply is
  // judged against that size like any other command's. `blocks` is set to the blocks it
  // read, 0 when its data cannot be used.
  BlockReply FirstCommand(std::uint32_t per_command, std::uint32_t* blocks);
  // The first command found no block size: the job ends.
  void FirstCommandFailed(const BlockReply& first) {
    result_.verdict.EndedBy(first.outcome, first.good());
    End(ReferenceEnd::kFirstReadFailed, MessageIcon::kError, Tr("読み込みが失敗しました"));
  }

  bool StopRequested() const { return ctx_.stop_requested(); }
  Answer Ask(QuestionKind kind, std::string text) { return host_.Ask({kind, std::move(text)}); }
  // A command that failed or came short: asks whether to go on; records it as gone past or as
  // what ended the job.
  bool GoPastReadError(const BlockReply& c, std::uint64_t lba) {
    const bool go_on =
        Ask(QuestionKind::kOkCancel, StrFormat(Tr("Read ｴﾗｰが発生しました(LBA=%d). 継続しますか?"),
                                               AsInt(lba))) == Answer::kYes;
    if (go_on) {
      ++result_.read_errors;
      result_.verdict.WentPast(c.outcome, c.short_reply);
    } else {
      result_.verdict.EndedBy(c.outcome, c.short_reply);
    }
    return go_on;
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

  // "\r\n..." lines that close a capture's message: where the unread blocks are listed, and
  // where the data of a capture that did not end are.
  std::string UnreadNote() const;
  std::string CheckNotes() const;

  // Opens the check file and the list of the blocks its capture could not read; false, with
  // the job ended, when either cannot be used.
  bool OpenCheckFile(const std::string& path, bool after_capture, ReferenceFile* file,
                     UnreadBlocks* skip);
  // The closing status and message of a check that was not stopped.
  void EndCheck(bool after_capture, std::optional<std::uint64_t> tail_failed_at);

  JobContext& ctx_;
  DeviceSession& session_;
  JobHost& host_;
  ReferenceResult& result_;
  // The reads' data: the capture writes them from here and the check compares them here.
  ReadBuffer buffer_;
  std::uint64_t progress_base_ = 0;
  std::uint64_t progress_total_ = 0;
  bool reported_ = false;
  Clock::Duration last_report_{0};
};

bool ReferenceRun::SettleRange(const ReferenceRequest& request) {
  std::uint32_t start = request.start;
  std::uint32_t end = request.end;
  std::array<std::uint8_t, 8> capacity{};
  const CommandOutcome cap = session_.Run(MakeCdb({0x25}), capacity);
  const bool have_last = cap.status == CommandStatus::kGood;
  const std::uint32_t last = have_last ? ReadBe32(capacity, 0) : 0;
  if (start == 0 && end == 0) {
    end = last;
    std::array<std::uint8_t, 255> toc{};
    if (session_.Run(MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0, 0xFF}), toc).status ==
        CommandStatus::kGood) {
      start = ReadBe32(toc, 8);
    }
  }
  if ((start == 0 && end == 0) || !have_last || (start == 0 && last == 0)) {
    if (have_last) {
      result_.verdict.Refused("no blocks on the disc");
    } else {
      result_.verdict.EndedBy(cap);
    }
    End(ReferenceEnd::kNoDisc, MessageIcon::kWarning,
        Tr("開始LBA と終了LBA がともに0です(No Discではありませんか ?)"));
    return false;
  }
  end = std::min(end, last);
  if (start > end) {
    End(ReferenceEnd::kOutsideDisc, MessageIcon::kWarning,
        StrFormat(Tr("開始LBA(%d) が最終LBA(%d) より後ろです"), AsInt(start), AsInt(last)));
    result_.verdict.Refused(result_.message);
    return false;
  }
  result_.range = {start, end};
  result_.range_settled = true;
  if (request.confirm_range) {
    if (start != 0 &&
        Ask(QuestionKind::kOkCancel, StrFormat(Tr("開始LBA(%d) が 0 でないですが、いいですか?"),
                                               AsInt(start))) != Answer::kYes) {
      result_.verdict.Cancelled();
      End(ReferenceEnd::kRangeDeclined, MessageIcon::kInformation, {});
      return false;
    }
    if (end < last &&
        Ask(QuestionKind::kOkCancel, StrFormat(Tr("終了LBA(%d) が最終LBAでないですが、いいですか?"),
                                               AsInt(end))) != Answer::kYes) {
      result_.verdict.Cancelled();
      End(ReferenceEnd::kRangeDeclined, MessageIcon::kInformation, {});
      return false;
    }
  }
  return true;
}

BlockReply ReferenceRun::FirstCommand(std::uint32_t per_command, std::uint32_t* blocks) {
  const ReferenceRange& r = result_.range;
  *blocks = static_cast<std::uint32_t>(std::min<std::uint64_t>(per_command, r.blocks()));
  ReadEvidence e;
  e.command = ReadCdCdb(r.start, *blocks);
  e.blocks = *blocks;
  e.requested = *blocks * kBlockRoom;
  e.lba = static_cast<std::int32_t>(r.start);
  e.reply = ReadBlocks(session_, e.command, buffer_.span().first(e.requested), 0);
  if (e.reply.second_read) ++result_.second_reads;
  result_.block_size = FindBlockSize(session_, e);
  BlockReply reply = e.reply;
  const std::uint64_t expected = std::uint64_t{*blocks} * result_.block_size.bytes;
  reply.short_reply = reply.good() && reply.received < expected;
  // A count the path reported beyond what the blocks hold (the size came from a probe) says
  // the reply is not the data of its blocks: the phase reads them again at the size found.
  if (reply.good() && reply.way != ReceivedWay::kWhole && reply.received > expected) *blocks = 0;
  return reply;
}

std::string ReferenceRun::UnreadNote() const {
  if (result_.unread.empty()) return {};
  if (result_.unread_file.empty()) {
    return StrFormat(Tr("\r\n読めなかったﾌﾞﾛｯｸ(%llu): %s"), Ull(result_.unread.blocks()),
                     UnreadRangesText(result_.unread).c_str());
  }
  return StrFormat(Tr("\r\n読めなかった %llu ﾌﾞﾛｯｸの LBA は %s にあります"),
                   Ull(result_.unread.blocks()), result_.unread_file.c_str());
}

bool ReferenceRun::ReadPhase(const std::string& path, bool check_follows) {
  const ReferenceRange range = result_.range;
  OutputFile out;
  std::string why;
  // Each command's data are written as they are, from the read buffer: no copy on the way.
  if (!out.Open(path, kPartialSuffix, &why, 0)) {
    result_.verdict.FileFailed(why);
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat(Tr("ﾌｧｲﾙ ｵｰﾌﾟﾝに失敗しました\r\n%s"), why.c_str()));
    return false;
  }
  const bool in_place = out.plan().in_place;
  result_.file = out.plan().writing;
  progress_base_ = 0;
  progress_total_ = range.blocks() * (check_follows ? 2 : 1);
  host_.Show(JobText::kStatus, Tr("CDからﾌｧｲﾙに読み込み中..."));
  const Clock::Duration started = ctx_.clock().Now();
  auto finish_time = [&] { result_.read_elapsed = ctx_.clock().Now() - started; };

  std::uint32_t first_blocks = 0;
  const BlockReply first = FirstCommand(kCaptureBlocksPerCommand, &first_blocks);
  const std::uint32_t bs = result_.block_size.bytes;
  if (bs == 0) {
    out.Abandon(true);
    result_.file.clear();
    finish_time();
    FirstCommandFailed(first);
    return false;
  }
  const std::size_t chunk_bytes = std::size_t{kCaptureBlocksPerCommand} * bs;
  // What a command gone past leaves in the file: every block keeps its place.
  const std::vector<std::uint8_t> filler(chunk_bytes, kReplyFill);
  bool use_first = first_blocks == kCaptureBlocksPerCommand;
  std::uint64_t current = range.start;
  bool declined = false;  // the read error question answered Cancel
  bool write_failed = false;
  std::optional<std::uint64_t> tail_failed_at;
  std::uint64_t appended = 0;  // for the rate shown: what is still buffered included
  auto write = [&](std::span<const std::uint8_t> bytes) {
    if (out.Append(bytes, &why)) {
      appended += bytes.size();
      return true;
    }
    write_failed = true;
    return false;
  };

  Report(current, 0, started, true);
  while (!StopRequested() && range.end + std::uint64_t{1} - current >= kCaptureBlocksPerCommand) {
    const BlockReply c =
        use_first ? first : Read(current, kCaptureBlocksPerCommand, bs, buffer_.span());
    use_first = false;
    std::span<const std::uint8_t> data = buffer_.span().first(chunk_bytes);
    if (!c.ok()) {
      if (!GoPastReadError(c, current)) {
        declined = true;
        break;
      }
      // Whatever part of it arrived is not known to be the data of its blocks.
      result_.unread.Add(current, kCaptureBlocksPerCommand);
      data = filler;
    }
    if (!write(data)) break;
    current += kCaptureBlocksPerCommand;
    Report(current, appended, started, false);
  }
  // The tail, one block per command, up to the first block that cannot be read.
  while (!declined && !write_failed && !StopRequested() && current <= range.end) {
    const BlockReply c = Read(current, 1, bs, buffer_.span());
    if (!c.ok()) {
      result_.verdict.EndedBy(c.outcome, c.short_reply);
      tail_failed_at = current;
      break;
    }
    if (!write(buffer_.span().first(bs))) break;
    ++current;
    Report(current, appended, started, false);
  }
  const bool whole = current > range.end && !write_failed;
  // Only a whole range goes under the target's name; the rest stays in the partial file.
  if (whole) {
    if (!out.Flush(&why)) {
      write_failed = true;
    } else if (!in_place &&
               !WriteUnreadList(out.plan().target, result_.unread, &result_.unread_file, &why)) {
      write_failed = true;
    } else if (!out.Commit(&why)) {
      write_failed = true;
      std::error_code ec;
      if (!result_.unread_file.empty()) std::filesystem::remove(result_.unread_file, ec);
      result_.unread_file.clear();
    }
  } else if (!write_failed && !out.Flush(&why, true)) {
    write_failed = true;
  }
  result_.bytes_written = out.bytes_written();
  finish_time();
  if (whole && !write_failed) {
    Report(current, result_.bytes_written, started, true);
    result_.file = out.plan().target;
  } else {
    out.Abandon(result_.bytes_written == 0);
    if (result_.bytes_written == 0 && !in_place) {
      result_.file.clear();
    } else if (!in_place) {
      // The partial file's own blocks of filler are listed beside it.
      std::string ignored;
      WriteUnreadList(result_.file, result_.unread, &result_.unread_file, &ignored);
    }
  }
  const std::string partial_note =
      in_place || result_.file.empty()
          ? std::string()
          : StrFormat(Tr("\r\n途中までのﾃﾞｰﾀは %s にあります"), result_.file.c_str());

  if (write_failed) {
    result_.verdict.FileFailed(why);
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat(Tr("ﾌｧｲﾙの書き込みに失敗しました\r\n%s"), why.c_str()) + partial_note +
            UnreadNote());
    return false;
  }
  if (!check_follows) {
    const std::string speed = CaptureSpeedText(result_.bytes_written, bs, result_.read_elapsed);
    if (!speed.empty()) host_.Show(JobText::kSpeed, speed);
  }
  if (declined || (!whole && !tail_failed_at)) {
    result_.stop_cause = declined ? StopCause::kReadError : StopCause::kUser;
    if (!declined) result_.verdict.Cancelled();
    End(ReferenceEnd::kStopped, MessageIcon::kInformation,
        Tr("読み込みをｷｬﾝｾﾙしました") + CancelCauseSuffix(ctx_.cancel_cause()) + partial_note +
            UnreadNote());
    return false;
  }
  if (tail_failed_at) {
    End(ReferenceEnd::kTailReadFailed, MessageIcon::kError,
        StrFormat(Tr("Read ｴﾗｰが発生しました(LBA=%d)"), AsInt(*tail_failed_at)) + partial_note +
            UnreadNote());
    return false;
  }
  if (!check_follows) {
    if (result_.read_errors == 0) {
      End(ReferenceEnd::kCompleted, MessageIcon::kInformation, Tr("読み込みが完了しました"));
    } else {
      End(ReferenceEnd::kCompleted, MessageIcon::kWarning,
          StrFormat(Tr("読み込みが終了しました(%u件 のRead ｴﾗｰを検出)"), result_.read_errors) +
              UnreadNote());
    }
  }
  return true;
}

std::string ReferenceRun::CheckNotes() const {
  if (result_.skipped == 0) return {};
  return StrFormat(Tr("\r\n読めなかったﾌﾞﾛｯｸ %llu 個はﾁｪｯｸしていません"), Ull(result_.skipped));
}

bool ReferenceRun::OpenCheckFile(const std::string& path, bool after_capture, ReferenceFile* file,
                                 UnreadBlocks* skip) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    const bool exists = std::filesystem::exists(path, ec);
    result_.verdict.FileFailed(path + ": " +
                               (exists ? std::string("not a regular file") : ErrorText(ENOENT)));
    End(ReferenceEnd::kCheckFileMissing, MessageIcon::kError,
        Tr("チェックするファイル名が不正です"));
    return false;
  }
  std::string why;
  if (!file->Open(path, &why)) {
    result_.verdict.FileFailed(path + ": " + why);
    End(ReferenceEnd::kCheckFileMissing, MessageIcon::kError,
        StrFormat(Tr("チェックするファイル名が不正です\r\n%s\r\n%s"), path.c_str(), why.c_str()));
    return false;
  }
  // The blocks the capture could not read hold filler, not the disc's data.
  *skip = result_.unread;
  if (!after_capture && !LoadUnreadList(path, skip, &result_.skipped_list, &why)) {
    result_.verdict.Refused(why);
    End(ReferenceEnd::kBadUnreadList, MessageIcon::kError,
        StrFormat(Tr("チェックするファイル名が不正です\r\n%s"), why.c_str()));
    return false;
  }
  return true;
}

void ReferenceRun::EndCheck(bool after_capture, std::optional<std::uint64_t> tail_failed_at) {
  const int n = AsInt(result_.mismatches);
  host_.Show(
      JobText::kStatus,
      (n != 0 ? StrFormat(Tr("%d 件の不一致を検出しました"), n) : Tr("全てのﾃﾞｰﾀが一致しました")) +
          (result_.skipped != 0
               ? StrFormat(Tr("(%llu ﾌﾞﾛｯｸはﾁｪｯｸしていません)"), Ull(result_.skipped))
               : std::string()));
  const std::string notes = CheckNotes() + UnreadNote();
  if (tail_failed_at) {
    End(ReferenceEnd::kTailReadFailed, MessageIcon::kError,
        StrFormat(Tr("Read ｴﾗｰが発生しました(LBA=%d)"), AsInt(*tail_failed_at)) +
            (n != 0 ? StrFormat(Tr("\r\nﾃﾞｰﾀﾁｪｯｸが終了しました(%d件 の差異を検出)"), n)
                    : std::string()) +
            notes);
  } else if (n != 0) {
    End(ReferenceEnd::kCompleted, MessageIcon::kWarning,
        StrFormat(Tr("ﾃﾞｰﾀﾁｪｯｸが終了しました(%d件 の差異を検出)"), n) + notes);
  } else if (result_.read_errors != 0) {
    End(ReferenceEnd::kCompleted, MessageIcon::kWarning,
        StrFormat(after_capture ? Tr("読み込みが終了しました(%u件 のRead ｴﾗｰを検出)")
                                : Tr("ﾃﾞｰﾀﾁｪｯｸが終了しました(%u件 のRead ｴﾗｰを検出)"),
                  result_.read_errors) +
            notes);
  } else {
    End(ReferenceEnd::kCompleted, MessageIcon::kInformation,
        (after_capture ? Tr("読み込みが完了しました") : Tr("ﾃﾞｰﾀﾁｪｯｸが完了しました")) + notes);
  }
}

void ReferenceRun::CheckPhase(const std::string& path, bool after_capture) {
  ReferenceFile file;
  UnreadBlocks skip;
  if (!OpenCheckFile(path, after_capture, &file, &skip)) return;
  result_.check_ran = true;
  result_.mismatches = 0;
  const std::uint64_t read_blocks = after_capture ? result_.range.blocks() : 0;
  host_.Show(JobText::kStatus, Tr("ﾌｧｲﾙをﾁｪｯｸ中..."));
  const Clock::Duration started = ctx_.clock().Now();
  auto finish_time = [&] { result_.check_elapsed = ctx_.clock().Now() - started; };

  std::uint32_t first_blocks = 0;
  const BlockReply first = FirstCommand(kCheckBlocksPerCommand, &first_blocks);
  const std::uint32_t bs = result_.block_size.bytes;
  if (bs == 0) {
    finish_time();
    FirstCommandFailed(first);
    return;
  }
  const std::uint64_t file_blocks = file.size() / bs;
  if (file_blocks == 0) {
    finish_time();
    result_.verdict.FileFailed(path + ": no whole block");
    End(ReferenceEnd::kNoCheckData, MessageIcon::kError,
        StrFormat(Tr("ﾁｪｯｸするﾃﾞｰﾀがﾌｧｲﾙにありません\r\n%s"), path.c_str()));
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
    result_.verdict.AddDifferences(1);
    if (!result_.first_mismatch) result_.first_mismatch = static_cast<std::uint32_t>(lba);
    host_.Show(JobText::kStatus, StrFormat(Tr("ｴﾗｰ件数 %d"), AsInt(result_.mismatches)));
    if (skip_questions) return true;
    // The tail's question has a blank before its second line.
    const Answer a = Ask(
        QuestionKind::kContinueSkipStop,
        tail
            ? StrFormat(Tr("ﾃﾞｰﾀの差異を検出しました(LBA=%d)\r\n ﾁｪｯｸを継続しますか?"), AsInt(lba))
            : StrFormat(Tr("ﾃﾞｰﾀの差異を検出しました(LBA=%d)\r\nﾁｪｯｸを継続しますか?"), AsInt(lba)));
    if (a == Answer::kSkip) skip_questions = true;
    return a == Answer::kContinue || a == Answer::kSkip;
  };
  // The first block of `blocks` from `lba` that is not known to match the file: the first
  // `delivered` of them arrived in `disc`, the others did not. Blocks the capture could not
  // read are left out (and counted).
  auto first_difference = [&](std::uint64_t lba, std::uint64_t blocks, std::uint64_t delivered,
                              std::span<const std::uint8_t> disc) -> std::optional<std::uint64_t> {
    result_.skipped += skip.CountIn(lba, blocks);
    const auto want = std::span<std::uint8_t>(expected).first(disc.size());
    const std::optional<std::uint64_t> offset = ReferenceOffset(
        ReferenceFirstLba(range.start, range.end), static_cast<std::int64_t>(lba), bs);
    const bool have_file = offset && file.ReadAt(*offset, want) == want.size();
    for (std::uint64_t i = 0; i < blocks; ++i) {
      if (skip.Contains(lba + i)) continue;
      if (i >= delivered || !have_file) return lba + i;
      const std::size_t at = static_cast<std::size_t>(i) * bs;
      if (!std::equal(disc.begin() + static_cast<std::ptrdiff_t>(at),
                      disc.begin() + static_cast<std::ptrdiff_t>(at + bs),
                      want.begin() + static_cast<std::ptrdiff_t>(at))) {
        return lba + i;
      }
    }
    return std::nullopt;
  };

  Report(current, 0, started, true);
  while (!StopRequested() && range.end + std::uint64_t{1} - current >= kCheckBlocksPerCommand) {
    const BlockReply c =
        use_first ? first : Read(current, kCheckBlocksPerCommand, bs, buffer_.span());
    use_first = false;
    if (!c.ok() && !GoPastReadError(c, current)) {
      declined = StopCause::kReadError;
      break;
    }
    const auto disc = buffer_.span().first(chunk_bytes);
    // Data the drive did not deliver whole are no match, whatever the buffer holds.
    const std::optional<std::uint64_t> at = first_difference(
        current, kCheckBlocksPerCommand, c.ok() ? kCheckBlocksPerCommand : 0, disc);
    result_.bytes_checked += chunk_bytes;
    if (at && !mismatch(*at, false)) {
      declined = StopCause::kDifference;
      current += kCheckBlocksPerCommand;
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
    const BlockReply c = Read(current, 1, bs, buffer_.span().subspan(tail_blocks * bs));
    if (!c.ok()) {
      result_.verdict.EndedBy(c.outcome, c.short_reply);
      tail_failed_at = current;
      break;
    }
    ++tail_blocks;
    ++current;
    Report(current, result_.bytes_checked, started, false);
  }
  if (declined == StopCause::kNone && !StopRequested() && (tail_blocks != 0 || tail_failed_at)) {
    const auto disc = buffer_.span().first(tail_blocks * bs);
    // A block the drive could not read is not known to match.
    const std::optional<std::uint64_t> at =
        first_difference(tail_start, tail_blocks + (tail_failed_at ? 1 : 0), tail_blocks, disc);
    result_.bytes_checked += disc.size();
    if (at && !mismatch(*at, true)) declined = StopCause::kDifference;
  }
  finish_time();
  if (declined == StopCause::kNone && StopRequested()) {
    declined = StopCause::kUser;
    result_.verdict.Cancelled();
  }
  result_.stop_cause = declined;
  result_.check_whole = declined == StopCause::kNone && !tail_failed_at;
  if (!result_.check_whole) {
    result_.check_stopped_at = static_cast<std::uint32_t>(tail_failed_at.value_or(current));
  }
  if (declined != StopCause::kNone) {
    End(ReferenceEnd::kStopped, MessageIcon::kInformation,
        Tr("読み込みをｷｬﾝｾﾙしました") + CancelCauseSuffix(ctx_.cancel_cause()) + CheckNotes() +
            UnreadNote());
    return;
  }
  Report(current, result_.bytes_checked, started, true);
  EndCheck(after_capture, tail_failed_at);
}

// The job's frame: busy marks, the device check, the range.
template <typename Body>
void RunReference(JobContext& ctx, ReferenceResult& result, const ReferenceRequest& request,
                  Body&& body) {
  result = ReferenceResult{};
  if (!ctx.session().HasDevice()) {
    result.verdict.EndedBy(CommandOutcome{});  // no device: nothing happens
    return;
  }
  ctx.host().SetBusy(true);
  ReferenceRun run(ctx, result);
  if (run.SettleRange(request)) body(run);
  ctx.host().SetBusy(false);
}

}  // namespace

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
