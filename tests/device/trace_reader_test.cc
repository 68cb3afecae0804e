#include "device/trace_reader.h"

#include <gtest/gtest.h>

#include "golden.h"
#include "platform_texts.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

TEST(TraceReader, DecodesEscapesAndRefusesWhatIsNotTheFormat) {
  TraceEntry e;
  std::string error;
  ASSERT_TRUE(ParseTraceLine(
      R"({"cdb": "00", "outcome": "timed out", "reason": "\u00e9\ud83d\ude00\/\t", "x": 5})", &e,
      &error))
      << error;
  EXPECT_EQ(e.result.reason, "\xc3\xa9\xf0\x9f\x98\x80/\t");
  EXPECT_EQ(e.result.status, TransportStatus::kTimedOut);

  // Each refused line of bad_trace_lines.txt and why; "(253 sense bytes)" stands for a line of
  // one sense byte more than a pass-through holds.
  testing::ExpectEachInput("bad_trace_lines.txt", "device", [&e](const std::string& line) {
    std::string sense = "00", why;
    for (std::size_t i = 1; i <= kSenseSize; ++i) sense += " 00";
    EXPECT_FALSE(
        ParseTraceLine(line != "(253 sense bytes)"
                           ? line
                           : R"({"cdb": "00", "outcome": "completed", "sense": ")" + sense + "\"}",
                       &e, &why))
        << line;
    return why;
  });
}

TEST(TraceReader, AFileSkipsBlankLinesAndNamesTheLineOfAnError) {
  tamarack::testing::TempDir dir("tamarack-trace-");
  ASSERT_TRUE(dir.ok());
  dir.Write("t.jsonl",
            "{\"cdb\": \"00\", \"outcome\": \"completed\"}\n\n"
            "{\"cdb\": \"12\", \"outcome\": \"completed\", \"reply\": \"05 80\"}\n");
  std::vector<TraceEntry> entries;
  std::string error;
  ASSERT_TRUE(ReadTraceFile(dir.File("t.jsonl"), &entries, &error)) << error;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].cdb[0], 0x12);
  EXPECT_EQ(entries[1].reply, (std::vector<std::uint8_t>{0x05, 0x80}));

  dir.Write("bad.jsonl", "{\"cdb\": \"00\", \"outcome\": \"completed\"}\n\n{\"cdb\": 1}\n");
  EXPECT_FALSE(ReadTraceFile(dir.File("bad.jsonl"), &entries, &error));
  EXPECT_EQ(error, dir.File("bad.jsonl") + " line 3: a line must hold \"cdb\" and \"outcome\"");
  EXPECT_FALSE(ReadTraceFile(dir.File("none.jsonl"), &entries, &error));
  EXPECT_NE(testing::WithPosixReasons(error).find("No such file"), std::string::npos) << error;
}

}  // namespace
}  // namespace tamarack
