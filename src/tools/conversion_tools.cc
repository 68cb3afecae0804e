#include "tools/conversion_tools.h"

#include <array>
#include <optional>
#include <vector>

#include "util/strings.h"
#include "util/sub_q_crc.h"

namespace tamarack {

namespace {

constexpr long long kMsfOffset = 150;
constexpr long long kFramesPerMinute = 4500;
constexpr long long kFramesPerSecond = 75;

// The LBAs the conversion takes: a drive's signed 32-bit address, from the lead-in's last two
// seconds (MSF 00:00:00) on.
constexpr long long kFirstLba = -kMsfOffset;
constexpr long long kLastLba = 0x7FFFFFFF;
constexpr long long kLbaFieldValues = 0x100000000;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// One pair of the MSF text; `pair` may be shorter than two characters (missing at the front).
std::optional<int> PairValue(std::string_view pair, bool bcd) {
  if (pair.empty()) return 0;
  const auto v = ParseDigits(pair, bcd ? 10 : 16, 0xFF);
  return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt;
}

// The LBA of `text`: decimal with an optional minus, or hexadecimal as the 32-bit field a drive
// is sent (FFFFFF6A is -150), so that both bases take the same LBAs. Nothing outside
// kFirstLba..kLastLba.
std::optional<long long> ParseLba(std::string_view text, bool hex) {
  text = Trimmed(text);
  const bool negative = !hex && !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
  // Above the 32-bit field every text is out of range in either base.
  const auto digits = ParseDigits(text, hex ? 16 : 10, kLbaFieldValues - 1);
  if (!digits) return std::nullopt;
  const auto magnitude = static_cast<long long>(*digits);
  long long lba = negative ? -magnitude : magnitude;
  if (hex && lba > kLastLba && lba < kLbaFieldValues) lba -= kLbaFieldValues;
  if (lba < kFirstLba || lba > kLastLba) return std::nullopt;
  return lba;
}

}  // namespace

std::string LbaToMsfText(std::string_view text, bool hex) {
  const auto parsed = ParseLba(text, hex);
  if (!parsed) return kConversionErrorText;
  const long long lba = *parsed;
  const long long a = lba + kMsfOffset;
  const auto minutes = static_cast<int>(a / kFramesPerMinute);
  const auto seconds = static_cast<int>(a % kFramesPerMinute / kFramesPerSecond);
  const auto frames = static_cast<int>(a % kFramesPerSecond);
  // A negative LBA shows in hexadecimal as the 32-bit value a drive would be sent.
  const auto bits = static_cast<unsigned>(static_cast<std::uint32_t>(lba));
  return StrFormat("%lld (%04xh) -> %02d %02d %02d(%02xh %02xh %02xh)", lba, bits, minutes, seconds,
                   frames, static_cast<unsigned>(minutes), static_cast<unsigned>(seconds),
                   static_cast<unsigned>(frames));
}

std::string MsfToLbaText(std::string_view text, bool bcd) {
  const std::string_view last_six = text.size() > 6 ? text.substr(text.size() - 6) : text;
  // Pairs from the end: frames, seconds, minutes.
  std::array<std::optional<int>, 3> values;
  std::size_t end = last_six.size();
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t begin = end >= 2 ? end - 2 : 0;
    values[i] = PairValue(last_six.substr(begin, end - begin), bcd);
    end = begin;
  }
  if (!values[0] || !values[1] || !values[2]) return kConversionErrorText;
  const int frames = *values[0], seconds = *values[1], minutes = *values[2];
  if (frames > 74 || seconds > 59) return kConversionErrorText;
  const long long lba = (minutes * 60LL + seconds - 2) * kFramesPerSecond + frames;
  if (lba < 0) return kConversionErrorText;
  return StrFormat("%.*s -> %lld (%04llxh)", static_cast<int>(text.size()), text.data(), lba,
                   static_cast<unsigned long long>(lba));
}

std::string SubQCrcText(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    if (HexDigitValue(c) < 0 || digits.size() == 2 * kSubQDataSize) return kConversionErrorText;
    digits += c;
  }
  // Digits left out at the end are zeros.
  digits.resize(2 * kSubQDataSize, '0');
  const std::vector<std::uint8_t> bytes =
      ParseHexBytes(digits, "").value_or(std::vector<std::uint8_t>(kSubQDataSize));
  return HexBytes(bytes) + StrFormat(" -> %04x", SubQCrc(bytes));
}

}  // namespace tamarack
