#include "decode/configuration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/feature_tables.h"
#include "form/form_layout.h"
#include "golden.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A reply: the 8-byte header with the data length and current profile, then descriptors.
Bytes Reply(std::uint16_t current_profile, const std::vector<Bytes>& descriptors) {
  Bytes r(8, 0);
  WriteBe16(r, 6, current_profile);
  for (const Bytes& d : descriptors) r.insert(r.end(), d.begin(), d.end());
  WriteBe32(r, 0, static_cast<std::uint32_t>(r.size() - 4));
  return r;
}

// A feature descriptor: code, byte 2 (version/persistent/current), data length, `data`.
Bytes Feature(std::uint16_t code, std::uint8_t flags, const Bytes& data) {
  Bytes d = {0, 0, flags, static_cast<std::uint8_t>(data.size())};
  WriteBe16(d, 0, code);
  d.insert(d.end(), data.begin(), data.end());
  return d;
}

// Every field of every feature the decoder knows, as the list shows it.
TEST(ConfigurationFields, EveryKindOfFeature) {
  testing::ExpectGoldenText(
      "configuration_features",
      testing::RowsText(DecodeConfiguration(testing::ReadGoldenHex("configuration_features.hex"))));
}

// Each reply decoded as its rows ("== " and what it shows, then the rows), against
// tests/data/decode/configuration_walks.txt: the header rows of short replies (an unknown
// profile and feature "Undefine"), each descriptor walked by its own length (no field read out
// of the middle of one, an unknown one saying how long it is), every physical interface, the bounds
// of the data length, the recorded length and the bytes returned, a zero-padded tail.
TEST(ConfigurationWalk, EachReplyAsItsRows) {
  struct Case {
    std::string what;
    Bytes reply;
    std::uint32_t recorded = 0;
  };
  std::vector<Case> cases = {
      {"data length 4: the whole reply is 8 bytes", Reply(0x0010, {})},
      {"a current profile no row names", Reply(0x0040, {})},
      {"a recorded length below 9 stops at the header",
       Reply(0x0008, {Feature(0x0001, 0x03, {0, 0, 0, 2})}), 8},
      {"data length 8 counts 12 bytes: one 4-byte descriptor",
       Reply(0x0008, {Feature(0x001D, 0x01, {})})},
      {"nothing returned: the two rows from zeroes", {}},
      {"the walk goes on after the profile list by its own length",
       Reply(0, {Feature(0x0000, 0x03, {0, 8, 1, 0, 0, 9, 0, 0}),
                 Feature(0x0001, 0x03, {0, 0, 0, 2})})},
      {"a current drive's Core of 8 bytes, DVD Read of 4, an unknown feature and a known one",
       Reply(0,
             {Feature(0x0001, 0x03, {0, 0, 0, 7, 1, 0, 0, 0}), Feature(0x001F, 0x01, {1, 0, 0, 0}),
              Feature(0x0037, 0x01, {1, 2, 3, 4, 1, 0, 0x12, 0x34}),
              Feature(0x0003, 0x03, {0x29, 0, 0, 0})})},
      {"Random Readable longer than the table's 12 bytes",
       Reply(0, {Feature(0x0010, 0x01, {0, 0, 8, 0, 0, 0x10, 1, 0, 9, 9, 9, 9}),
                 Feature(0x001E, 0x01, {3, 0, 0, 0})})},
      {"a zero-padded tail reads as one Profile List of length 0 and ends the walk",
       Reply(0, {Feature(0x0001, 0x03, {0, 0, 0, 2})})}};
  cases.back().reply.resize(cases.back().reply.size() + 40, 0);
  WriteBe32(cases.back().reply, 0, static_cast<std::uint32_t>(cases.back().reply.size() - 4));
  for (std::uint32_t interface :
       {2u, 0x10000u, 0x1FFFFu, 0u, 0xFFFFu, 0x4FFFFu, 7u, 8u, 6u, 9u, 0x50000u}) {
    Bytes data(4);
    WriteBe32(data, 0, interface);
    cases.push_back(
        {StrFormat("physical interface %x", interface), Reply(0, {Feature(0x0001, 0x03, data)})});
  }
  Bytes two =
      Reply(0, {Feature(0x0001, 0x03, {0, 0, 0, 2}), Feature(0x0003, 0x03, {0x29, 0, 0, 0})});
  WriteBe32(two, 0, 12);
  cases.push_back({"the header claims only the first descriptor", two});
  // The recorded length counts every byte returned, not the bytes after the length field.
  WriteBe32(two, 0, 0x7FFFFFFF);
  cases.push_back({"the recorded length of header and Core wins over the header", two, 16});
  Bytes full = Reply(0, {Feature(0x0000, 0x03, {0, 8, 1, 0, 0, 9, 0, 0, 0, 10, 0, 0}),
                         Feature(0x0020, 0x01, {0, 0, 0x10, 0, 0, 0, 8, 0, 0, 0x10, 0, 0})});
  cases.push_back({"cut inside the second profile", Bytes(full.begin(), full.begin() + 19)});
  cases.push_back({"cut inside Random Writable", Bytes(full.begin(), full.begin() + 36)});
  WriteBe32(full, 0, 0xFFFFFFFF);
  cases.push_back({"a huge data length over 12 bytes", Bytes(full.begin(), full.begin() + 12)});
  std::string text;
  for (const Case& c : cases) {
    text += "== " + c.what + "\r\n" + testing::RowsText(DecodeConfiguration(c.reply, c.recorded));
  }
  // The Command tab's decoder in a buffer of 5Ah: a header claiming 60 bytes of which the
  // transport says 16 came; a path reporting the whole buffer (the header's length holds);
  // nothing sent at all (no reply is longer than its allocation length, here 0).
  Bytes buffer(100, 0x5A);
  const Bytes core = Reply(0x0008, {Feature(0x0001, 0x03, {0, 0, 0, 2})});
  std::copy(core.begin(), core.end(), buffer.begin());
  WriteBe32(buffer, 0, 60);
  DecodeInput in;
  in.data = buffer;
  in.received_length = 16;
  in.cdb = {0x46, 0, 0, 0, 0, 0, 0, 0xA0, 0x00};
  text += "== 16 of 60 bytes came\r\n" + testing::RowsText(DecodeConfigurationReply(in).rows);
  in.received_length = 0;
  WriteBe32(buffer, 0, 12);
  text += "== the whole buffer reported\r\n" + testing::RowsText(DecodeConfigurationReply(in).rows);
  std::fill(buffer.begin(), buffer.end(), 0x5A);
  in.cdb[7] = 0;
  text += "== nothing sent, allocation length 0\r\n" +
          testing::RowsText(DecodeConfigurationReply(in).rows);
  testing::ExpectGoldenText("configuration_walks", text);
  EXPECT_EQ(LoadingMechanismName(5), "Embedded changer using a magazine mechanism");
  EXPECT_EQ(LoadingMechanismName(6), "Undefine");
}

// One starting feature per row of the feature table (the form itself: form_toc_configuration).
TEST(ConfigurationForm, OneStartingFeaturePerFeature) {
  const auto& choices = kGetConfigurationForm.fields[1].choices;
  ASSERT_EQ(choices.size(), FeatureTable().size() - 1);
  EXPECT_STREQ(choices[10].text, "0021h Incremental Streaming Writeable");
}

}  // namespace
}  // namespace tamarack
