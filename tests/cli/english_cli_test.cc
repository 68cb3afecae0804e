// tamarack-cli's jobs in English (LANGUAGE=en over the C.UTF-8 locale, the catalogue of the build
// tree): each job's transcript beside its Japanese one in tests/data/cli, and not one Japanese
// character in anything it prints. --json stays as it is in every language.
#include <gtest/gtest.h>

#include <cstdlib>

#include "cli/virtual_cli.h"
#include "job/coverage.h"
#include "measure/c2_record.h"
#include "util/message_catalogue.h"

namespace tamarack::cli {
namespace {

// Kana, CJK punctuation and ideographs, half-width kana: what no English text holds.
bool HasJapanese(const std::string& utf8) {
  for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
    const auto b = [&](std::size_t k) {
      return static_cast<unsigned>(static_cast<unsigned char>(utf8[i + k]));
    };
    if ((b(0) & 0xF0) != 0xE0) continue;
    const unsigned c = ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
        (c >= 0xFF61 && c <= 0xFF9F))
      return true;
  }
  return false;
}

class EnglishCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("LANGUAGE", "en", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    StartMessageCatalogue();
  }
  // The golden transcript of `runs` in tests/data/cli/NAME, which holds no Japanese.
  template <typename Cli>
  static void ExpectEnglishRuns(Cli& cli, const std::string& name,
                                const std::vector<std::vector<std::string>>& runs) {
    testing::ExpectGoldenRuns(cli, name, runs);
    const std::string text = tamarack::testing::ReadGoldenFile(name, "cli");
    ASSERT_FALSE(text.empty()) << name;
    EXPECT_FALSE(HasJapanese(text)) << text;
  }
};

// The catalogue's own texts are the transcripts' below; its header is no text.
TEST_F(EnglishCli, TheCatalogueIsTheBuildTreesAndAnswers) {
  EXPECT_STREQ(Tr(""), "");
  EXPECT_FALSE(HasJapanese(Tr("ﾃﾞｰﾀﾁｪｯｸﾌｧｲﾙのｵｰﾌﾟﾝが失敗しました\r\n%s")));
}

// In English the window's coverage line (the closing message's) says what the CLI's says,
// word for word, with every kind of count and reason in it.
TEST_F(EnglishCli, TheWindowsCoverageLineIsTheClisInEnglish) {
  Coverage c;
  c.Ask(100, true);
  c.ReadWhole(40);
  c.Compared(40);
  c.Failed(40, 2);
  c.EdcFailed(42, 1);
  c.Recovered(43, 3);
  const SkipReason reasons[] = {SkipReason::kUnreadInReference, SkipReason::kBeyondDisc,
                                SkipReason::kBeyondReference,   SkipReason::kPartialReference,
                                SkipReason::kNoBlockSize,       SkipReason::kNotChecked};
  std::int64_t at = 50;
  for (int round = 0; round < 2; ++round) {
    for (SkipReason r : reasons) c.Skipped(at += 2, 1, r);  // runs apart: more than eight
  }
  c.PassedOver(90, 5, SkipReason::kBetweenSessions);
  EXPECT_EQ(c.LocalText(), c.Text());
  EXPECT_NE(c.Text().find(" more)"), std::string::npos) << c.Text();
}

// In English the window's C2 scan summary is the CLI's, line for line: a scan with every kind
// of line (a worst second, unreadable blocks named and more, EDC, a limit) complete and not.
TEST_F(EnglishCli, TheWindowsC2SummaryIsTheClisInEnglish) {
  for (const std::int64_t last : {199, 299}) {
    C2Record r(0, last);
    for (std::int64_t lba = 0; lba < 200; ++lba) {
      if (lba % 20 == 7) {
        r.Unreadable(lba);
      } else {
        r.Read(lba, lba == 80 ? 150 : lba % 9 == 0 ? 3 : 0, lba == 90);
      }
    }
    for (const std::optional<std::uint64_t> limit : {std::optional<std::uint64_t>(), {10}}) {
      const C2Summary s = SummarizeC2(r, limit);
      EXPECT_EQ(C2SummaryLocalText(r, s, limit), C2SummaryText(r, s, limit));
      EXPECT_FALSE(s.pass);
    }
  }
  C2Record clean(0, 9);  // a pass with no worst second
  for (std::int64_t lba = 0; lba <= 9; ++lba) clean.Read(lba, 0);
  const C2Summary none = SummarizeC2(clean, std::nullopt);
  EXPECT_EQ(C2SummaryLocalText(clean, none, std::nullopt),
            C2SummaryText(clean, none, std::nullopt));
}

TEST_F(EnglishCli, AgeMeasureAndTheTrackTests) {
  testing::VirtualCli cli;
  ExpectEnglishRuns(cli, "english_jobs.txt",
                    {{"age", "--drive", "emu:type13?speed=max", "--start", "0", "--end", "40",
                      "--loop", "2", "--method", "twopoint"},
                     {"age", "--drive", "emu:type13", "--length", "101", "--end", "9"},
                     {"measure", "--drive", "emu:type13?speed=clv8", "--end", "1999"},
                     {"measure", "--drive", "emu:type13?speed=clv24", "--blocks", "0"},
                     {"tracktest", "type13", "--drive", "emu:audio?speed=max"},
                     {"subq-check", "--drive", "emu:audio?nomedium"},
                     {"subq-check", "--drive", "emu:audio?speed=max"},
                     {"dump", "--drive", "emu:type13?speed=max", "--lba", "0x10", "--length", "0"},
                     // --json is for programs: the same in every language.
                     {"tracktest", "type13", "--drive", "emu:audio?speed=max", "--json"}});
}

// A capture with its check, a check that finds a difference, one of a missing file and one
// without a disc.
TEST_F(EnglishCli, CaptureAndCheck) {
  testing::WorkFolder dir;
  dir.Write("disc.iso", testing::NumberedImage(200));
  std::vector<std::uint8_t> changed = testing::NumberedImage(200);
  changed[100 * 2048] ^= 1;
  dir.Write("b.dat", changed);
  const std::string drive = "emu:disc.iso?speed=max";
  testing::SteadyCli cli;
  ExpectEnglishRuns(cli, "english_reference.txt",
                    {{"capture", "--drive", drive, "--out", "a.dat", "--check", "--max-speed"},
                     {"check", "--drive", drive, "--file", "b.dat"},
                     {"check", "--drive", drive, "--file", "none.dat"},
                     {"check", "--drive", "emu:type13?nomedium", "--file", "a.dat"}});
}

}  // namespace
}  // namespace tamarack::cli
