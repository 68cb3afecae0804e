#include "refdata/unread_list.h"

#include <algorithm>
#include <charconv>

#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::uint64_t kLbaLimit = std::uint64_t{1} << 32;

bool ParseLba(std::string_view text, std::uint32_t* value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, *value, 10);
  return ec == std::errc() && ptr == end;
}

// Sorts the ranges and joins those that overlap or touch.
std::vector<UnreadRange> Joined(std::vector<UnreadRange> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const UnreadRange& a, const UnreadRange& b) { return a.first < b.first; });
  std::vector<UnreadRange> out;
  for (const UnreadRange& r : ranges) {
    if (!out.empty() && std::uint64_t{r.first} <= std::uint64_t{out.back().last} + 1) {
      out.back().last = std::max(out.back().last, r.last);
    } else {
      out.push_back(r);
    }
  }
  return out;
}

}  // namespace

void UnreadBlocks::Add(std::uint64_t first, std::uint64_t count) {
  if (count == 0 || first >= kLbaLimit) return;
  const auto last = static_cast<std::uint32_t>(std::min(first + count, kLbaLimit) - 1);
  const UnreadRange r{static_cast<std::uint32_t>(first), last};
  // A capture adds in ascending order: the common case follows or joins the last range.
  if (ranges_.empty() || std::uint64_t{r.first} > std::uint64_t{ranges_.back().last} + 1) {
    ranges_.push_back(r);
  } else if (r.first >= ranges_.back().first) {
    ranges_.back().last = std::max(ranges_.back().last, r.last);
  } else {
    ranges_.push_back(r);
    ranges_ = Joined(std::move(ranges_));
  }
}

bool UnreadBlocks::Contains(std::uint64_t lba) const { return CountIn(lba, 1) != 0; }

std::uint64_t UnreadBlocks::CountIn(std::uint64_t first, std::uint64_t count) const {
  if (count == 0) return 0;
  const std::uint64_t end = first + count;  // one past the last block asked about
  // The first range that ends at or after `first`.
  auto it = std::lower_bound(
      ranges_.begin(), ranges_.end(), first,
      [](const UnreadRange& r, std::uint64_t lba) { return std::uint64_t{r.last} < lba; });
  std::uint64_t n = 0;
  for (; it != ranges_.end() && it->first < end; ++it) {
    n += std::min<std::uint64_t>(end, std::uint64_t{it->last} + 1) -
         std::max<std::uint64_t>(first, it->first);
  }
  return n;
}

std::uint64_t UnreadBlocks::blocks() const {
  std::uint64_t n = 0;
  for (const UnreadRange& r : ranges_) n += std::uint64_t{r.last} - r.first + 1;
  return n;
}

std::string FormatUnreadList(const UnreadBlocks& blocks) {
  std::string text;
  for (const UnreadRange& r : blocks.ranges()) text += StrFormat("%u-%u\n", r.first, r.last);
  return text;
}

bool ParseUnreadList(std::string_view text, UnreadBlocks* out, std::string* error) {
  std::vector<UnreadRange> ranges;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t cut = text.find('\n');
    std::string_view line = text.substr(0, cut);
    text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t dash = line.find('-');
    UnreadRange r;
    if (dash == std::string_view::npos || !ParseLba(line.substr(0, dash), &r.first) ||
        !ParseLba(line.substr(dash + 1), &r.last) || r.last < r.first) {
      if (error) {
        *error = StrFormat("line %d: \"%s\" is not a range of LBAs first-last", number,
                           std::string(line.substr(0, 40)).c_str());
      }
      return false;
    }
    ranges.push_back(r);
  }
  *out = UnreadBlocks();
  for (const UnreadRange& r : Joined(std::move(ranges))) {
    out->Add(r.first, std::uint64_t{r.last} - r.first + 1);
  }
  return true;
}

std::string UnreadRangesText(const UnreadBlocks& blocks) {
  std::string text;
  for (const UnreadRange& r : blocks.ranges()) {
    text += StrFormat("%s%u-%u", text.empty() ? "" : ", ", r.first, r.last);
  }
  return text;
}

}  // namespace tamarack
