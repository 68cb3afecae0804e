#include "shell/help_topics.h"

#include <array>

#include "shell/file_kinds.h"

namespace tamarack {

namespace {

constexpr const char* kModePageSection = "Mode page editor (Mode Sense(10) and Mode Select(10))";

constexpr std::array kTopics = {
    HelpTopicRow{"commsen.htm", kModePageSection},
    HelpTopicRow{"commsel.htm", kModePageSection},
    HelpTopicRow{"readset.htm", "Reference data: capture and check"},
    HelpTopicRow{"logset.htm", "The ageing log"},
    HelpTopicRow{"option.htm", "The option dialog"},
    HelpTopicRow{"tool1.htm", "LBA to MSF"},
    HelpTopicRow{"tool2.htm", "MSF to LBA"},
    HelpTopicRow{"tool3.htm", "Sub-Q CRC"},
    HelpTopicRow{"tool4.htm", "Sub-Q check"},
};

// In the order of TabIndex.
constexpr std::array<const char*, kTabCount> kTabSections = {
    "The Sector Dump tab", "The Toc tab",     "The Properties tab", "The Command tab",
    "The Aging tab",       "The Measure tab", "The Others tab",
};

// The level of a Markdown heading line ("## x" is 2) and its title; level 0 for any other.
int HeadingLevel(std::string_view line, std::string_view* title) {
  std::size_t level = 0;
  while (level < line.size() && line[level] == '#') ++level;
  if (level == 0 || level > 6 || level >= line.size() || line[level] != ' ') return 0;
  *title = line.substr(level + 1);
  while (!title->empty() && (title->back() == ' ' || title->back() == '\r')) {
    title->remove_suffix(1);
  }
  return static_cast<int>(level);
}

}  // namespace

std::span<const HelpTopicRow> HelpTopics() { return kTopics; }

std::optional<std::string_view> SectionOfPage(std::string_view page) {
  for (const HelpTopicRow& row : kTopics) {
    if (page == row.page) return row.section;
  }
  return std::nullopt;
}

std::string_view SectionOfTab(int tab) {
  if (tab < 0 || tab >= kTabCount) return {};
  return kTabSections[static_cast<std::size_t>(tab)];
}

std::optional<std::string> GuideSection(std::string_view markdown, std::string_view title) {
  std::size_t begin = std::string_view::npos;
  int level = 0;
  bool in_code = false;
  std::size_t pos = 0;
  while (pos < markdown.size()) {
    std::size_t end = markdown.find('\n', pos);
    if (end == std::string_view::npos) end = markdown.size();
    const std::string_view line = markdown.substr(pos, end - pos);
    if (line.starts_with("```")) in_code = !in_code;
    std::string_view heading;
    const int l = in_code ? 0 : HeadingLevel(line, &heading);
    if (l > 0) {
      if (begin != std::string_view::npos && l <= level) {
        return std::string(markdown.substr(begin, pos - begin));
      }
      if (begin == std::string_view::npos && heading == title) {
        begin = pos;
        level = l;
      }
    }
    pos = end + 1;
  }
  if (begin == std::string_view::npos) return std::nullopt;
  return std::string(markdown.substr(begin));
}

}  // namespace tamarack
