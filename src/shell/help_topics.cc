#include "shell/help_topics.h"

#include <array>

#include "shell/file_kinds.h"
#include "util/message_catalogue.h"

namespace tamarack {

namespace {

constexpr const char* kModePageSection =
    TR_NOOP("モードページエディタ (Mode Sense(10) と Mode Select(10))");

constexpr std::array kTopics = {
    HelpTopicRow{"commsen.htm", kModePageSection},
    HelpTopicRow{"commsel.htm", kModePageSection},
    HelpTopicRow{"readset.htm", TR_NOOP("リファレンスデータ: 取り込みとチェック")},
    HelpTopicRow{"logset.htm", TR_NOOP("エージングログの設定")},
    HelpTopicRow{"option.htm", TR_NOOP("動作オプションの設定")},
    HelpTopicRow{"tool1.htm", TR_NOOP("LBA から MSF")},
    HelpTopicRow{"tool2.htm", TR_NOOP("MSF から LBA")},
    HelpTopicRow{"tool3.htm", TR_NOOP("Sub-Q CRC の計算")},
    HelpTopicRow{"tool4.htm", TR_NOOP("Sub-Q チェック")},
};

// In the order of TabIndex.
constexpr std::array<const char*, kTabCount> kTabSections = {
    TR_NOOP("Sector Dump タブ"), TR_NOOP("Toc タブ"),   TR_NOOP("Properties タブ"),
    TR_NOOP("Command タブ"),     TR_NOOP("Aging タブ"), TR_NOOP("Measure タブ"),
    TR_NOOP("Others タブ"),
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

namespace {

// Calls `visit(level, title, offset)` for every heading of `markdown` outside code blocks, with
// the offset of its line; stops when `visit` returns false.
template <typename Visit>
void ForEachHeading(std::string_view markdown, Visit visit) {
  bool in_code = false;
  std::size_t pos = 0;
  while (pos < markdown.size()) {
    std::size_t end = markdown.find('\n', pos);
    if (end == std::string_view::npos) end = markdown.size();
    const std::string_view line = markdown.substr(pos, end - pos);
    if (line.starts_with("```")) in_code = !in_code;
    std::string_view title;
    const int level = in_code ? 0 : HeadingLevel(line, &title);
    if (level > 0 && !visit(level, title, pos)) return;
    pos = end + 1;
  }
}

}  // namespace

std::vector<GuideHeading> GuideHeadings(std::string_view markdown) {
  std::vector<GuideHeading> headings;
  ForEachHeading(markdown, [&](int level, std::string_view title, std::size_t) {
    headings.push_back({level, std::string(title)});
    return true;
  });
  return headings;
}

std::optional<std::string> GuideSection(std::string_view markdown, std::string_view title) {
  std::size_t begin = std::string_view::npos;
  std::size_t finish = markdown.size();
  int section_level = 0;
  ForEachHeading(markdown, [&](int level, std::string_view heading, std::size_t at) {
    if (begin != std::string_view::npos && level <= section_level) {
      finish = at;
      return false;
    }
    if (begin == std::string_view::npos && heading == title) {
      begin = at;
      section_level = level;
    }
    return true;
  });
  if (begin == std::string_view::npos) return std::nullopt;
  return std::string(markdown.substr(begin, finish - begin));
}

}  // namespace tamarack
