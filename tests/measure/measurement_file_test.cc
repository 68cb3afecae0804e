// Saved measurements: the file's lines, and files that cannot be a measurement.
#include "measure/measurement_file.h"

#include <gtest/gtest.h>

#include <string>

#include "golden.h"
#include "platform_texts.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

// Texts that read and write back byte for byte: a fast path's second of more than 16 bits, a
// model with a NUL (a drive's padding, or a file edited by hand) written whole, not cut at it.
TEST(MeasurementFile, ReadsAndWritesTheRecord) {
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

  // The largest values that are taken still make a summary in 64 bits.
  std::string most = "2656 0\n";
  for (std::size_t i = 0; i < kMaxSpeedSamples; ++i) most += "2147483647\n";
  ASSERT_TRUE(ParseMeasurementFile(most, &r, &error)) << error;
  EXPECT_EQ(RecordSummaryText(r), "x28633115.2 speed(34222299398592000 Bytes/6000 Sec)");
}

// Each file text of tests/data/measure/measurement_files.txt ("\\n", "\\r" and "\\xHH" as in C)
// read over a record, as what it gives: its mark, model and samples; or its refusal with the line
// and the reason, the record staying as it was. A mark of other characters reads as "unknown";
// "Unfinished:" after the "=" is the model's. Values that are negative or do not fit are
// refused: a sample is blocks of one second, at most 2147483647; no read returns more than 2656
// bytes a block, which keeps block size x the samples in 64 bits.
TEST(MeasurementFile, EachFileTextAsItReads) {
  SpeedRecord r;
  r.block_size = 2048;
  r.samples = {1, 2};
  testing::ExpectEachInput("measurement_files.txt", "measure", [&r](const std::string& line) {
    const std::string text = testing::Unescaped(line);
    SpeedRecord read = r;
    std::string error;
    if (!ParseMeasurementFile(text, &read, &error)) {
      return "refused: " + error + (read == r ? "" : ", and the record changed");
    }
    std::string t = "unfinished \"" + read.unfinished + "\" model \"" + read.model + "\" samples";
    for (std::int32_t n : read.samples) t += " " + std::to_string(n);
    return t;
  });
}

// A run that did not finish is marked between the scale flag and the "=", where a reader of the
// old layout skips: it reads the same numbers, model and samples (the marks of other files are
// measurement_files.txt's).
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
  ASSERT_TRUE(ParseMeasurementFile("2048 0 seen Unfinished:stopped-by-x\n75\n", &back, &error));
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
