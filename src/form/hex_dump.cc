#include "form/hex_dump.h"

#include <algorithm>
#include <array>

#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr const char* kGroupingLabels[kGroupingCount] = {
    TR_NOOP("まとめない"), TR_NOOP("1 ﾊﾞｲﾄ毎"), TR_NOOP("2 ﾊﾞｲﾄ毎"),
    TR_NOOP("4 ﾊﾞｲﾄ毎"),   TR_NOOP("8 ﾊﾞｲﾄ毎"), TR_NOOP("16 ﾊﾞｲﾄ毎"),
};
constexpr int kGroupSizes[kGroupingCount] = {128, 1, 2, 4, 8, 16};

// A blank goes between byte `i` and byte `i + 1` of a line when a group ends there.
bool GroupEndsAfter(std::size_t i, int group_size) {
  const auto g = static_cast<std::size_t>(group_size > 0 ? group_size : 128);
  return (i + 1) % g == 0 && i + 1 < kDumpLineBytes;
}

// The three UTF-8 bytes of U+FF61 + (byte - A1h), the half-width katakana block.
std::string_view HalfWidthKatakana(std::uint8_t byte) {
  // U+FF61..U+FF9F: EF BD A1..EF BD BF, then EF BE 80..EF BE 9F.
  static const auto kTable = [] {
    std::array<std::array<char, 3>, 0x3F> t{};
    for (unsigned i = 0; i < t.size(); ++i) {
      const unsigned cp = 0xFF61u + i;
      t[i] = {static_cast<char>(0xE0u | (cp >> 12)), static_cast<char>(0x80u | ((cp >> 6) & 0x3Fu)),
              static_cast<char>(0x80u | (cp & 0x3Fu))};
    }
    return t;
  }();
  const auto& e = kTable[static_cast<std::size_t>(byte - 0xA1u)];
  return std::string_view(e.data(), e.size());
}

}  // namespace

const char* GroupingLabel(int index) {
  if (index < 0 || index >= kGroupingCount) return "";
  return Tr(kGroupingLabels[index]);
}

int GroupSize(int index) {
  if (index < 0 || index >= kGroupingCount) index = kDefaultGroupingIndex;
  return kGroupSizes[index];
}

int GroupingIndexOfSize(int size) {
  if (size == 0) return 0;
  for (int i = 0; i < kGroupingCount; ++i) {
    if (kGroupSizes[i] == size) return i;
  }
  return -1;
}

std::string_view DumpCharacter(std::uint8_t byte) {
  static const auto kAscii = [] {
    std::array<char, 128> t{};
    for (unsigned i = 0; i < t.size(); ++i) t[i] = static_cast<char>(i);
    return t;
  }();
  if (byte == 0x60) return "~";
  if ((byte >= 0x20 && byte <= 0x5F) || (byte >= 0x61 && byte <= 0x7E)) {
    return std::string_view(&kAscii[byte], 1);
  }
  if (byte == 0xA1) return ".";
  if (byte == 0xB0) return "-";
  if ((byte >= 0xA6 && byte <= 0xAF) || (byte >= 0xB1 && byte <= 0xDF)) {
    return HalfWidthKatakana(byte);
  }
  return " ";
}

void DumpHex(std::span<const std::uint8_t> data, std::string* out, bool whole, int group_size) {
  const std::size_t count = whole ? data.size() : std::min(data.size(), kDumpPartBytes);
  out->reserve(out->size() + (count / kDumpLineBytes + 2) * 120);
  for (std::size_t line = 0; line < count; line += kDumpLineBytes) {
    const std::size_t n = std::min(kDumpLineBytes, count - line);
    StrAppendFormat(out, "%06zu %04zxh ", line, line);
    for (std::size_t i = 0; i < kDumpLineBytes; ++i) {
      if (i < n) {
        StrAppendFormat(out, "%02x", data[line + i]);
      } else {
        out->append("  ");
      }
      if (GroupEndsAfter(i, group_size)) out->push_back(' ');
    }
    out->append(" :");
    for (std::size_t i = 0; i < n; ++i) out->append(DumpCharacter(data[line + i]));
    out->append("\r\n");
  }
  if (!whole && data.size() > kDumpPartBytes) out->append("...The following are omitted. ...\r\n");
}

std::string DumpColumnHeader(int group_size) {
  std::string h = " Offset       ";
  for (std::size_t i = 0; i < kDumpLineBytes; ++i) {
    StrAppendFormat(&h, "%02zx", i);
    if (GroupEndsAfter(i, group_size)) h.push_back(' ');
  }
  return h;
}

std::string ShowHexDumpText(std::string_view title, std::span<const std::uint8_t> data,
                            int group_size) {
  std::string text(title);
  DumpHex(data, &text, true, group_size);
  return text;
}

}  // namespace tamarack
