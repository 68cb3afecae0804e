// The window's help: which section of the user guide (docs/user-guide.md) each help button and
// each tab opens, and the guide's sections cut out of its Markdown text.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tamarack {

// A help button's page name (the names the dialogs ask for: "commsen.htm", "tool1.htm", ...)
// and the title of the guide's section it shows.
struct HelpTopicRow {
  const char* page;
  const char* section;
};
std::span<const HelpTopicRow> HelpTopics();

// The section of a page name; nothing for a name the table does not hold.
std::optional<std::string_view> SectionOfPage(std::string_view page);
// The section of a main window tab (shell/file_kinds.h's TabIndex); "" for none.
std::string_view SectionOfTab(int tab);

// The section of `markdown` whose heading reads `title` (after its "#"s): the heading and
// everything up to the next heading of the same or a higher level, outside code blocks.
// Nothing when no heading reads so.
std::optional<std::string> GuideSection(std::string_view markdown, std::string_view title);

}  // namespace tamarack
