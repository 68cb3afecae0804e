// The window's help: which section of the user guide (docs/user-guide.md) each help button and
// each tab opens, and the guide's sections cut out of its Markdown text.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamarack {

// A help button's page name (the names the dialogs ask for: "commsen.htm", "tool1.htm", ...)
// and the title of the guide's section it shows: the Japanese guide's heading, marked for
// the catalogue, whose translation is the English guide's heading.
struct HelpTopicRow {
  const char* page;
  const char* section;
};
std::span<const HelpTopicRow> HelpTopics();

// The section of a page name; nothing for a name the table does not hold.
std::optional<std::string_view> SectionOfPage(std::string_view page);
// The section of a main window tab (shell/file_kinds.h's TabIndex), as a row's; "" for none.
std::string_view SectionOfTab(int tab);

// A heading of the guide: its level ("##" is 2) and its title, outside code blocks.
struct GuideHeading {
  int level = 0;
  std::string title;
};
std::vector<GuideHeading> GuideHeadings(std::string_view markdown);

// The section of `markdown` whose heading reads `title` (after its "#"s): the heading and
// everything up to the next heading of the same or a higher level, outside code blocks.
// Nothing when no heading reads so.
std::optional<std::string> GuideSection(std::string_view markdown, std::string_view title);

}  // namespace tamarack
