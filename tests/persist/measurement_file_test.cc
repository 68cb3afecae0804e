// Saved measurements: the file's lines, and files that cannot be a measurement.
#include "persist/measurement_file.h"

#include <gtest/gtest.h>

#include <string>

namespace tamarack {
namespace {

TEST(MeasurementFile, WritesAndReadsTheRecordLineByLine) {
  SpeedRecord r;
  r.block_size = 2048;
  r.scale = 1;
  r.model = "KESTREL  CDV-4800";
  r.samples = {75, 150, 40000, -3};  // a fast path's second takes more than 16 bits
  const std::string text = FormatMeasurementFile(r);
  EXPECT_EQ(text, "2048 1 Model=KESTREL  CDV-4800\n75\n150\n40000\n-3\n");
  SpeedRecord back;
  std::string error;
  ASSERT_TRUE(ParseMeasurementFile(text, &back, &error)) << error;
  EXPECT_EQ(back, r);

  // A file written on the old platform: "\r\n", and the summary it shows.
  ASSERT_TRUE(ParseMeasurementFile("2048 0 Model=X=Y\r\n75\r\n150\r\n", &back, &error));
  EXPECT_EQ(back.model, "X=Y");
  EXPECT_EQ(RecordSummaryText(back), "x1.5 speed(460800 Bytes/2 Sec)");
  EXPECT_EQ(SpeedText(RecordAverageTenths(back)), "x1.5");

  // Without a model or scale; samples beyond 6000 are left out.
  std::string many = "2352\n";
  for (int i = 0; i < 6005; ++i) many += "75\n";
  ASSERT_TRUE(ParseMeasurementFile(many, &back, &error));
  EXPECT_EQ(back.scale, 0);
  EXPECT_EQ(back.model, "");
  EXPECT_EQ(back.samples.size(), kMaxSpeedSamples);
}

TEST(MeasurementFile, ABadFileLeavesTheRecordAsItWas) {
  SpeedRecord r;
  r.block_size = 2048;
  r.samples = {1, 2, 3};
  const SpeedRecord before = r;
  for (const char* text :
       {"", "0 0 Model=x\n75\n", "-2048 0\n75\n", "Model=x\n75\n", "2048 0 Model=x\n75\nfast\n",
        "2048 0\n75\n\n150\n", "2048 0\n99999999999\n"}) {
    std::string error;
    EXPECT_FALSE(ParseMeasurementFile(text, &r, &error)) << text;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(r, before);
  }
}

}  // namespace
}  // namespace tamarack
