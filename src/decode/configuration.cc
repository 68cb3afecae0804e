#include "decode/configuration.h"

#include <algorithm>

#include "decode/feature_tables.h"
#include "util/bytes.h"
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
               StrFormat("Version:%xh Persistent:%x Current:%x Additinal Length:%d",
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
  const std::uint32_t length = recorded_length != 0 ? recorded_length : data_length;
  rows.push_back(Heading(
      0, "Header", StrFormat("Data Length %d(%08xh)", static_cast<int>(data_length), data_length)));
  const std::uint16_t current = ReadBe16(reply, 6);
  rows.push_back(
      Field(6, StrFormat("  Current Profile %04xh", current), ProfileName(current), kIconNumber));
  if (length < 9) return rows;
  rows.push_back(Heading(8, "Feature Descriptor(s)", ""));

  // Descriptors from byte 8 up to the end of the data: the header's length counts the bytes
  // after its own 4, a recorded length counts every byte returned. Never past the bytes the
  // drive returned: a descriptor is shown from its 4-byte header, its fields as far as they
  // were returned.
  const std::uint64_t data_end =
      recorded_length != 0 ? std::uint64_t{recorded_length} : std::uint64_t{data_length} + 4;
  const auto end = static_cast<std::size_t>(std::min<std::uint64_t>(reply.size(), data_end));
  std::size_t offset = 8;
  while (offset < end && offset + 4 <= reply.size()) {
    const std::uint16_t code = ReadBe16(reply, offset);
    const FeatureTableRow& feature = FindFeature(code);
    rows.push_back(Heading(offset, StrFormat("Feature Code %04xh", code), feature.name));
    if (feature.code == kFeatureTableEnd) break;  // unknown: its size is unknown too
    const std::size_t additional = ByteAt(reply, offset + 3);
    std::size_t size = feature.size != 0 ? feature.size : additional + 4;
    if (code == 0x0000) size = additional + 4;  // the profile list's own length
    const std::span<const std::uint8_t> descriptor =
        reply.subspan(offset, std::min(size, end - offset));
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
      if (additional == 0) break;
    } else if (feature.decode != nullptr) {
      feature.decode(descriptor, rows);
    }
    offset += size;
  }
  return rows;
}

DecodeOutput DecodeConfigurationReply(const DecodeInput& input) {
  const std::size_t returned = std::min<std::size_t>(input.transferred, input.data.size());
  DecodeOutput out;
  out.columns = FeatureListColumns();
  out.rows = DecodeConfiguration(input.data.first(returned), input.received_length);
  return out;
}

const FormLayout kGetConfigurationForm{kFormFields, false, false, &SetAllocationLength};
const CommandBehaviour kGetConfigurationBehaviour{&kGetConfigurationForm, &DecodeConfigurationReply,
                                                  ResultView::kFeatureList, false};

}  // namespace tamarack
