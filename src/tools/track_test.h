// The track reading tests of the Toc tab: Type1.3 reads a self-describing single-track data
// disc every 30 blocks and checks each sector's own address; Type3.0 reads the first block of
// each of the 23 tracks of the mixed test disc with every Read CD field selection and checks the
// length that came back. Both run as jobs of the job frame.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "job/job.h"
#include "job/job_verdict.h"
#include "mmc/block_read.h"

namespace tamarack {

enum class TrackTestKind {
  kType13,
  kType30Normal,
  kType30Plus1,   // every track read one block after its start
  kType30Minus1,  // tracks 1-21 read at the block before the next track's start
};

// "Type1.3", "Type3.0(Normal)", "Type3.0(+1)", "Type3.0(-1)": the buttons' captions.
const char* TrackTestName(TrackTestKind kind);

// Track classes of the Type3.0 disc: what each track's sector format makes Read CD return.
enum class TrackClass { kMode1, kTrack2, kForm2, kAudio };

// The class of track `number` (1 to 23) of the Type3.0 disc.
TrackClass Type30ClassOf(int number);

// One pass of the Type3.0 test: a Read CD field selection over some of the tracks.
struct Type30Pass {
  const char* name;        // "User Data", "Header", ...
  std::uint8_t selection;  // Read CD byte 9
};

// The passes in their order: User Data, Header, Sub Header, All Header, Parity, Sync, All.
std::span<const Type30Pass> Type30Passes();

// Whether `pass` reads track class `c` ("Sub Header" only the XA tracks; the header and
// parity passes only data tracks).
bool PassReadsClass(const Type30Pass& pass, TrackClass c);

// Whether `length` bytes for one block is what the table accepts for `selection` and `c`.
bool LengthAccepted(std::uint8_t selection, TrackClass c, std::uint32_t length);

// The track start addresses the Type3.0 test reads, by variant: `starts` holds the TOC's 23
// track start addresses in track order; "+1" adds 1 to each, "-1" sets the first 21 to the next
// track's start - 1 and keeps tracks 22 and 23.
std::array<std::uint32_t, 23> Type30ReadAddresses(TrackTestKind kind,
                                                  const std::array<std::uint32_t, 23>& starts);

// The Type1.3 check of one sector (the reply to a Read CD of user data): the address text
// "MMmSSsFFf" at bytes 13-21 must give `lba` + 150, and the checksum at 2046-2047 must match
// the sum of the words before it. Empty when the sector is good and no line is due; otherwise
// the line: "Ok! %d,%d,%d %d" every 300 blocks, "Ng! %d,%d,%d %d" for a wrong address, and the
// same Ng line followed by " sum:%04x checksum:%04x" for a wrong checksum.
struct Type13Verdict {
  bool ok = true;
  std::string line;
};
Type13Verdict CheckType13Sector(std::span<const std::uint8_t> sector, std::int32_t lba);

// What a test found, read after Finished.
struct TrackTestResult {
  bool toc_ok = false;  // the TOC was read and fits the test disc
  std::vector<std::string> lines;
  int ng_lines = 0;  // lines that report a data fault ("Ng!", "***Track .. Ng")
  RunState ended_by = RunState::kIdle;
  // Ng lines and a TOC that is not the test disc's are differences; a failed read ends
  // Type1.3 and is gone past by Type3.0; a short Type1.3 block is a failure of its read. Its
  // coverage counts each read as a block asked and compared; a Type3.0 read whose length the
  // path hides is read and not compared, so such a run is never good.
  JobVerdict verdict;
  // Why the failure that decides the verdict failed ("" when none did).
  std::string failure_text;
  std::uint64_t reads = 0;         // block reads sent, second reads included
  std::uint64_t second_reads = 0;  // of those: reads sent again over the A5h fill
};

// Reports: kResultLine for each line of the list (the caller clears the list before it starts);
// Progress per read (reads done of all, the LBA); Message: "Toc Information Ng" (question
// icon), then "Finished" or "Canceled".
class TrackTestJob final : public Job {
 public:
  explicit TrackTestJob(TrackTestKind kind) : kind_(kind) {}
  void Run(JobContext& ctx) override;
  const TrackTestResult& result() const { return result_; }
  TrackTestKind kind() const { return kind_; }

 private:
  // Each returns false when a stop request ended it early.
  bool RunType13(JobContext& ctx);
  bool RunType30(JobContext& ctx);
  void AddLine(JobContext& ctx, std::string line, bool ng);
  void Count(const BlockReply& reply);
  // The TOC when it is the test disc's (tracks 1 to `last_track`); else nothing, its message
  // shown and the verdict filled.
  std::optional<std::vector<std::uint8_t>> ReadTestToc(JobContext& ctx, int last_track);

  TrackTestKind kind_;
  TrackTestResult result_;
};

// Texts of the tests.
inline constexpr char kTocReadingOkText[] = "Toc Reading OK!";
inline constexpr char kTocInformationNgText[] = "Toc Information Ng";
inline constexpr char kTrackCommandErrorText[] = "Command Error";
inline constexpr char kFinishedText[] = "Finished";
inline constexpr char kCanceledText[] = "Canceled";
// A Type3.0 read on a path that hides a reply's length (a zeroed or padded tail).
inline constexpr char kLengthNotMeasuredText[] =
    "Length cannot be measured (the path does not say how many bytes came)";

// Type1.3 reads every 30th block below this address.
inline constexpr std::int32_t kType13EndLba = 100000;
inline constexpr std::int32_t kType13Step = 30;
// The user data of a test sector: what each Type1.3 read asks for.
inline constexpr std::uint32_t kType13SectorBytes = 2048;

}  // namespace tamarack
