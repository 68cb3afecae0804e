#include "decode/configuration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/feature_tables.h"
#include "form/form_layout.h"
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

TEST(ConfigurationHeader, HeaderAndCurrentProfileRows) {
  const Bytes r = Reply(0x0008, {Feature(0x0001, 0x03, {0, 0, 0, 2})});
  const auto rows = DecodeConfiguration(r);
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[0].cells,
            (std::vector<std::string>{"0(0000h)", "Header", "Data Length 12(0000000ch)"}));
  EXPECT_EQ(rows[0].icon, kIconHeading);
  EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"  6", "  Current Profile 0008h",
                                                     "CD-ROM Read only Compact Disc"}));
  EXPECT_EQ(rows[1].icon, kIconNumber);
  EXPECT_EQ(rows[2].cells, (std::vector<std::string>{"8(0008h)", "Feature Descriptor(s)", ""}));
  EXPECT_EQ(rows[2].icon, kIconHeading);
  EXPECT_EQ(rows[3].cells, (std::vector<std::string>{"8(0008h)", "Feature Code 0001h", "Core"}));
}

TEST(ConfigurationHeader, ShortRepliesShowOnlyTheHeaderRows) {
  // Data length 4: the whole reply is 8 bytes.
  EXPECT_EQ(DecodeConfiguration(Reply(0x0010, {})).size(), 2u);
  // A recorded length below 9 stops there even when the header says more.
  const Bytes r = Reply(0x0008, {Feature(0x0001, 0x03, {0, 0, 0, 2})});
  EXPECT_EQ(DecodeConfiguration(r, 8).size(), 2u);
  // Nothing returned at all: the two rows, from zeroes, and no read past the end.
  const auto rows = DecodeConfiguration({});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Data(rows[0]), "Data Length 0(00000000h)");
  EXPECT_EQ(Key(rows[1]), "  Current Profile 0000h");
  EXPECT_EQ(Data(rows[1]), "Profile List");
}

TEST(ConfigurationHeader, UnknownCurrentProfileIsUndefine) {
  EXPECT_EQ(Data(DecodeConfiguration(Reply(0x0040, {}))[1]), "Undefine");
}

TEST(ConfigurationProfiles, CurrentBitAddsCurrentP) {
  const Bytes r = Reply(0x0008, {Feature(0x0000, 0x03,
                                         {0x00, 0x08, 0x01, 0x00,  //
                                          0x00, 0x10, 0x00, 0x00,  //
                                          0x00, 0x77, 0x00, 0x00})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(Keys(rows),
            (std::vector<std::string>{"Header", "  Current Profile 0008h", "Feature Descriptor(s)",
                                      "Feature Code 0000h", "  Common", "  Profile Number 0008h",
                                      "  Profile Number 0010h", "  Profile Number 0077h"}));
  EXPECT_EQ(Data(rows[3]), "Profile List");
  EXPECT_EQ(rows[4].cells,
            (std::vector<std::string>{"  2", "  Common",
                                      "Version:0h Persistent:1 Current:1 Additinal Length:12"}));
  // Name, the blank of "%s %s" and " CurrentP ".
  EXPECT_EQ(Data(rows[5]), "CD-ROM Read only Compact Disc  CurrentP ");
  EXPECT_EQ(Data(rows[6]), "DVD-ROM Read only DVD");
  EXPECT_EQ(Data(rows[7]), "Undefine");
  // Offsets within the list: 4, 8, 12.
  EXPECT_EQ(rows[5].cells[0], "  4");
  EXPECT_EQ(rows[6].cells[0], "  8");
  EXPECT_EQ(rows[7].cells[0], "  12");
  EXPECT_EQ(rows[5].icon, kIconNumber);
}

TEST(ConfigurationProfiles, WithoutTheCurrentBitTheNameAlone) {
  const Bytes r = Reply(0x0000, {Feature(0x0000, 0x03, {0x00, 0x08, 0x00, 0x00})});
  EXPECT_EQ(Data(RowOf(DecodeConfiguration(r), "  Profile Number 0008h")),
            "CD-ROM Read only Compact Disc");
}

TEST(ConfigurationProfiles, AdditionalLengthZeroEndsTheWalk) {
  const Bytes r = Reply(0, {Feature(0x0000, 0x03, {}), Feature(0x0001, 0x03, {0, 0, 0, 2})});
  const auto keys = Keys(DecodeConfiguration(r));
  EXPECT_EQ(keys.back(), "  Common");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "Feature Code 0001h"), 0);
}

TEST(ConfigurationProfiles, TheWalkGoesOnAfterTheListByItsOwnLength) {
  const Bytes r = Reply(
      0, {Feature(0x0000, 0x03, {0, 8, 1, 0, 0, 9, 0, 0}), Feature(0x0001, 0x03, {0, 0, 0, 2})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(RowOf(rows, "Feature Code 0001h").cells[0], "20(0014h)");
  EXPECT_EQ(Data(RowOf(rows, "  Physical Interface Standard")), "ATAPI");
}

TEST(ConfigurationCore, PhysicalInterfaceTable) {
  const auto name_of = [](std::uint32_t v) {
    Bytes data(4);
    WriteBe32(data, 0, v);
    return Data(RowOf(DecodeConfiguration(Reply(0, {Feature(0x0001, 0x03, data)})),
                      "  Physical Interface Standard"));
  };
  EXPECT_EQ(name_of(2), "ATAPI");
  EXPECT_EQ(name_of(0x10000), "Defined by NCITS");
  EXPECT_EQ(name_of(0x1FFFF), "Defined by NCITS");
  EXPECT_EQ(name_of(0x18123), "Defined by NCITS");
  EXPECT_EQ(name_of(0), "Unspecified");
  EXPECT_EQ(name_of(0xFFFF), "Vendor Unique");
  EXPECT_EQ(name_of(0x4FFFF), "Reserved");
  EXPECT_EQ(name_of(6), "UnDefined");
  EXPECT_EQ(name_of(0x50000), "UnDefined");
}

TEST(ConfigurationWalk, VariableSizeFollowsTheAdditionalLength) {
  // CD Audio External Play with additional length 4 is 8 bytes; Core follows at once.
  const Bytes r = Reply(
      0, {Feature(0x0103, 0x01, {0x05, 0x00, 0x01, 0x00}), Feature(0x0001, 0x03, {0, 0, 0, 1})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(Keys(rows),
            (std::vector<std::string>{"Header", "  Current Profile 0000h", "Feature Descriptor(s)",
                                      "Feature Code 0103h", "  Common", "  Scan", "  SCM", "  SV",
                                      "  Number of Volume Levels", "Feature Code 0001h", "  Common",
                                      "  Physical Interface Standard"}));
  EXPECT_EQ(Data(RowOf(rows, "  Scan")), "On");
  EXPECT_EQ(Data(RowOf(rows, "  SCM")), "Off");
  EXPECT_EQ(Data(RowOf(rows, "  SV")), "On");
  EXPECT_EQ(RowOf(rows, "  SV").icon, kIconFlag);
  EXPECT_EQ(RowOf(rows, "  Number of Volume Levels").cells,
            (std::vector<std::string>{"  6", "  Number of Volume Levels", "256(0100h)"}));
  EXPECT_EQ(RowOf(rows, "Feature Code 0001h").cells[0], "16(0010h)");
  EXPECT_EQ(Data(RowOf(rows, "  Physical Interface Standard")), "SCSI Family");
}

TEST(ConfigurationWalk, TableSizeWinsOverTheReportedLength) {
  // Core reports 8 bytes of its own (a newer drive) but the table says 8 in all: the walk
  // goes on 8 bytes on, into the middle of the descriptor, where it finds code 0000h... here
  // made unknown so that the walk ends there.
  const Bytes r = Reply(0, {Feature(0x0001, 0x03, {0, 0, 0, 2, 0x12, 0x34, 0, 0})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(Keys(rows).back(), "Feature Code 1234h");
  EXPECT_EQ(Data(rows.back()), "Undefine");
  EXPECT_EQ(rows.back().cells[0], "16(0010h)");
}

TEST(ConfigurationWalk, UnknownFeatureEndsTheWalkAfterItsHeading) {
  const Bytes r =
      Reply(0, {Feature(0x0001, 0x03, {0, 0, 0, 2}), Feature(0x0037, 0x01, {1, 2, 3, 4}),
                Feature(0x0003, 0x03, {0x29, 0, 0, 0})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(rows.back().cells,
            (std::vector<std::string>{"16(0010h)", "Feature Code 0037h", "Undefine"}));
  EXPECT_EQ(rows.back().icon, kIconHeading);
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

TEST(ConfigurationFields, RemovableMediumAndWriteProtect) {
  const Bytes r =
      Reply(0, {Feature(0x0003, 0x03, {0x29, 0, 0, 0}), Feature(0x0004, 0x01, {0x02, 0, 0, 0})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(Data(RowOf(rows, "  Loading Mechanism Type")), "Tray type loading mechanism");
  EXPECT_EQ(RowOf(rows, "  Loading Mechanism Type").cells[0], "  4");
  EXPECT_EQ(Data(RowOf(rows, "  Eject")), "On");
  EXPECT_EQ(Data(RowOf(rows, "  Pvnt Jmpr")), "Off");
  EXPECT_EQ(Data(RowOf(rows, "  Lock")), "On");
  EXPECT_EQ(Data(RowOf(rows, "  SPWP")), "On");
  EXPECT_EQ(Data(RowOf(rows, "  SSWPP")), "Off");
  EXPECT_EQ(LoadingMechanismName(5), "Embedded changer using a magazine mechanism");
  EXPECT_EQ(LoadingMechanismName(6), "Undefine");
}

TEST(ConfigurationFields, IncrementalStreamingLinkSizesStayInTheDescriptor) {
  // Number of link sizes 3 but the descriptor (additional length 6) holds only one pair.
  const Bytes r = Reply(0, {Feature(0x0021, 0x01, {0x80, 0x01, 0x01, 0x03, 0x07, 0x00}),
                            Feature(0x0001, 0x03, {0, 0, 0, 2})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(Data(RowOf(rows, "  Data Block Types Supported")), "1000000000000001b");
  EXPECT_EQ(RowOf(rows, "  Data Block Types Supported").icon, kIconFlag);
  EXPECT_EQ(Data(RowOf(rows, "  BUF")), "On");
  EXPECT_EQ(Data(RowOf(rows, "  Number of Link Sizes")), "3(03h)");
  const auto keys = Keys(rows);
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "  Link Size"), 1);
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "  Pad"), 1);
  EXPECT_EQ(Data(RowOf(rows, "  Link Size")), "7(07h)");
  EXPECT_EQ(RowOf(rows, "  Pad").cells[0], "  9");
  EXPECT_EQ(Data(RowOf(rows, "  Physical Interface Standard")), "ATAPI");
}

TEST(ConfigurationFields, NumbersOfRandomReadableWritableAndMastering) {
  const Bytes r = Reply(0, {Feature(0x0010, 0x01, {0, 0, 0x08, 0, 0, 0x10, 0x01, 0}),
                            Feature(0x0020, 0x00, {0, 0x05, 0, 0, 0, 0, 0x08, 0, 0, 0x20, 1, 0}),
                            Feature(0x002E, 0x00, {0x7F, 0x01, 0x00, 0x00})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(Data(RowOf(rows, "  Logical Block Size")), "2048(00000800h)");
  EXPECT_EQ(Data(RowOf(rows, "  Blocking")), "16(0010h)");
  EXPECT_EQ(Data(RowOf(rows, "  PP")), "On");
  EXPECT_EQ(Data(RowOf(rows, "  Last Logical Block Address")), "327680(00050000h)");
  EXPECT_EQ(Data(RowOf(rows, "   Blocking")), "32(0020h)");
  EXPECT_EQ(RowOf(rows, "   Blocking").cells[0], "  12");
  EXPECT_EQ(Data(RowOf(rows, "  Maximum Cue Sheet Length")), "65536(010000h)");
  EXPECT_EQ(Data(RowOf(rows, "  SAO")), "On");
  EXPECT_EQ(Data(RowOf(rows, "  BUF")), "On");
}

TEST(ConfigurationFields, DiscControlBlocksUseTheTwentyEightBitReader) {
  const Bytes r =
      Reply(0, {Feature(0x010A, 0x01, {0xF0, 0x00, 0x00, 0x01, 0x12, 0x34, 0x56, 0x78})});
  const auto rows = DecodeConfiguration(r);
  std::vector<std::string> entries;
  for (const DecodedRow& row : rows) {
    if (Key(row) == "  Supported DCB entry") entries.push_back(row.cells[0] + "|" + Data(row));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"  4|1(00000001h)", "  8|36984440(02345678h)"}));
}

TEST(ConfigurationFields, CommonOnlyFeatures) {
  const Bytes r =
      Reply(0, {Feature(0x001D, 0x01, {}), Feature(0x0100, 0x03, {}), Feature(0x0105, 0x07, {})});
  const auto rows = DecodeConfiguration(r);
  EXPECT_EQ(Keys(rows),
            (std::vector<std::string>{"Header", "  Current Profile 0000h", "Feature Descriptor(s)",
                                      "Feature Code 001dh", "  Common", "Feature Code 0100h",
                                      "  Common", "Feature Code 0105h", "  Common"}));
  EXPECT_EQ(Data(rows.back()), "Version:1h Persistent:1 Current:1 Additinal Length:0");
  EXPECT_EQ(Data(rows[3]), "Multi-Read");
  EXPECT_EQ(Data(rows[7]), "Time-Out Feature");
}

TEST(ConfigurationTables, FeatureTableEndsInUndefineAndFindsEveryCode) {
  const auto table = FeatureTable();
  ASSERT_EQ(table.size(), 38u);
  EXPECT_EQ(table.back().code, kFeatureTableEnd);
  EXPECT_STREQ(table.back().name, "Undefine");
  EXPECT_EQ(table.back().size, 0u);
  for (const FeatureTableRow& row : table.first(table.size() - 1)) {
    EXPECT_EQ(&FindFeature(row.code), &row) << row.name;
  }
  EXPECT_EQ(FindFeature(0x0037).code, kFeatureTableEnd);
  EXPECT_STREQ(FindFeature(0x0103).name, "CD Audio External Play");
  EXPECT_EQ(ProfileName(0x001A), "DVD+RW DVD ReWritable");
  EXPECT_EQ(ProfileName(0xFFFF), "Undefine");
}

TEST(ConfigurationForm, RequestedTypeStartingFeatureAndAllocationLength) {
  const auto& form = kGetConfigurationForm;
  ASSERT_EQ(form.fields.size(), 2u);
  EXPECT_STREQ(form.fields[0].label, "RT (Requested Type)");
  ASSERT_EQ(form.fields[0].choices.size(), 3u);
  EXPECT_STREQ(form.fields[0].choices[2].text, "10b ");
  EXPECT_STREQ(form.fields[1].label, "Starting Feature Number");
  ASSERT_EQ(form.fields[1].choices.size(), FeatureTable().size() - 1);
  EXPECT_STREQ(form.fields[1].choices[0].text, "0000h Profile List");
  EXPECT_STREQ(form.fields[1].choices[10].text, "0021h Incremental Streaming Writeable");
  EXPECT_EQ(form.fields[1].choices[10].value, 0x21u);
  EXPECT_STREQ(form.fields[1].choices.back().text, "010bh DVD CPRM");

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
  const DecodeOutput out = DecodeConfigurationReply(in);
  ASSERT_EQ(out.columns.size(), 3u);
  EXPECT_EQ(out.columns[0].title, "Offset");
  EXPECT_EQ(out.columns[2].width, 350);
  EXPECT_EQ(Keys(out.rows).back(), "  Physical Interface Standard");
  EXPECT_EQ(kGetConfigurationBehaviour.view, ResultView::kFeatureList);
}

}  // namespace
}  // namespace tamarack
