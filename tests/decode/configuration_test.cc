#include "decode/configuration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/feature_tables.h"
#include "form/form_layout.h"
#include "golden.h"
#include "util/bytes.h"

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

// A feature descriptor: code, byte 2 (version/persistent/current), then `data`; byte 3 is
// the length of `data` unless given.
Bytes Feature(std::uint16_t code, std::uint8_t flags, const Bytes& data, int additional = -1) {
  Bytes d(4 + data.size(), 0);
  WriteBe16(d, 0, code);
  d[2] = flags;
  d[3] = static_cast<std::uint8_t>(additional >= 0 ? additional : static_cast<int>(data.size()));
  for (std::size_t i = 0; i < data.size(); ++i) d[4 + i] = data[i];
  return d;
}

std::string Key(const DecodedRow& r) { return r.cells.at(1); }
std::string Data(const DecodedRow& r) { return r.cells.at(2); }

// The row with this key (the first one), or a failure.
const DecodedRow& RowOf(const std::vector<DecodedRow>& rows, const std::string& key) {
  for (const DecodedRow& r : rows) {
    if (Key(r) == key) return r;
  }
  static const DecodedRow kNone{{"", "(missing)", "(missing)"}, -1};
  ADD_FAILURE() << "no row " << key;
  return kNone;
}

std::vector<std::string> Keys(const std::vector<DecodedRow>& rows) {
  std::vector<std::string> keys;
  for (const DecodedRow& r : rows) keys.push_back(Key(r));
  return keys;
}

TEST(ConfigurationHeader, ShortRepliesShowOnlyTheHeaderRows) {
  // Data length 4: the whole reply is 8 bytes.
  EXPECT_EQ(DecodeConfiguration(Reply(0x0010, {})).size(), 2u);
  // A recorded length below 9 stops there even when the header says more.
  const Bytes r = Reply(0x0008, {Feature(0x0001, 0x03, {0, 0, 0, 2})});
  EXPECT_EQ(DecodeConfiguration(r, 8).size(), 2u);
  // Data length 8 counts 12 bytes with its own 4: one 4-byte descriptor, shown.
  const Bytes one = Reply(0x0008, {Feature(0x001D, 0x01, {})});
  ASSERT_EQ(ReadBe32(one, 0), 8u);
  const auto keys = Keys(DecodeConfiguration(one));
  EXPECT_EQ(keys,
            (std::vector<std::string>{"Header", "  Current Profile 0008h", "Feature Descriptor(s)",
                                      "Feature Code 001dh", "  Common"}));
  // Nothing returned at all: the two rows, from zeroes, and no read past the end.
  const auto rows = DecodeConfiguration({});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Data(rows[0]), "Data Length 0(00000000h)");
  EXPECT_EQ(Key(rows[1]), "  Current Profile 0000h");
  EXPECT_EQ(Data(rows[1]), "Profile List");
}

TEST(ConfigurationProfiles, TheWalkGoesOnAfterTheListByItsOwnLength) {
  const Bytes r = Reply(
      0, {Feature(0x0000, 0x03, {0, 8, 1, 0, 0, 9, 0, 0}), Feature(0x0001, 0x03, {0, 0, 0, 2})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(RowOf(rows, "Feature Code 0001h").cells[0], "20(0014h)");
  EXPECT_EQ(Data(RowOf(rows, "  Physical Interface Standard")), "ATAPI");
}

// Every field of every feature the decoder knows, as the list shows it.
TEST(ConfigurationFields, EveryKindOfFeature) {
  testing::ExpectGoldenText(
      "configuration_features",
      testing::RowsText(DecodeConfiguration(testing::ReadGoldenHex("configuration_features.hex"))));
}

TEST(ConfigurationCore, PhysicalInterfaceTable) {
  const std::pair<std::uint32_t, const char*> cases[] = {{2, "ATAPI"},
                                                         {0x10000, "Defined by NCITS"},
                                                         {0x1FFFF, "Defined by NCITS"},
                                                         {0, "Unspecified"},
                                                         {0xFFFF, "Vendor Unique"},
                                                         {0x4FFFF, "Reserved"},
                                                         {7, "Serial ATAPI"},
                                                         {8, "USB"},
                                                         {6, "UnDefined"},
                                                         {9, "UnDefined"},
                                                         {0x50000, "UnDefined"}};
  for (const auto& [value, name] : cases) {
    Bytes data(4);
    WriteBe32(data, 0, value);
    EXPECT_EQ(Data(RowOf(DecodeConfiguration(Reply(0, {Feature(0x0001, 0x03, data)})),
                         "  Physical Interface Standard")),
              name)
        << value;
  }
  EXPECT_EQ(LoadingMechanismName(5), "Embedded changer using a magazine mechanism");
  EXPECT_EQ(LoadingMechanismName(6), "Undefine");
}

TEST(ConfigurationWalk, EachDescriptorByItsOwnLength) {
  // A current drive's Core (8 bytes of its own, the table knows 4) and DVD Read of 4, then an
  // unknown feature of 8 and a known one after it: every descriptor the drive sent, each
  // heading where it lies, and nothing read out of the middle of one.
  const Bytes r = Reply(
      0, {Feature(0x0001, 0x03, {0, 0, 0, 7, 1, 0, 0, 0}), Feature(0x001F, 0x01, {1, 0, 0, 0}),
          Feature(0x0037, 0x01, {1, 2, 3, 4, 1, 0, 0x12, 0x34}),
          Feature(0x0003, 0x03, {0x29, 0, 0, 0})});
  const auto rows = DecodeConfiguration(r);
  std::vector<std::vector<std::string>> headings;
  for (const DecodedRow& row : rows) {
    if (row.icon == kIconHeading && row.cells[1].rfind("Feature Code", 0) == 0) {
      headings.push_back(row.cells);
    }
  }
  EXPECT_EQ(headings, (std::vector<std::vector<std::string>>{
                          {"8(0008h)", "Feature Code 0001h", "Core"},
                          {"20(0014h)", "Feature Code 001fh", "DVD Read"},
                          {"28(001ch)", "Feature Code 0037h", "Undefine"},
                          {"40(0028h)", "Feature Code 0003h", "Removable Medium"}}));
  // The Core's interface 7 by its name; only the table's field of the longer descriptor.
  const auto keys = Keys(rows);
  EXPECT_EQ(Data(RowOf(rows, "  Physical Interface Standard")), "Serial ATAPI");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "  Physical Interface Standard"), 1);
  // The unknown one says how long it is, and the walk reaches the feature after it.
  const auto unknown = std::find(keys.begin(), keys.end(), "Feature Code 0037h");
  ASSERT_NE(unknown, keys.end());
  EXPECT_EQ(Data(rows[static_cast<std::size_t>(unknown - keys.begin()) + 1]),
            "Version:0h Persistent:0 Current:1 Additinal Length:8");
  EXPECT_EQ(Data(RowOf(rows, "  Loading Mechanism Type")), "Tray type loading mechanism");
}

TEST(ConfigurationWalk, ShortTableSizesDoNotCutALongerDescriptorsFields) {
  // Random Readable longer than the table's 12 bytes: its fields, then the next feature.
  const Bytes r = Reply(0, {Feature(0x0010, 0x01, {0, 0, 8, 0, 0, 0x10, 1, 0, 9, 9, 9, 9}),
                            Feature(0x001E, 0x01, {3, 0, 0, 0})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(Data(RowOf(rows, "  Blocking")), "16(0010h)");
  EXPECT_EQ(RowOf(rows, "Feature Code 001eh").cells[0], "24(0018h)");
  EXPECT_EQ(Data(RowOf(rows, "  C2 Flags")), "On");
}

TEST(ConfigurationWalk, BoundedByTheDataLength) {
  Bytes r = Reply(0, {Feature(0x0001, 0x03, {0, 0, 0, 2}), Feature(0x0003, 0x03, {0x29, 0, 0, 0})});
  // The header claims only the first descriptor.
  WriteBe32(r, 0, 12);
  auto keys = Keys(DecodeConfiguration(r));
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "Feature Code 0003h"), 0);
  EXPECT_EQ(keys.back(), "  Physical Interface Standard");
  // The recorded length wins over the header, and counts every byte returned (the 16 bytes
  // of the header and Core), not the bytes after the length field.
  WriteBe32(r, 0, 0x7FFFFFFF);
  keys = Keys(DecodeConfiguration(r, 16));
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "Feature Code 0003h"), 0);
}

TEST(ConfigurationWalk, BoundedByTheBytesReturned) {
  // A reply cut by a small allocation length: the header says more than came back.
  Bytes full = Reply(0, {Feature(0x0000, 0x03, {0, 8, 1, 0, 0, 9, 0, 0, 0, 10, 0, 0}),
                         Feature(0x0020, 0x01, {0, 0, 0x10, 0, 0, 0, 8, 0, 0, 0x10, 0, 0})});
  // Cut inside the second profile descriptor: the first profile only.
  auto rows = DecodeConfiguration(std::span(full).first(19));
  auto keys = Keys(rows);
  EXPECT_EQ(keys.back(), "  Profile Number 0008h");
  // Cut inside Random Writable: its header and the fields that came back.
  rows = DecodeConfiguration(std::span(full).first(36));
  keys = Keys(rows);
  EXPECT_EQ(keys.back(), "  Logical Block Size");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "   Blocking"), 0);
  // A huge data length over a short reply: no row from beyond it.
  WriteBe32(full, 0, 0xFFFFFFFF);
  rows = DecodeConfiguration(std::span(full).first(12));
  keys = Keys(rows);
  ASSERT_GE(keys.size(), 2u);
  EXPECT_EQ(keys[keys.size() - 2], "Feature Code 0000h");
  EXPECT_EQ(keys.back(), "  Common");
  EXPECT_EQ(Data(rows[0]), "Data Length -1(ffffffffh)");
}

TEST(ConfigurationWalk, ZeroPaddedTailDecodesAsProfileListAndStops) {
  // Zeroes after the descriptors within the data length read as a Profile List of
  // additional length 0, which ends the walk rather than looping.
  Bytes r = Reply(0, {Feature(0x0001, 0x03, {0, 0, 0, 2})});
  r.resize(r.size() + 40, 0);
  WriteBe32(r, 0, static_cast<std::uint32_t>(r.size() - 4));
  const auto keys = Keys(DecodeConfiguration(r));
  EXPECT_EQ(keys.back(), "  Common");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "Feature Code 0000h"), 1);
}

TEST(ConfigurationTables, FeatureTableEndsInUndefineAndFindsEveryCode) {
  const auto table = FeatureTable();
  EXPECT_EQ(table.back().code, kFeatureTableEnd);
  EXPECT_STREQ(table.back().name, "Undefine");
  for (const FeatureTableRow& row : table.first(table.size() - 1)) {
    EXPECT_EQ(&FindFeature(row.code), &row) << row.name;
  }
  EXPECT_EQ(FindFeature(0x0037).code, kFeatureTableEnd);
  EXPECT_EQ(ProfileName(0xFFFF), "Undefine");
  EXPECT_EQ(Data(DecodeConfiguration(Reply(0x0040, {}))[1]), "Undefine");
}

TEST(ConfigurationForm, RequestedTypeStartingFeatureAndAllocationLength) {
  const auto& form = kGetConfigurationForm;
  // One starting feature per row of the feature table.
  ASSERT_EQ(form.fields[1].choices.size(), FeatureTable().size() - 1);
  EXPECT_STREQ(form.fields[1].choices[10].text, "0021h Incremental Streaming Writeable");

  FormData source;
  source.cdb = {0x46, 0x02, 0x01, 0x03, 0, 0, 0, 0, 0, 0, 0, 0};
  const auto states = FillFields(form.fields, source, false);
  EXPECT_EQ(states[0].choice, 2);
  EXPECT_EQ(form.fields[1].choices[static_cast<std::size_t>(states[1].choice)].value, 0x0103u);

  FormData current;
  current.cdb[0] = 0x46;
  form.on_build(current, source);
  auto st = states;
  st[0].choice = 1;
  st[1].choice = 4;  // 0004h Write Protect
  CollectFields(form.fields, st, current, false);
  EXPECT_EQ(current.cdb, (Cdb{0x46, 0x01, 0x00, 0x04, 0, 0, 0, 0xA0, 0x00, 0, 0, 0}));
}

TEST(ConfigurationReply, DecoderUsesTheTransferredBytes) {
  Bytes buffer(100, 0x5A);
  const Bytes r = Reply(0x0008, {Feature(0x0001, 0x03, {0, 0, 0, 2})});
  std::copy(r.begin(), r.end(), buffer.begin());
  // The header claims more than came back; the fill bytes after the reply are not decoded.
  WriteBe32(buffer, 0, 60);
  DecodeInput in;
  in.data = buffer;
  in.transferred = static_cast<std::uint32_t>(r.size());
  in.received_length = in.transferred;
  in.cdb = {0x46, 0, 0, 0, 0, 0, 0, 0xA0, 0x00};
  DecodeOutput out = DecodeConfigurationReply(in);
  EXPECT_EQ(Keys(out.rows).back(), "  Physical Interface Standard");
  // A path that reports the whole buffer: the header's length, however much the buffer holds.
  in.transferred = static_cast<std::uint32_t>(buffer.size());
  in.received_length = 0;
  WriteBe32(buffer, 0, static_cast<std::uint32_t>(r.size() - 4));
  out = DecodeConfigurationReply(in);
  EXPECT_EQ(Keys(out.rows).back(), "  Physical Interface Standard");
  // Nothing sent at all into a filled buffer: no reply is longer than its allocation length.
  std::fill(buffer.begin(), buffer.end(), 0x5A);
  in.cdb[7] = 0;
  in.cdb[8] = 0;
  EXPECT_EQ(DecodeConfigurationReply(in).rows.size(), 2u);
}

}  // namespace
}  // namespace tamarack
