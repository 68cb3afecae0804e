#include "decode/configuration.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "decode/feature_tables.h"
#include "decode/replies.h"
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

// Each reply of tests/data/decode/configuration_walks.txt ("WHAT | [recorded N] HEX") decoded
// as its rows: the header rows of short replies (an unknown profile and feature "Undefine"),
// each descriptor walked by its own length (no field read out of the middle of one, an unknown
// one saying how long it is), every physical interface, the bounds of the data length, the
// recorded length (counting every byte returned, not the bytes after the length field) and the
// bytes returned, a zero-padded tail.
TEST(ConfigurationWalk, EachReplyAsItsRows) {
  testing::ExpectEachInput("configuration_walks.txt", "decode", [](const std::string& line) {
    std::istringstream in(line.substr(line.find(" |") + 2));
    std::uint32_t recorded = 0;
    if (std::string word; line.find("| recorded ") != std::string::npos) in >> word >> recorded;
    std::string bytes;
    std::getline(in, bytes);
    const Bytes reply = ParseHexBytes(bytes, " ").value();
    return testing::Indented(testing::RowsText(DecodeConfiguration(reply, recorded)));
  });
  std::string text;
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
  testing::ExpectGoldenText("configuration_replies", text);
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
