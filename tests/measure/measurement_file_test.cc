// Saved measurements: the file's lines, and files that cannot be a measurement.
#include "measure/measurement_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform_texts.h"
#include "refused_texts.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

// Texts that read and write back byte for byte: a fast path's second of more than 16 bits, a
// model with a NUL (a drive's padding, or a file edited by hand) written whole, not cut at it.
TEST(MeasurementFile, ReadsAndWritesTheRecordAndRefusesBadFiles) {
  using namespace std::string_literals;
  SpeedRecord r;
  std::string error;
  for (const std::string& text :
       {"2048 1 Model=KESTREL  CDV-4800\n75\n150\n40000\n0\n"s, "2352 0 Model=K\0CDV x\n75\n"s}) {
    ASSERT_TRUE(ParseMeasurementFile(text, &r, &error)) << error;
    EXPECT_EQ(FormatMeasurementFile(r), text);
  }
  EXPECT_EQ(r.model, "K\0CDV x"s);

  // A file written on the old platform: "\r\n" (its summary is the msr CLI golden's).
  ASSERT_TRUE(ParseMeasurementFile("2048 0 Model=X=Y\r\n75\r\n150\r\n", &r, &error));
  EXPECT_EQ(r.model, "X=Y");
  EXPECT_EQ(r.samples, (std::vector<std::int32_t>{75, 150}));

  // Without a model or scale; samples beyond 6000 are left out.
  std::string many = "2352\n";
  for (int i = 0; i < 6005; ++i) many += "75\n";
  ASSERT_TRUE(ParseMeasurementFile(many, &r, &error));
  EXPECT_EQ(r.scale, 0);
  EXPECT_EQ(r.model, "");
  EXPECT_EQ(r.samples.size(), kMaxSpeedSamples);

  // Each bad file is refused with the line and the reason, and the record stays as it was:
  // values that are negative or do not fit (a sample is blocks of one second, at most
  // 2147483647; no read returns more than 2656 bytes a block, which keeps block size x the
  // samples in 64 bits).
  testing::ExpectRefused(
      r,
      {{"", "line 1: no block size at its start"},
       {"0 0 Model=x\n75\n", "line 1: the block size 0 is not 1 to 2656 bytes"},
       {"-2048 0\n75\n", "line 1: the block size -2048 is not 1 to 2656 bytes"},
       {"2147483647 0\n2147483647\n", "line 1: the block size 2147483647 is not 1 to 2656 bytes"},
       {"2048 -1 Model=x\n75\n", "line 1: the scale flag -1 is not 0 or 1"},
       {"2048 0 Model=x\n75\nfast\n", "line 3 is not a sample (a whole number)"},
       {"2048 0\n75\n\n150\n", "line 3 is not a sample (a whole number)"},
       {"2048 0\n75\n-3\n", "line 3: the sample -3 is negative"},
       {"2048 0\n99999999999999999999\n",
        "line 2: the sample 99999999999999999999 is more than 2147483647 blocks"}},
      ParseMeasurementFile);
  // The largest values that are taken still make a summary in 64 bits.
  std::string most = "2656 0\n";
  for (std::size_t i = 0; i < kMaxSpeedSamples; ++i) most += "2147483647\n";
  ASSERT_TRUE(ParseMeasurementFile(most, &r, &error)) << error;
  EXPECT_EQ(RecordSummaryText(r), "x28633115.2 speed(34222299398592000 Bytes/6000 Sec)");
}

// A run that did not finish is marked between the scale flag and the "=", where a reader of the
// old layout skips: it reads the same numbers, model and samples. A mark of other characters
// reads as "unknown"; "Unfinished:" after the "=" is the model's.
TEST(MeasurementFile, ARunThatDidNotFinishSaysSo) {
  SpeedRecord r;
  r.block_size = 2048;
  r.model = "K CDV";
  r.samples = {75, 150};
  r.unfinished = kUnfinishedReadError;
  const std::string text = FormatMeasurementFile(r);
  EXPECT_EQ(text, "2048 0 Unfinished:read-error Model=K CDV\n75\n150\n");
  SpeedRecord back;
  std::string error;
  ASSERT_TRUE(ParseMeasurementFile(text, &back, &error)) << error;
  EXPECT_EQ(back, r);
  EXPECT_EQ(RecordSummaryText(back),
            "x1.5 speed(460800 Bytes/2 Sec) - not finished: it ended on a read error");
  const struct {
    const char* text;
    const char* unfinished;
    const char* model;
  } rows[] = {
      {"2048 0 Unfinished:cancelled Model=x\n75\n", "cancelled", "x"},
      {"2048 0 Model=Unfinished:cancelled\n75\n", "", "Unfinished:cancelled"},
      {"2048 1 Unfinished:\x1b[2J Model=x\n75\n", "unknown", "x"},
      {"2048 0 Unfinished: Model=x\n75\n", "unknown", "x"},
      {"2048 0 seen Unfinished:stopped-by-x\n75\n", "stopped-by-x", ""},
  };
  for (const auto& row : rows) {
    ASSERT_TRUE(ParseMeasurementFile(row.text, &back, &error)) << row.text << error;
    EXPECT_EQ(back.unfinished, row.unfinished) << row.text;
    EXPECT_EQ(back.model, row.model) << row.text;
    EXPECT_EQ(back.samples, std::vector<std::int32_t>{75}) << row.text;
  }
  EXPECT_EQ(UnfinishedText(back), "not finished (stopped-by-x)");
}

// Loading a file that is missing or not a measurement is the msr command's
// (measure_files.txt); here a folder where a file is asked for and a save into no folder.
TEST(MeasurementFile, AFolderIsNoFileAndASaveNeedsItsFolder) {
  testing::TempDir dir("tamarack-msr-");
  SpeedRecord r;
  std::string error;
  EXPECT_FALSE(LoadMeasurementFile(dir.path(), &r, &error));
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
  EXPECT_FALSE(SaveMeasurementFile(dir.File("no/such/msr000.msr"), r, &error));
  EXPECT_NE(testing::WithPosixReasons(error).find("No such file"), std::string::npos) << error;
}

}  // namespace
}  // namespace tamarack
