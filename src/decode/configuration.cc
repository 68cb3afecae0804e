#include "decode/configuration.h"

#include <algorithm>

#include "decode/feature_tables.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::uint32_t kAllocationLength = 40960;

DecodedRow Heading(std::size_t offset, std::string key, std::string data) {
  const int o = static_cast<int>(offset);
  return {{StrFormat("%d(%04xh)", o, o), std::move(key), std::move(data)}, kIconHeading};
}

DecodedRow Field(std::size_t offset, std::string key, std::string data, int icon) {
  return {{StrFormat("  %d", static_cast<int>(offset)), std::move(key), std::move(data)}, icon};
}

// The row every feature shows first: version, persistent, current, additional length.
DecodedRow CommonRow(std::span<const std::uint8_t> d) {
  const int b2 = ByteAt(d, 2);
  return Field(2, "  Common",
               StrFormat(Tr("Version:%xh Persistent:%x Current:%x Additinal Length:%d"),
                         (b2 >> 2) & 0xF, (b2 >> 1) & 1, b2 & 1, ByteAt(d, 3)),
               kIconNumber);
}

void SetAllocationLength(FormData& current, const FormData& /*source*/) {
  WriteBe16(current.cdb, 7, kAllocationLength);
}

constexpr Choice kRequestedTypes[] = {{"00b ", 0}, {"01b ", 1}, {"10b ", 2}};

// "%04xh %s" of every feature table row but the end row, carrying the code.
std::span<const Choice> StartingFeatureChoices() {
  struct Choices {
    std::vector<std::string> texts;
    std::vector<Choice> choices;
    Choices() {
      const auto table = FeatureTable().first(FeatureTable().size() - 1);
      texts.reserve(table.size());
      for (const FeatureTableRow& r : table) texts.push_back(StrFormat("%04xh %s", r.code, r.name));
      for (std::size_t i = 0; i < table.size(); ++i) {
        choices.push_back({texts[i].c_str(), table[i].code});
      }
    }
  };
  static const Choices kChoices;
  return kChoices.choices;
}

const FieldDescriptor kFormFields[] = {
    ChoiceField("RT (Requested Type)", Bits(1, 0, 2), kRequestedTypes),
    ChoiceField("Starting Feature Number", BigEndian(2, 2), StartingFeatureChoices()),
};

}  // namespace

std::vector<ListColumn> FeatureListColumns() {
  return {{"Offset", 130}, {"Key", 200}, {"Data", 350}};
}

std::vector<DecodedRow> DecodeConfiguration(std::span<const std::uint8_t> reply,
                                            std::uint32_t recorded_length) {
  std::vector<DecodedRow> rows;
  const std::uint32_t data_length = ReadBe32(reply, 0);
  // Every byte of the reply as its header counts it (the length field leaves out its own 4),
  // never past a recorded length or the bytes returned: a padded or zero-filled tail is not
  // the drive's data.
  std::uint64_t data_end = std::uint64_t{data_length} + 4;
  if (recorded_length != 0) data_end = std::min<std::uint64_t>(data_end, recorded_length);
  rows.push_back(Heading(
      0, "Header", StrFormat("Data Length %d(%08xh)", static_cast<int>(data_length), data_length)));
  const std::uint16_t current = ReadBe16(reply, 6);
  rows.push_back(
      Field(6, StrFormat("  Current Profile %04xh", current), ProfileName(current), kIconNumber));
  if (data_end < 9) return rows;
  rows.push_back(Heading(8, "Feature Descriptor(s)", ""));

  // Each descriptor is as long as its own additional length says (current drives report
  // longer ones than the table's), so the walk never lands inside one. The table's fields are
  // decoded as far as the descriptor holds them, a descriptor from its 4-byte header.
  const auto end = static_cast<std::size_t>(std::min<std::uint64_t>(reply.size(), data_end));
  std::size_t offset = 8;
  while (offset + 4 <= end) {
    const std::uint16_t code = ReadBe16(reply, offset);
    const FeatureTableRow& feature = FindFeature(code);
    rows.push_back(Heading(offset, StrFormat("Feature Code %04xh", code), feature.name));
    const std::size_t additional = ByteAt(reply, offset + 3);
    const std::size_t size = additional + 4;
    const std::size_t known =
        feature.size != 0 && code != 0x0000 ? std::min<std::size_t>(size, feature.size) : size;
    const std::span<const std::uint8_t> descriptor =
        reply.subspan(offset, std::min(known, end - offset));
    rows.push_back(CommonRow(descriptor));
    if (code == 0x0000) {
      // Offsets within the list, which comes first: from the start of the data less 8.
      for (std::size_t i = 0; i < additional / 4; ++i) {
        const std::size_t at = 4 + 4 * i;
        if (at + 4 > descriptor.size()) break;
        const std::uint16_t profile = ReadBe16(descriptor, at);
        std::string name = ProfileName(profile);
        if (descriptor[at + 2] & 1) name = StrFormat("%s %s", name.c_str(), " CurrentP ");
        rows.push_back(Field(offset + at - 8, StrFormat("  Profile Number %04xh", profile), name,
                             kIconNumber));
      }
      // An empty list is no drive's answer but a zero-filled tail: nothing real follows.
      if (additional == 0) break;
    } else if (feature.decode != nullptr) {
      feature.decode(descriptor, rows);
    }
    offset += size;
  }
  return rows;
}

DecodeOutput DecodeConfigurationReply(const DecodeInput& input) {
  // The header gives the length; the transferred count only bounds it when it is less than
  // the request (a path that reports the whole buffer, or nothing, says nothing of the reply),
  // and no reply is longer than its allocation length.
  const std::size_t allocation = ReadBe16(input.cdb, 7);
  DecodeOutput out;
  out.columns = FeatureListColumns();
  out.rows = DecodeConfiguration(input.data.first(std::min(allocation, input.data.size())),
                                 input.received_length);
  return out;
}

const FormLayout kGetConfigurationForm{kFormFields, false, false, &SetAllocationLength};
const CommandBehaviour kGetConfigurationBehaviour{&kGetConfigurationForm, &DecodeConfigurationReply,
                                                  ResultView::kFeatureList, false};

}  // namespace tamarack
