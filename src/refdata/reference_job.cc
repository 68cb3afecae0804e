#include "refdata/reference_job.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "device/read_buffer.h"
#include "mmc/block_read.h"
#include "mmc/edc_read.h"
#include "mmc/read_capacity.h"
#include "mmc/read_toc.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/output_file.h"
#include "util/reference_file.h"
#include "util/regular_file.h"
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

// False with the reason when `path` names something other than a regular file (symlinks
// followed): a FIFO would block its opening until someone opens its other end.
bool RegularOrAbsent(const std::string& path, std::string* error) {
  std::error_code ec;
  const auto st = std::filesystem::status(path, ec);
  if (st.type() == std::filesystem::file_type::not_found ||
      st.type() == std::filesystem::file_type::regular) {
    return true;
  }
  *error = path + ": not a regular file";
  return false;
}

// The list of unread blocks beside the check file `path` (a symlink's list lies beside the
// file it points to, where the capture wrote it). False with the reason when it is there but
// cannot be read (or is not a regular file); an absent list is an empty one.
bool LoadUnreadList(const std::string& path, UnreadBlocks* out, std::string* list,
                    std::string* error) {
  OutputTarget resolved;
  *list = UnreadListPath(PlanOutputTarget(path, "", &resolved, nullptr) ? resolved.target : path);
  std::error_code ec;
  if (!std::filesystem::exists(*list, ec)) {
    list->clear();
    return true;
  }
  // A list longer than this is no capture's: at most one line per block of a whole DVD.
  constexpr std::uint64_t kMostListBytes = std::uint64_t{1} << 30;
  const std::optional<std::string> text =
      ReadRegularFile(*list, kMostListBytes, "list of unread blocks", error);
  if (!text) return false;
  if (!ParseUnreadList(*text, out, error)) {
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

// Where the read phase stands: its file, the next block to read and what ended the reads.
struct CaptureState {
  OutputFile out;
  bool in_place = false;  // a device or FIFO written as it is: no partial file, no list
  std::string why;        // the file's failure
  std::uint32_t bs = 0;   // of the track being read
  Clock::Duration started{0};
  std::uint64_t current = 0;   // the first block not in the file yet
  std::uint64_t appended = 0;  // for the rate shown: what is still buffered included
  bool declined = false;       // the read error question answered Cancel
  bool write_failed = false;
  bool no_size = false;  // a track's block size could not be found
  std::optional<std::uint64_t> tail_failed_at;
  BlockReply no_size_reply;

  bool Write(std::span<const std::uint8_t> bytes) {
    if (out.Append(bytes, &why)) {
      appended += bytes.size();
      return true;
    }
    write_failed = true;
    return false;
  }
  bool Ended() const { return declined || write_failed || no_size || tail_failed_at; }
};

// What the check phase compares with, and how far it got.
struct CheckState {
  ReferenceFile file;
  UnreadBlocks skip;     // blocks the capture could not read: filler in the file, left out
  std::uint32_t bs = 0;  // of the track being compared
  Clock::Duration started{0};
  std::vector<std::uint8_t> expected;  // the file's data of one command
  std::uint64_t current = 0;           // the first block not compared yet
  bool skip_questions = false;         // Skip answered: later differences are only counted
  bool no_size = false;
  BlockReply no_size_reply;
  StopCause declined = StopCause::kNone;
  std::optional<std::uint64_t> tail_failed_at;

  bool Ended() const { return declined != StopCause::kNone || no_size || tail_failed_at; }
};

// What became of one block of a failed command read again alone.
enum class AloneRead : std::uint8_t {
  kWhole,       // came whole (recovered)
  kEdcFailed,   // came with good status and failed its EDC
  kUnreadable,  // failed every time (or was not reached before a stop)
  kLeftOut,     // not read again: the reference does not hold it
};

// The blocks of a failed command read again one at a time, in its order.
struct AloneReads {
  std::vector<AloneRead> blocks;
  std::optional<std::uint64_t> first_unreadable;  // the LBA the read error question names
  // A stop came before every block was tried: none of them is accounted for (the job ends
  // there, the command not reached), and no question is asked.
  bool stopped = false;
};

// The parts both jobs share: the range, the reads, the reports.
class ReferenceRun {
 public:
  ReferenceRun(JobContext& ctx, ReferenceResult& result, bool verify_edc, std::uint32_t retries)
      : ctx_(ctx),
        session_(ctx.session()),
        host_(ctx.host()),
        result_(result),
        buffer_(std::size_t{kCaptureBlocksPerCommand} * kBlockRoom),
        verify_edc_(verify_edc),
        retries_(std::min<std::uint32_t>(retries, kMostRetries)) {}

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
  Coverage& coverage() { return result_.verdict.coverage(); }

  // Reads `blocks` blocks at `lba` into `into`: blocks x block size bytes expected.
  BlockReply Read(std::uint64_t lba, std::uint32_t blocks, std::uint32_t block_size,
                  std::span<std::uint8_t> into) {
    const auto want = into.first(std::size_t{blocks} * block_size);
    BlockReply reply = ReadBlocks(session_, ReadCdCdb(static_cast<std::uint32_t>(lba), blocks),
                                  want, static_cast<std::uint32_t>(want.size()));
    if (reply.second_read) ++result_.second_reads;
    return reply;
  }

  // Reads `blocks` whole blocks at `lba` with their EDC into `into`, checks each and leaves
  // their user data at blocks x 2048 from its start; edc_failed_ flags the blocks that failed
  // (none of a reply that is not ok).
  BlockReply ReadVerified(std::uint64_t lba, std::uint32_t blocks, std::span<std::uint8_t> into) {
    const auto want = into.first(std::size_t{blocks} * kEdcReadBlockBytes);
    BlockReply reply = ReadBlocks(session_, EdcReadCdb(static_cast<std::uint32_t>(lba), blocks),
                                  want, static_cast<std::uint32_t>(want.size()));
    if (reply.second_read) ++result_.second_reads;
    edc_failed_.assign(blocks, false);
    if (reply.ok()) {
      result_.edc_failed +=
          VerifyAndCompact(want, static_cast<std::int64_t>(lba), blocks, &edc_failed_);
    }
    return reply;
  }
  // The block at `lba` read alone into `into`, up to retries_ times while it fails: every failed
  // reply but the last is gone past in the verdict (`failed`, the read before these, first).
  // The last reply (`failed` when none was sent); `sent` counts the reads.
  BlockReply ReadAgain(std::uint64_t lba, std::uint32_t bs, bool verify,
                       std::span<std::uint8_t> into, const BlockReply* failed,
                       std::uint32_t* sent) {
    BlockReply reply = failed ? *failed : BlockReply{};
    *sent = 0;
    for (std::uint32_t i = 0; i < retries_ && !StopRequested(); ++i) {
      if (i != 0 || failed) result_.verdict.WentPast(reply.outcome, reply.short_reply);
      ++result_.retry_reads;
      ++*sent;
      reply = verify ? ReadVerified(lba, 1, into) : Read(lba, 1, bs, into);
      if (reply.ok()) break;
    }
    return reply;
  }
  // The `n` blocks of the failed command at `lba` read again one at a time into the read
  // buffer at their places (a verified block's user data at its place too); blocks in
  // `leave_out` are not read. Every failure is gone past: the question about the command comes
  // after, and the command's own failure is its answer's.
  AloneReads ReadEachAlone(std::uint64_t lba, std::uint32_t n, std::uint32_t bs, bool verify,
                           const UnreadBlocks* leave_out) {
    AloneReads r;
    r.blocks.assign(n, AloneRead::kUnreadable);
    for (std::uint32_t i = 0; i < n; ++i) {
      if (StopRequested()) {
        r.stopped = true;
        return r;
      }
      if (leave_out && leave_out->Contains(lba + i)) {
        r.blocks[i] = AloneRead::kLeftOut;
        continue;
      }
      std::uint32_t sent = 0;
      const BlockReply c = ReadAgain(lba + i, bs, verify,
                                     buffer_.span().subspan(std::size_t{i} * bs), nullptr, &sent);
      if (c.ok()) {
        r.blocks[i] = verify && edc_failed_.front() ? AloneRead::kEdcFailed : AloneRead::kWhole;
        continue;
      }
      if (StopRequested()) {  // its tries cut short: not known to be unreadable
        r.stopped = true;
        return r;
      }
      if (sent != 0) result_.verdict.WentPast(c.outcome, c.short_reply);
      if (!r.first_unreadable) r.first_unreadable = lba + i;
    }
    return r;
  }
  // The `n` blocks of the command at `lba` that `failed` read again alone, and what that means
  // for the job, the same for capture and check. A stop while they are read leaves them not
  // reached (the command's failure stays the verdict's); blocks that stay unreadable ask the
  // read error question, `*declined` when its answer ends the job; a command whose every block
  // came alone is still a read error gone past. The blocks are accounted for unless a stop
  // came. False when the job ends there.
  bool ReadAloneAndSettle(const BlockReply& failed, std::uint64_t lba, std::uint32_t n,
                          std::uint32_t bs, bool verify, const UnreadBlocks* leave_out,
                          AloneReads* r, bool* declined) {
    *r = ReadEachAlone(lba, n, bs, verify, leave_out);
    if (r->stopped) {
      ++result_.read_errors;
      result_.verdict.WentPast(failed.outcome, failed.short_reply);
      return false;
    }
    if (r->first_unreadable && !GoPastReadError(failed, *r->first_unreadable)) {
      CountAlone(*r, lba);
      *declined = true;
      return false;
    }
    if (!r->first_unreadable) {
      ++result_.read_errors;
      result_.verdict.WentPast(failed.outcome, failed.short_reply);
    }
    CountAlone(*r, lba);
    return true;
  }
  // Accounts for the blocks of a failed command read again that nothing else counts: the
  // recovered ones read whole, the others failed (or EDC failures).
  void CountAlone(const AloneReads& r, std::uint64_t lba) {
    for (std::size_t i = 0; i < r.blocks.size(); ++i) {
      const auto at = static_cast<std::int64_t>(lba + i);
      switch (r.blocks[i]) {
        case AloneRead::kWhole:
          coverage().ReadWhole(1);
          coverage().Recovered(at, 1);
          break;
        case AloneRead::kEdcFailed:
          coverage().EdcFailed(at, 1);
          break;
        case AloneRead::kUnreadable:
          coverage().Failed(at, 1);
          break;
        case AloneRead::kLeftOut:
          coverage().Skipped(at, 1, SkipReason::kUnreadInReference);
          break;
      }
    }
  }
  // Whether a track of block size `bs` is read with its EDC; the notes said once: a track
  // without an EDC to check, or (without the check) a first reply that shows the path hiding
  // short transfers.
  bool VerifiesTrack(std::uint32_t bs, std::uint64_t lba, const BlockReply& first,
                     std::uint32_t first_blocks);
  void Note(const std::string& text) {
    host_.Show(JobText::kResultLine, text);
    host_.Show(JobText::kStatusLine, text);
  }

  // The first command of a track: up to `per_command` of the `available` blocks at `lba` with
  // room for the largest block, the block size found from its reply (`finding`). The reply is
  // judged against that size like any other command's. `blocks` is set to the blocks it read,
  // 0 when its data cannot be used.
  BlockReply FirstCommand(std::uint64_t lba, std::uint64_t available, std::uint32_t per_command,
                          std::uint32_t* blocks, BlockSizeFinding* finding);
  // The blocks of the commands of `piece`: `per_command` each, the last one shorter, or (for
  // `tail`) the rest read one block per command.
  static std::uint32_t CommandBlocks(std::uint64_t left, std::uint32_t per_command, bool tail) {
    if (left >= per_command) return per_command;
    return tail ? 1 : static_cast<std::uint32_t>(left);
  }
  // Blocks before `lba` are accounted for: the ones the job never got to are not reached.
  void NoBlockSize(const BlockReply& first, const RangePiece& piece) {
    result_.verdict.EndedBy(first.outcome, first.good());
    coverage().Skipped(static_cast<std::int64_t>(piece.first), piece.blocks(),
                       SkipReason::kNoBlockSize);
  }
  // The end of a phase in which a track's size could not be found. When the track's first
  // read failed, the drive's answer follows: a refused opcode or a read error is the cause,
  // not the size.
  void NoBlockSizeEnd(const std::string& partial_note, const BlockReply& first) {
    std::string why;
    if (!first.good()) why = "\r\n" + FailureTextsOf(first.outcome).status_line;
    End(ReferenceEnd::kFirstReadFailed, MessageIcon::kError,
        Tr("読み込みが失敗しました") + why + partial_note + UnreadNote());
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

  // The LBA text and the progress, at most every kReportPeriod unless `force`. `current` is
  // the first block not done yet: the text shows the last one done at the end.
  [[gnu::hot]] void Report(std::uint64_t current, std::uint64_t phase_bytes,
                           Clock::Duration phase_start, bool force) {
    const Clock::Duration now = ctx_.clock().Now();
    if (!force && reported_ && now - last_report_ < kReportPeriod) return;
    reported_ = true;
    last_report_ = now;
    const std::uint64_t shown = std::min<std::uint64_t>(current, result_.range.end);
    host_.Show(JobText::kCounters, StrFormat(" LBA %d/%d", AsInt(shown), AsInt(result_.range.end)));
    JobProgress p;
    p.done =
        progress_base_ + (std::min<std::uint64_t>(current, result_.range.end + std::uint64_t{1}) -
                          result_.range.start);
    p.total = progress_total_;
    p.address = static_cast<std::uint32_t>(shown);
    const auto elapsed = std::chrono::duration<double>(now - phase_start).count();
    if (elapsed > 0) p.bytes_per_second = static_cast<double>(phase_bytes) / elapsed;
    host_.Progress(p);
  }

  // The pieces of the range, the disc's track starts and session gaps read once; the pieces
  // not read are accounted for here (gaps noted, blocks past the disc skipped) and the blocks
  // to read are asked for.
  std::vector<RangePiece> Pieces(bool check);
  // Index of the last track piece: the one whose end is read one block per command.
  static std::size_t LastTrack(const std::vector<RangePiece>& pieces) {
    std::size_t last = pieces.size();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (pieces[i].kind == PieceKind::kTrack) last = i;
    }
    return last;
  }

  // The read phase's steps: each track's commands (the first command's reply used when it was
  // whole; a command gone past written as filler; the range's last blocks one per command up
  // to the first that cannot be read), the file put under the target's name (a whole range) or
  // left partial with its list, and the closing status (false when the phase did not end
  // whole).
  void CaptureTrack(CaptureState& cap, const RangePiece& piece, bool tail);
  // The `n` blocks of the command at cap.current that `failed` read again one at a time:
  // the question asked only when some stay unreadable (those written as filler and listed),
  // the recovered ones written as data. False when the capture ends there.
  bool CaptureAlone(CaptureState& cap, const BlockReply& failed, std::uint32_t n, bool verify);
  void CloseCapture(CaptureState& cap, bool whole);
  bool EndCapture(const CaptureState& cap, bool whole, bool check_follows);

  // The check phase's steps: each track's commands of kCheckBlocksPerCommand blocks up to the
  // file's end, the range's last blocks read one block per command and compared in one piece,
  // the blocks the file does not hold, and the closing status.
  void CheckTrack(CheckState& check, const RangePiece& piece, bool tail);
  // The `n` blocks of the command at check.current that `failed` read again one at a time
  // (those the capture could not read left out): the question asked only when some stay
  // unreadable, the recovered ones compared, the command's first block not known to match
  // counted as its difference. False when the check ends there.
  bool CheckAlone(CheckState& check, const BlockReply& failed, std::uint32_t n, bool verify);
  // Whole-disc checks: the file's blocks past the disc's end are asked for and skipped.
  void CheckBeyondDisc(const CheckState& check);
  void CloseCheck(CheckState& check, bool after_capture);
  // Counts a difference and asks whether to go on; false when the answer ends the check.
  bool CountMismatch(CheckState& check, std::uint64_t lba, bool tail);
  // Compares `blocks` from `lba` of which the first `delivered` arrived in `disc`, and
  // accounts for them: blocks the capture could not read are skipped, the others read whole
  // and compared (or failed, for `failed`). False when the answer to a difference ends the
  // check.
  // `edc`: one flag per block of a delivered read whose EDC failed (null without the check):
  // those blocks are EDC failures, neither read whole nor compared.
  bool Compare(CheckState& check, std::uint64_t lba, std::uint64_t blocks, std::uint64_t delivered,
               std::span<const std::uint8_t> disc, bool failed, bool tail,
               const std::vector<bool>* edc = nullptr);
  // The first block of `blocks` from `lba` that is not known to match the file: the first
  // `delivered` of them arrived in `disc`, the others did not. Blocks the capture could not
  // read are left out (and counted).
  std::optional<std::uint64_t> FirstDifference(CheckState& check, std::uint64_t lba,
                                               std::uint64_t blocks, std::uint64_t delivered,
                                               std::span<const std::uint8_t> disc,
                                               const std::vector<bool>* edc);

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
  bool to_disc_end_ = false;  // the range was asked up to the disc's end
  bool disc_read_ = false;    // the track starts and session gaps were read
  std::vector<std::int32_t> track_starts_;
  std::vector<SessionGap> gaps_;
  bool verify_edc_ = false;
  std::uint32_t retries_ = kDefaultRetries;
  std::vector<bool> edc_failed_;  // of the last ReadVerified, one flag per block
  bool said_audio_ = false;
  bool said_mode2_ = false;
  bool said_hidden_ = false;
};

bool ReferenceRun::VerifiesTrack(std::uint32_t bs, std::uint64_t lba, const BlockReply& first,
                                 std::uint32_t first_blocks) {
  if (!verify_edc_) {
    if (!said_hidden_ && PathHidesShortTransfers(first, std::uint64_t{first_blocks} * bs)) {
      said_hidden_ = true;
      Note(kHiddenShortText);
    }
    return false;
  }
  if (EdcCheckable(bs)) return true;
  bool& said = bs == kEdcReadBlockBytes ? said_audio_ : said_mode2_;
  if (!said) {
    said = true;
    Note(StrFormat(bs == kEdcReadBlockBytes ? kNoEdcAudioText : kNoEdcMode2Text,
                   static_cast<long long>(lba)));
  }
  return false;
}

bool ReferenceRun::SettleRange(const ReferenceRequest& request) {
  std::uint32_t start = request.start;
  std::uint32_t end = request.end;
  std::array<std::uint8_t, 8> capacity{};
  const CommandOutcome cap = session_.Run(mmc::ReadCapacityCdb(), capacity);
  const bool have_last = cap.status == CommandStatus::kGood;
  const std::uint32_t last = have_last ? ReadBe32(capacity, 0) : 0;
  const bool whole = !request.exact && start == 0 && end == 0;
  to_disc_end_ = whole || end == kToDiscEnd;
  if (whole) {
    std::array<std::uint8_t, 255> toc{};
    if (session_.Run(mmc::ReadTocCdb({.length = 0xFF}), toc).status == CommandStatus::kGood) {
      start = ReadBe32(toc, 8);
    }
  }
  if (to_disc_end_) end = last;
  if (!have_last || (!request.exact && start == 0 && (end == 0 || last == 0))) {
    if (have_last) {
      result_.verdict.Refused(Tr("ﾃﾞｨｽｸにﾌﾞﾛｯｸがありません"));
    } else {
      result_.verdict.EndedBy(cap);
    }
    End(ReferenceEnd::kNoDisc, MessageIcon::kWarning,
        Tr("開始LBA と終了LBA がともに0です(No Discではありませんか ?)"));
    return false;
  }
  if (start > last) {
    End(ReferenceEnd::kOutsideDisc, MessageIcon::kWarning,
        StrFormat(Tr("開始LBA(%d) が最終LBA(%d) より後ろです"), AsInt(start), AsInt(last)));
    result_.verdict.Refused(result_.message);
    return false;
  }
  result_.range = {start, end};
  result_.disc_last = last;
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

std::vector<RangePiece> ReferenceRun::Pieces(bool check) {
  if (!disc_read_) {
    disc_read_ = true;
    track_starts_ = ReadTrackStarts(session_);
    gaps_ = ReadSessionGaps(session_);
  }
  std::vector<RangePiece> pieces =
      SplitRange(result_.range, track_starts_, gaps_, result_.disc_last);
  result_.session_gaps.clear();
  result_.layout = ReferenceLayout();
  for (const RangePiece& p : pieces) {
    if (p.kind == PieceKind::kSessionGap) {
      result_.session_gaps.push_back(
          {static_cast<std::int32_t>(p.first), static_cast<std::int32_t>(p.last + 1)});
      continue;
    }
    coverage().Ask(p.blocks(), check);
    if (p.kind == PieceKind::kBeyondDisc) {
      coverage().Skipped(static_cast<std::int64_t>(p.first), p.blocks(), SkipReason::kBeyondDisc);
    }
  }
  return pieces;
}

BlockReply ReferenceRun::FirstCommand(std::uint64_t lba, std::uint64_t available,
                                      std::uint32_t per_command, std::uint32_t* blocks,
                                      BlockSizeFinding* finding) {
  *blocks = static_cast<std::uint32_t>(std::min<std::uint64_t>(per_command, available));
  ReadEvidence e;
  e.command = ReadCdCdb(static_cast<std::uint32_t>(lba), *blocks);
  e.blocks = *blocks;
  e.requested = *blocks * kBlockRoom;
  e.lba = static_cast<std::int32_t>(lba);
  e.reply = ReadBlocks(session_, e.command, buffer_.span().first(e.requested), 0);
  if (e.reply.second_read) ++result_.second_reads;
  *finding = FindBlockSize(session_, e);
  BlockReply reply = e.reply;
  const std::uint64_t expected = std::uint64_t{*blocks} * finding->bytes;
  reply.short_reply = reply.good() && reply.received < expected;
  // The size came from a probe: the phase reads the blocks again at that size.
  if (reply.CountedBeyond(expected)) *blocks = 0;
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
  CaptureState cap;
  // Each command's data are written as they are, from the read buffer: no copy on the way.
  if (!cap.out.Open(path, kPartialSuffix, &cap.why, 0)) {
    result_.verdict.FileFailed(cap.why);
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat(Tr("ﾌｧｲﾙ ｵｰﾌﾟﾝに失敗しました\r\n%s"), cap.why.c_str()));
    return false;
  }
  cap.in_place = cap.out.plan().in_place;
  result_.file = cap.out.plan().writing;
  // A list that is not a regular file would hang the capture at its end (a FIFO no one reads)
  // or never be replaced: refused before anything is read.
  std::string why;
  if (!cap.in_place && !RegularOrAbsent(UnreadListPath(cap.out.plan().target), &why)) {
    cap.out.Abandon(true);
    result_.file.clear();
    result_.verdict.Refused(why);
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat(Tr("ﾌｧｲﾙ ｵｰﾌﾟﾝに失敗しました\r\n%s"), why.c_str()));
    return false;
  }
  progress_base_ = 0;
  progress_total_ = range.blocks() * (check_follows ? 2 : 1);
  host_.Show(JobText::kStatus, Tr("CDからﾌｧｲﾙに読み込み中..."));
  cap.started = ctx_.clock().Now();
  cap.current = range.start;
  Report(cap.current, 0, cap.started, true);

  const std::vector<RangePiece> pieces = Pieces(false);
  const std::size_t last_track = LastTrack(pieces);
  for (std::size_t i = 0; i < pieces.size() && !cap.Ended() && !StopRequested(); ++i) {
    const RangePiece& piece = pieces[i];
    if (piece.kind == PieceKind::kSessionGap)
      result_.layout.Add(static_cast<std::int64_t>(piece.first), 0);
    if (piece.kind != PieceKind::kTrack) {
      cap.current = piece.last + 1;
      continue;
    }
    CaptureTrack(cap, piece, i == last_track);
  }
  const bool whole = cap.current > range.end && !cap.write_failed && !cap.no_size && !cap.declined;
  CloseCapture(cap, whole);
  return EndCapture(cap, whole, check_follows);
}

[[gnu::hot]] void ReferenceRun::CaptureTrack(CaptureState& cap, const RangePiece& piece,
                                             bool tail) {
  cap.current = piece.first;
  std::uint32_t first_blocks = 0;
  BlockSizeFinding finding;
  const BlockReply first =
      FirstCommand(piece.first, piece.blocks(), kCaptureBlocksPerCommand, &first_blocks, &finding);
  if (result_.layout.empty()) result_.block_size = finding;
  cap.bs = finding.bytes;
  if (cap.bs == 0) {
    cap.no_size = true;
    cap.no_size_reply = first;
    NoBlockSize(first, piece);
    return;
  }
  result_.layout.Add(static_cast<std::int64_t>(piece.first), cap.bs);
  const bool verify = VerifiesTrack(cap.bs, piece.first, first, first_blocks);
  // A verified track's first command brought user data alone: its blocks are read again whole.
  bool use_first = !verify && first_blocks != 0 &&
                   first_blocks == CommandBlocks(piece.blocks(), kCaptureBlocksPerCommand, tail);
  // What a command gone past leaves in the file: every block keeps its place.
  const std::vector<std::uint8_t> filler(std::size_t{kCaptureBlocksPerCommand} * cap.bs,
                                         kReplyFill);
  while (!StopRequested() && cap.current <= piece.last) {
    const std::uint64_t left = piece.last + 1 - cap.current;
    const std::uint32_t n = CommandBlocks(left, kCaptureBlocksPerCommand, tail);
    const bool single = tail && left < kCaptureBlocksPerCommand;
    BlockReply c = use_first ? first
                   : verify  ? ReadVerified(cap.current, n, buffer_.span())
                             : Read(cap.current, n, cap.bs, buffer_.span());
    use_first = false;
    const auto at = static_cast<std::int64_t>(cap.current);
    std::span<const std::uint8_t> data = buffer_.span().first(std::size_t{n} * cap.bs);
    bool recovered = false;  // a block of the range's last ones that read on a second try
    if (!c.ok() && single) {
      std::uint32_t sent = 0;
      c = ReadAgain(cap.current, cap.bs, verify, buffer_.span(), &c, &sent);
      recovered = c.ok();
      if (recovered) ++result_.read_errors;
    }
    if (!c.ok()) {
      if (single) {
        // The range's last blocks: the first that cannot be read ends the capture.
        result_.verdict.EndedBy(c.outcome, c.short_reply);
        coverage().Failed(at, 1);
        cap.tail_failed_at = cap.current;
        return;
      }
      if (retries_ != 0) {
        if (!CaptureAlone(cap, c, n, verify)) return;
        continue;
      }
      if (!GoPastReadError(c, cap.current)) {
        coverage().Failed(at, n);
        cap.declined = true;
        return;
      }
      // Whatever part of it arrived is not known to be the data of its blocks.
      result_.unread.Add(cap.current, n);
      coverage().Failed(at, n);
      data = std::span<const std::uint8_t>(filler).first(data.size());
    } else if (verify) {
      // Blocks whose EDC failed are never written as data: filler, listed as unread.
      std::uint64_t bad = 0;
      ForEachFlaggedRun(edc_failed_, [&](std::size_t i, std::size_t count) {
        result_.unread.Add(cap.current + i, count);
        coverage().EdcFailed(at + static_cast<std::int64_t>(i), count);
        std::fill_n(buffer_.data() + i * cap.bs, count * cap.bs, kReplyFill);
        bad += count;
      });
      coverage().ReadWhole(n - bad);
      if (recovered && bad == 0) coverage().Recovered(at, 1);
    } else {
      coverage().ReadWhole(n);
      if (recovered) coverage().Recovered(at, 1);
    }
    if (!cap.Write(data)) return;
    cap.current += n;
    Report(cap.current, cap.appended, cap.started, false);
  }
}

bool ReferenceRun::CaptureAlone(CaptureState& cap, const BlockReply& failed, std::uint32_t n,
                                bool verify) {
  AloneReads r;
  if (!ReadAloneAndSettle(failed, cap.current, n, cap.bs, verify, nullptr, &r, &cap.declined)) {
    return false;
  }
  // What did not come whole holds filler and is listed: every block keeps its place.
  for (std::size_t i = 0; i < n; ++i) {
    if (r.blocks[i] == AloneRead::kWhole) continue;
    result_.unread.Add(cap.current + i, 1);
    std::fill_n(buffer_.data() + i * cap.bs, cap.bs, kReplyFill);
  }
  if (!cap.Write(buffer_.span().first(std::size_t{n} * cap.bs))) return false;
  cap.current += n;
  Report(cap.current, cap.appended, cap.started, false);
  return true;
}

void ReferenceRun::CloseCapture(CaptureState& cap, bool whole) {
  OutputFile& out = cap.out;
  if (whole) {
    if (!out.Flush(&cap.why)) {
      cap.write_failed = true;
    } else if (!cap.in_place && !WriteUnreadList(out.plan().target, result_.unread,
                                                 &result_.unread_file, &cap.why)) {
      cap.write_failed = true;
    } else if (!out.Commit(&cap.why)) {
      cap.write_failed = true;
      std::error_code ec;
      if (!result_.unread_file.empty()) std::filesystem::remove(result_.unread_file, ec);
      result_.unread_file.clear();
    }
  } else if (!cap.write_failed && !out.Flush(&cap.why, true)) {
    cap.write_failed = true;
  }
  result_.bytes_written = out.bytes_written();
  result_.read_elapsed = ctx_.clock().Now() - cap.started;
  if (whole && !cap.write_failed) {
    Report(cap.current, result_.bytes_written, cap.started, true);
    result_.file = out.plan().target;
  } else {
    out.Abandon(result_.bytes_written == 0);
    if (result_.bytes_written == 0 && !cap.in_place) {
      result_.file.clear();
    } else if (!cap.in_place) {
      // The partial file's own blocks of filler are listed beside it.
      std::string ignored;
      WriteUnreadList(result_.file, result_.unread, &result_.unread_file, &ignored);
    }
  }
}

bool ReferenceRun::EndCapture(const CaptureState& cap, bool whole, bool check_follows) {
  const std::string partial_note =
      cap.in_place || result_.file.empty()
          ? std::string()
          : StrFormat(Tr("\r\n途中までのﾃﾞｰﾀは %s にあります"), result_.file.c_str());
  if (cap.write_failed) {
    result_.verdict.FileFailed(cap.why);
    End(ReferenceEnd::kFileError, MessageIcon::kError,
        StrFormat(Tr("ﾌｧｲﾙの書き込みに失敗しました\r\n%s"), cap.why.c_str()) + partial_note +
            UnreadNote());
    return false;
  }
  if (!check_follows) {
    const std::string speed = CaptureSpeedText(result_.bytes_written, cap.bs, result_.read_elapsed);
    if (!speed.empty()) host_.Show(JobText::kSpeed, speed);
  }
  if (cap.no_size) {
    NoBlockSizeEnd(partial_note, cap.no_size_reply);
    return false;
  }
  if (cap.declined || (!whole && !cap.tail_failed_at)) {
    result_.stop_cause = cap.declined ? StopCause::kReadError : StopCause::kUser;
    if (!cap.declined) result_.verdict.Cancelled();
    End(ReferenceEnd::kStopped, MessageIcon::kInformation,
        Tr("読み込みをｷｬﾝｾﾙしました") + CancelCauseSuffix(ctx_.cancel_cause()) + partial_note +
            UnreadNote());
    return false;
  }
  if (cap.tail_failed_at) {
    End(ReferenceEnd::kTailReadFailed, MessageIcon::kError,
        StrFormat(Tr("Read ｴﾗｰが発生しました(LBA=%d)"), AsInt(*cap.tail_failed_at)) + partial_note +
            UnreadNote());
    return false;
  }
  if (!check_follows) {
    if (result_.read_errors != 0) {
      End(ReferenceEnd::kCompleted, MessageIcon::kWarning,
          StrFormat(Tr("読み込みが終了しました(%u件 のRead ｴﾗｰを検出)"), result_.read_errors) +
              UnreadNote());
    } else if (result_.edc_failed != 0) {
      End(ReferenceEnd::kCompleted, MessageIcon::kWarning,
          StrFormat(Tr("読み込みが終了しました(%llu ﾌﾞﾛｯｸ のEDCｴﾗｰを検出)"),
                    Ull(result_.edc_failed)) +
              UnreadNote());
    } else if (!result_.verdict.coverage().complete()) {
      End(ReferenceEnd::kCompleted, MessageIcon::kWarning, Tr("読み込みが終了しました"));
    } else {
      End(ReferenceEnd::kCompleted, MessageIcon::kInformation, Tr("読み込みが完了しました"));
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
  } else if (result_.edc_failed != 0) {
    End(ReferenceEnd::kCompleted, MessageIcon::kWarning,
        StrFormat(after_capture ? Tr("読み込みが終了しました(%llu ﾌﾞﾛｯｸ のEDCｴﾗｰを検出)")
                                : Tr("ﾃﾞｰﾀﾁｪｯｸが終了しました(%llu ﾌﾞﾛｯｸ のEDCｴﾗｰを検出)"),
                  Ull(result_.edc_failed)) +
            notes);
  } else if (!result_.verdict.coverage().complete()) {
    End(ReferenceEnd::kCompleted, MessageIcon::kWarning,
        (after_capture ? Tr("読み込みが終了しました") : Tr("ﾃﾞｰﾀﾁｪｯｸが終了しました")) + notes);
  } else {
    End(ReferenceEnd::kCompleted, MessageIcon::kInformation,
        (after_capture ? Tr("読み込みが完了しました") : Tr("ﾃﾞｰﾀﾁｪｯｸが完了しました")) + notes);
  }
}

void ReferenceRun::CheckPhase(const std::string& path, bool after_capture) {
  CheckState check;
  if (!OpenCheckFile(path, after_capture, &check.file, &check.skip)) return;
  result_.check_ran = true;
  result_.mismatches = 0;
  const std::uint64_t read_blocks = after_capture ? result_.range.blocks() : 0;
  host_.Show(JobText::kStatus, Tr("ﾌｧｲﾙをﾁｪｯｸ中..."));
  check.started = ctx_.clock().Now();
  if (check.file.size() == 0) {
    result_.check_elapsed = ctx_.clock().Now() - check.started;
    result_.verdict.FileFailed(path + ": no whole block");
    End(ReferenceEnd::kNoCheckData, MessageIcon::kError,
        StrFormat(Tr("ﾁｪｯｸするﾃﾞｰﾀがﾌｧｲﾙにありません\r\n%s"), path.c_str()));
    return;
  }
  progress_base_ = read_blocks;
  progress_total_ = read_blocks + result_.range.blocks();
  check.expected.resize(std::size_t{kCheckBlocksPerCommand} * kBlockRoom);
  check.current = result_.range.start;
  Report(check.current, 0, check.started, true);

  const std::vector<RangePiece> pieces = Pieces(true);
  const std::size_t last_track = LastTrack(pieces);
  std::size_t i = 0;
  for (; i < pieces.size() && !check.Ended() && !StopRequested(); ++i) {
    const RangePiece& piece = pieces[i];
    if (piece.kind == PieceKind::kSessionGap) {
      result_.layout.Add(static_cast<std::int64_t>(piece.first), 0);
    } else if (piece.kind == PieceKind::kTrack) {
      CheckTrack(check, piece, i == last_track);
    }
    if (!check.Ended()) check.current = std::max(check.current, piece.last + 1);
  }
  if (i == pieces.size() && !check.Ended() && !StopRequested()) CheckBeyondDisc(check);
  result_.check_elapsed = ctx_.clock().Now() - check.started;
  CloseCheck(check, after_capture);
}

void ReferenceRun::CheckTrack(CheckState& check, const RangePiece& piece, bool tail) {
  check.current = piece.first;
  const auto at = static_cast<std::int64_t>(piece.first);
  // Where the track's first block lies in the file; nothing of it when the file ends before.
  const std::uint64_t offset = result_.layout.empty() ? 0 : result_.layout.Offset(at).value_or(0);
  if (offset >= check.file.size()) {
    coverage().Skipped(at, piece.blocks(), SkipReason::kBeyondReference);
    return;
  }
  std::uint32_t first_blocks = 0;
  BlockSizeFinding finding;
  const BlockReply first =
      FirstCommand(piece.first, piece.blocks(), kCheckBlocksPerCommand, &first_blocks, &finding);
  if (result_.layout.empty()) result_.block_size = finding;
  check.bs = finding.bytes;
  if (check.bs == 0) {
    check.no_size = true;
    check.no_size_reply = first;
    NoBlockSize(first, piece);
    return;
  }
  result_.layout.Add(at, check.bs);
  const bool verify = VerifiesTrack(check.bs, piece.first, first, first_blocks);
  // The blocks the file holds whole from the track's first; the rest are not compared.
  const std::uint64_t in_file = (check.file.size() - offset) / check.bs;
  const bool partial = (check.file.size() - offset) % check.bs != 0;
  const std::uint64_t compared = std::min(piece.blocks(), in_file);
  const std::uint64_t last = piece.first + compared - 1;
  const bool cut = compared < piece.blocks();
  tail = tail || cut;
  bool use_first = !verify && compared != 0 && first_blocks != 0 &&
                   first_blocks == CommandBlocks(compared, kCheckBlocksPerCommand, tail);
  while (compared != 0 && !StopRequested() && check.current <= last &&
         check.declined == StopCause::kNone) {
    const std::uint64_t left = last + 1 - check.current;
    if (tail && left < kCheckBlocksPerCommand) {
      // The last blocks one per command, up to the first that cannot be read, compared in one
      // piece.
      const std::uint64_t tail_start = check.current;
      std::size_t tail_blocks = 0;
      std::vector<bool> tail_edc;
      std::vector<std::uint64_t> tail_recovered;  // blocks that read on a second try
      while (!StopRequested() && check.current <= last) {
        const auto into = buffer_.span().subspan(tail_blocks * check.bs);
        BlockReply c =
            verify ? ReadVerified(check.current, 1, into) : Read(check.current, 1, check.bs, into);
        if (!c.ok()) {
          std::uint32_t sent = 0;
          c = ReadAgain(check.current, check.bs, verify, into, &c, &sent);
          if (c.ok()) {
            ++result_.read_errors;
            tail_recovered.push_back(check.current);
          }
        }
        if (!c.ok()) {
          result_.verdict.EndedBy(c.outcome, c.short_reply);
          check.tail_failed_at = check.current;
          break;
        }
        if (verify) tail_edc.push_back(edc_failed_.front());
        ++tail_blocks;
        ++check.current;
        Report(check.current, result_.bytes_checked, check.started, false);
      }
      if (StopRequested() && !check.tail_failed_at) {
        // Blocks read but not compared are not reached.
        check.current = tail_start;
        return;
      }
      if (tail_blocks != 0 || check.tail_failed_at) {
        const auto disc = buffer_.span().first(tail_blocks * check.bs);
        if (!Compare(check, tail_start, tail_blocks, tail_blocks, disc, false, true,
                     verify ? &tail_edc : nullptr)) {
          check.declined = StopCause::kDifference;
        }
        // The block that could not be read is not known to match (Compare counted it).
        if (check.tail_failed_at) {
          coverage().Failed(static_cast<std::int64_t>(*check.tail_failed_at), 1);
        }
        // Recovered where Compare counted them read whole.
        for (const std::uint64_t b : tail_recovered) {
          if (check.skip.Contains(b) || (verify && tail_edc[b - tail_start])) continue;
          coverage().Recovered(static_cast<std::int64_t>(b), 1);
        }
      }
      if (check.Ended()) return;
      continue;
    }
    const std::uint32_t n = CommandBlocks(left, kCheckBlocksPerCommand, false);
    const BlockReply c = use_first ? first
                         : verify  ? ReadVerified(check.current, n, buffer_.span())
                                   : Read(check.current, n, check.bs, buffer_.span());
    use_first = false;
    if (!c.ok() && retries_ != 0) {
      if (!CheckAlone(check, c, n, verify)) return;
      Report(check.current, result_.bytes_checked, check.started, false);
      continue;
    }
    if (!c.ok() && !GoPastReadError(c, check.current)) {
      coverage().Failed(static_cast<std::int64_t>(check.current), n);
      check.declined = StopCause::kReadError;
      return;
    }
    const auto disc = buffer_.span().first(std::size_t{n} * check.bs);
    // Data the drive did not deliver whole are no match, whatever the buffer holds.
    const std::uint64_t lba = check.current;
    check.current += n;
    if (!Compare(check, lba, n, c.ok() ? n : 0, disc, !c.ok(), false,
                 verify && c.ok() ? &edc_failed_ : nullptr)) {
      check.declined = StopCause::kDifference;
      return;
    }
    Report(check.current, result_.bytes_checked, check.started, false);
  }
  if (check.Ended() || StopRequested() || !cut) return;
  // The file ends inside the track: its last bytes are part of a block, the rest not there.
  std::uint64_t from = piece.first + compared;
  if (partial) {
    coverage().Skipped(static_cast<std::int64_t>(from), 1, SkipReason::kPartialReference);
    ++from;
  }
  if (from <= piece.last) {
    coverage().Skipped(static_cast<std::int64_t>(from), piece.last + 1 - from,
                       SkipReason::kBeyondReference);
  }
  check.current = piece.last + 1;
}

bool ReferenceRun::CheckAlone(CheckState& check, const BlockReply& failed, std::uint32_t n,
                              bool verify) {
  const std::uint64_t lba = check.current;
  AloneReads r;
  bool declined = false;
  if (!ReadAloneAndSettle(failed, lba, n, check.bs, verify, &check.skip, &r, &declined)) {
    if (declined) check.declined = StopCause::kReadError;
    return false;
  }
  check.current += n;
  const auto disc = buffer_.span().first(std::size_t{n} * check.bs);
  const auto want = std::span<std::uint8_t>(check.expected).first(disc.size());
  const std::optional<std::uint64_t> offset =
      ReferenceOffset(result_.layout, static_cast<std::int64_t>(lba));
  const bool have_file = offset && check.file.ReadAt(*offset, want) == want.size();
  // The first block that is not known to match: one that stayed unreadable, or a recovered
  // one whose data differ. Blocks the capture could not read and EDC failures are left out.
  std::optional<std::uint64_t> differs;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t at = i * check.bs;
    switch (r.blocks[i]) {
      case AloneRead::kLeftOut:
        ++result_.skipped;
        break;
      case AloneRead::kWhole:
        coverage().Compared(1);
        if (!differs && (!have_file || !std::ranges::equal(disc.subspan(at, check.bs),
                                                           want.subspan(at, check.bs)))) {
          differs = lba + i;
        }
        break;
      case AloneRead::kUnreadable:
        if (!differs) differs = lba + i;
        break;
      case AloneRead::kEdcFailed:
        break;
    }
  }
  result_.bytes_checked += disc.size();
  if (differs && !CountMismatch(check, *differs, false)) {
    check.declined = StopCause::kDifference;
    return false;
  }
  return true;
}

void ReferenceRun::CheckBeyondDisc(const CheckState& check) {
  if (!to_disc_end_ || result_.layout.empty()) return;
  const std::int64_t past = std::int64_t{result_.range.end} + 1;
  const std::uint32_t bs = result_.layout.BlockSizeAt(past - 1);
  const std::uint64_t offset = result_.layout.Offset(past).value_or(check.file.size());
  if (bs == 0 || offset >= check.file.size()) return;
  const std::uint64_t blocks = (check.file.size() - offset + bs - 1) / bs;
  coverage().Ask(blocks, true);
  coverage().Skipped(past, blocks, SkipReason::kBeyondDisc);
}

bool ReferenceRun::Compare(CheckState& check, std::uint64_t lba, std::uint64_t blocks,
                           std::uint64_t delivered, std::span<const std::uint8_t> disc, bool failed,
                           bool tail, const std::vector<bool>* edc) {
  const std::uint64_t unread = check.skip.CountIn(lba, blocks);
  const bool edc_failed = edc && std::find(edc->begin(), edc->end(), true) != edc->end();
  if (failed) {
    coverage().Failed(static_cast<std::int64_t>(lba), blocks);
  } else if (edc_failed) {
    // Block by block: an EDC failure, else skipped as the capture's unread, else compared.
    for (std::uint64_t i = 0; i < blocks; ++i) {
      const auto at = static_cast<std::int64_t>(lba + i);
      if (i < edc->size() && (*edc)[i]) {
        coverage().EdcFailed(at, 1);
      } else if (check.skip.Contains(lba + i)) {
        coverage().Skipped(at, 1, SkipReason::kUnreadInReference);
      } else {
        coverage().ReadWhole(1);
        coverage().Compared(1);
      }
    }
  } else {
    for (const UnreadRange& r : check.skip.ranges()) {
      const std::uint64_t first = std::max<std::uint64_t>(r.first, lba);
      const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{r.last} + 1, lba + blocks);
      if (first < end) {
        coverage().Skipped(static_cast<std::int64_t>(first), end - first,
                           SkipReason::kUnreadInReference);
      }
    }
    coverage().ReadWhole(blocks - unread);
    coverage().Compared(blocks - unread);
  }
  // The block after a tail that could not be read is not known to match either.
  const std::uint64_t asked = blocks + (tail && check.tail_failed_at ? 1 : 0);
  const std::optional<std::uint64_t> at =
      FirstDifference(check, lba, asked, delivered, disc, edc_failed ? edc : nullptr);
  result_.bytes_checked += disc.size();
  return !at || CountMismatch(check, *at, tail);
}

bool ReferenceRun::CountMismatch(CheckState& check, std::uint64_t lba, bool tail) {
  ++result_.mismatches;
  result_.verdict.AddDifferences(1);
  if (!result_.first_mismatch) result_.first_mismatch = static_cast<std::uint32_t>(lba);
  host_.Show(JobText::kStatus, StrFormat(Tr("ｴﾗｰ件数 %d"), AsInt(result_.mismatches)));
  if (check.skip_questions) return true;
  // The tail's question has a blank before its second line.
  const Answer a = Ask(
      QuestionKind::kContinueSkipStop,
      tail ? StrFormat(Tr("ﾃﾞｰﾀの差異を検出しました(LBA=%d)\r\n ﾁｪｯｸを継続しますか?"), AsInt(lba))
           : StrFormat(Tr("ﾃﾞｰﾀの差異を検出しました(LBA=%d)\r\nﾁｪｯｸを継続しますか?"), AsInt(lba)));
  if (a == Answer::kSkip) check.skip_questions = true;
  return a == Answer::kContinue || a == Answer::kSkip;
}

std::optional<std::uint64_t> ReferenceRun::FirstDifference(CheckState& check, std::uint64_t lba,
                                                           std::uint64_t blocks,
                                                           std::uint64_t delivered,
                                                           std::span<const std::uint8_t> disc,
                                                           const std::vector<bool>* edc) {
  result_.skipped += check.skip.CountIn(lba, blocks);
  // Blocks whose EDC failed are failures already: no difference is looked for in them.
  UnreadBlocks with_edc;
  if (edc) {
    with_edc = check.skip;
    ForEachFlaggedRun(*edc,
                      [&](std::size_t i, std::size_t count) { with_edc.Add(lba + i, count); });
  }
  const UnreadBlocks& skip = edc ? with_edc : check.skip;
  const auto want = std::span<std::uint8_t>(check.expected).first(disc.size());
  const std::optional<std::uint64_t> offset =
      ReferenceOffset(result_.layout, static_cast<std::int64_t>(lba));
  const bool have_file = offset && check.file.ReadAt(*offset, want) == want.size();
  return FirstUnmatchedBlock(
      lba, blocks, delivered, disc,
      have_file ? std::optional<std::span<const std::uint8_t>>(want) : std::nullopt, skip,
      check.bs);
}

void ReferenceRun::CloseCheck(CheckState& check, bool after_capture) {
  if (check.declined == StopCause::kNone && !check.no_size && StopRequested()) {
    check.declined = StopCause::kUser;
    result_.verdict.Cancelled();
  }
  result_.stop_cause = check.declined;
  result_.check_whole = !check.Ended();
  if (!result_.check_whole) {
    result_.check_stopped_at =
        static_cast<std::uint32_t>(check.tail_failed_at.value_or(check.current));
  }
  if (check.no_size) {
    NoBlockSizeEnd({}, check.no_size_reply);
    return;
  }
  if (check.declined != StopCause::kNone) {
    End(ReferenceEnd::kStopped, MessageIcon::kInformation,
        Tr("読み込みをｷｬﾝｾﾙしました") + CancelCauseSuffix(ctx_.cancel_cause()) + CheckNotes() +
            UnreadNote());
    return;
  }
  Report(check.current, result_.bytes_checked, check.started, true);
  EndCheck(after_capture, check.tail_failed_at);
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
  ReferenceRun run(ctx, result, request.verify_edc, request.retries);
  if (run.SettleRange(request)) body(run);
  ctx.host().SetBusy(false);
}

}  // namespace

std::vector<RangePiece> SplitRange(const ReferenceRange& range,
                                   std::span<const std::int32_t> track_starts,
                                   std::span<const SessionGap> gaps, std::uint64_t disc_last) {
  std::vector<RangePiece> pieces;
  if (range.blocks() == 0) return pieces;
  const std::uint64_t end = std::uint64_t{range.end} + 1;
  // Every block where a piece may begin, inside the range.
  std::vector<std::uint64_t> cuts = {range.start, end};
  const auto cut = [&](std::int64_t lba) {
    if (lba > std::int64_t{range.start} && lba < static_cast<std::int64_t>(end)) {
      cuts.push_back(static_cast<std::uint64_t>(lba));
    }
  };
  for (const std::int32_t s : track_starts) cut(s);
  for (const SessionGap& g : gaps) {
    cut(g.first);
    cut(g.end);
  }
  cut(static_cast<std::int64_t>(disc_last) + 1);
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
    const std::uint64_t first = cuts[i];
    PieceKind kind = PieceKind::kTrack;
    if (first > disc_last) kind = PieceKind::kBeyondDisc;
    for (const SessionGap& g : gaps) {
      if (static_cast<std::int64_t>(first) >= g.first && static_cast<std::int64_t>(first) < g.end) {
        kind = PieceKind::kSessionGap;
      }
    }
    if (kind != PieceKind::kTrack && !pieces.empty() && pieces.back().kind == kind) {
      pieces.back().last = cuts[i + 1] - 1;
      continue;
    }
    pieces.push_back({first, cuts[i + 1] - 1, kind});
  }
  return pieces;
}

std::optional<std::uint64_t> FirstUnmatchedBlock(
    std::uint64_t lba, std::uint64_t blocks, std::uint64_t delivered,
    std::span<const std::uint8_t> disc, std::optional<std::span<const std::uint8_t>> file_data,
    const UnreadBlocks& skip, std::uint32_t block_size) {
  // The file's and the disc's bytes of `count` blocks from block `first` of the command.
  const auto same = [&](std::uint64_t first, std::uint64_t count) {
    const auto at = static_cast<std::size_t>(first * block_size);
    const auto n = static_cast<std::size_t>(count * block_size);
    return std::ranges::equal(disc.subspan(at, n), file_data->subspan(at, n));
  };
  // Most commands: every block arrived and all match, in one comparison (a block left out
  // would match or be passed over alike).
  if (delivered >= blocks && file_data && same(0, blocks)) return std::nullopt;
  for (std::uint64_t i = 0; i < blocks; ++i) {
    if (skip.Contains(lba + i)) continue;
    if (i >= delivered || !file_data || !same(i, 1)) return lba + i;
  }
  return std::nullopt;
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

bool ReadUnreadListOf(const std::string& data_file, UnreadBlocks* out, std::string* error) {
  std::string list;
  return LoadUnreadList(data_file, out, &list, error);
}

}  // namespace tamarack
