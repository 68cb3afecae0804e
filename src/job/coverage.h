// What a long job was asked to read (and, where a check was asked, to compare), and what
// became of every one of those blocks: read whole, failed or short, or skipped for a stated
// reason. The counts add up to what was asked; whatever they leave over was never reached
// (a job that stopped early). JobVerdict holds one, so that a job that left out a block it was
// asked for is never good, whatever its commands returned.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamarack {

struct CoverageWords;  // the words of Text() and LocalText() (coverage.cc)

// Why blocks that were asked for were not read (or not compared).
enum class SkipReason {
  kUnreadInReference,  // listed in the reference's FILE.unread: the capture could not read them
  kBeyondDisc,         // past the disc's last block
  kBeyondReference,    // past the reference file's end (the disc is longer than the file)
  kPartialReference,   // the reference's last block is not whole
  kNoBlockSize,        // no block size could be found for their track
  kNotChecked,  // read, but the data check could not be made (e.g. audio with a test-sector check)
  kBetweenSessions,  // between one session's lead-out and the next session's first track
};

// The words a closing line and `--json` use for a reason ("unread in reference", ...).
const char* SkipReasonText(SkipReason reason);

// A run of blocks a job did not read or did not check, with its reason.
struct SkippedBlocks {
  std::int64_t first = 0;
  std::uint64_t count = 0;
  SkipReason reason = SkipReason::kBeyondDisc;
};

// A run of blocks whose command failed or came short.
struct FailedBlocks {
  std::int64_t first = 0;
  std::uint64_t count = 0;
};

class Coverage {
 public:
  // The blocks a job was asked for, added as it learns them (a job of several passes asks
  // for each pass's blocks); `check`: each is also to be compared.
  void Ask(std::uint64_t blocks, bool check = false) {
    asked_ += blocks;
    if (check) check_asked_ += blocks;
  }
  void ReadWhole(std::uint64_t blocks) { read_whole_ += blocks; }
  // Blocks read whole and compared with what they should hold (equal or not: differences
  // are the verdict's own count).
  void Compared(std::uint64_t blocks) { compared_ += blocks; }
  void Failed(std::int64_t first, std::uint64_t count);
  // Blocks that came with good status and whose own EDC says their data are wrong (or were
  // never sent): a failure of their own kind, neither read whole nor compared.
  void EdcFailed(std::int64_t first, std::uint64_t count);
  // Blocks of a failed command that came whole when read again alone: counted as read whole
  // here too, and kept apart so that a closing line says the drive needed a second try.
  void Recovered(std::int64_t first, std::uint64_t count);
  void Skipped(std::int64_t first, std::uint64_t count, SkipReason reason);
  // Blocks read whole but whose check was skipped: they count as read, and as not compared.
  void CheckSkipped(std::int64_t first, std::uint64_t count, SkipReason reason);
  // Blocks inside the span a job walks that hold nothing a drive reads (the gap between two
  // sessions): never asked for, so they leave the verdict as it is, but listed with their
  // reason so that the closing line says why they were not read.
  void PassedOver(std::int64_t first, std::uint64_t count, SkipReason reason);

  std::uint64_t asked() const { return asked_; }
  std::uint64_t check_asked() const { return check_asked_; }
  std::uint64_t read_whole() const { return read_whole_; }
  std::uint64_t compared() const { return compared_; }
  std::uint64_t failed() const { return failed_; }
  std::uint64_t edc_failed() const { return edc_failed_; }
  std::uint64_t recovered() const { return recovered_; }
  std::uint64_t skipped() const { return skipped_; }
  std::uint64_t check_skipped() const { return check_skipped_; }
  std::uint64_t passed_over() const { return passed_over_; }
  // Asked for and never accounted for: a job that stopped before reaching them.
  std::uint64_t not_reached() const {
    const std::uint64_t done = read_whole_ + failed_ + edc_failed_ + skipped_;
    return done >= asked_ ? 0 : asked_ - done;
  }
  // Asked to be compared, read, and not compared.
  std::uint64_t not_compared() const {
    const std::uint64_t reachable = check_asked_ > skipped_ ? check_asked_ - skipped_ : 0;
    const std::uint64_t lost = failed_ + edc_failed_;
    const std::uint64_t due = reachable > lost ? reachable - lost : 0;
    const std::uint64_t owed = due > not_reached() ? due - not_reached() : 0;
    return owed > compared_ ? owed - compared_ : 0;
  }
  // The runs listed (merged where adjacent, at most kListedRuns of each kind kept).
  const std::vector<FailedBlocks>& failed_runs() const { return failed_runs_; }
  const std::vector<FailedBlocks>& edc_failed_runs() const { return edc_failed_runs_; }
  const std::vector<FailedBlocks>& recovered_runs() const { return recovered_runs_; }
  const std::vector<SkippedBlocks>& skipped_runs() const { return skipped_runs_; }
  const std::vector<SkippedBlocks>& passed_over_runs() const { return passed_over_runs_; }
  // Nothing asked was left out: every block read whole, every block to compare compared.
  bool complete() const {
    return failed_ == 0 && edc_failed_ == 0 && skipped_ == 0 && not_reached() == 0 &&
           not_compared() == 0;
  }
  // Only blocks that failed or were never reached are missing: nothing was skipped and
  // every block that was read whole was compared.
  bool all_read_compared() const { return skipped_ == 0 && not_compared() == 0; }

  // "asked 1000, read 900, failed 0, skipped 100 (beyond reference 900-999)"; with a check,
  // "compared N" after "read"; blocks whose EDC failed after "failed", only when there are
  // some: ", EDC failed 2 (100-101)"; blocks recovered on a second try after those, only when
  // there are some: ", recovered 15 (96-99, 101-111)"; blocks passed over after the rest, only
  // when there are some:
  // ", passed over 11400 (between sessions 20250-31649)".
  std::string Text() const;
  // The same line in the window's language (the closing message), the English through the
  // catalogue.
  std::string LocalText() const;
  // The same counts as the members of a JSON object, without braces:
  // "\"asked\": 1000, \"read\": 900, ..., \"skipped_runs\": [...]", then only when blocks were
  // passed over "\"passed_over\": N, \"passed_over_runs\": [...]", and only when blocks failed
  // their EDC "\"edc_failed\": N, \"edc_failed_runs\": [...]", and only when blocks were
  // recovered "\"recovered\": N, \"recovered_runs\": [...]".
  std::string JsonMembers() const;

  static constexpr std::size_t kListedRuns = 64;

 private:
  std::string TextIn(const CoverageWords& words) const;
  std::uint64_t asked_ = 0;
  std::uint64_t check_asked_ = 0;
  std::uint64_t read_whole_ = 0;
  std::uint64_t compared_ = 0;
  std::uint64_t failed_ = 0;
  std::uint64_t edc_failed_ = 0;
  std::uint64_t recovered_ = 0;
  std::uint64_t skipped_ = 0;
  std::uint64_t check_skipped_ = 0;
  std::uint64_t passed_over_ = 0;
  std::vector<FailedBlocks> failed_runs_;
  std::vector<FailedBlocks> edc_failed_runs_;
  std::vector<FailedBlocks> recovered_runs_;
  std::vector<SkippedBlocks> skipped_runs_;
  std::vector<SkippedBlocks> passed_over_runs_;
};

}  // namespace tamarack
