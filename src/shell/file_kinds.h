// The window's tabs and the kinds of file the save and open buttons write and read: one row
// per kind with its extension, its tab and its dialog titles, for the start tab of a file named
// on the command line, the default names and dialogs of the tab files and the window's save
// and load.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tamarack {

// Tab indexes are fixed (the settings file's "LastTab=" counts on them).
enum TabIndex {
  kTabSectorDump = 0,
  kTabToc = 1,
  kTabProperties = 2,
  kTabCommand = 3,
  kTabAgeing = 4,
  kTabMeasure = 5,
  kTabOthers = 6,
};
inline constexpr int kTabCount = 7;

enum class FileKind { kDump, kCommands, kAgeing, kMeasurement };

struct FileKindRow {
  FileKind kind;
  const char* extension;  // loaded from, and picks the start tab ("txt", "cmd", "age", "msr")
  TabIndex tab;           // the tab whose data the file holds
  const char* save_title;
  const char* load_title;  // the dump's load dialog reads "txt" only
  // The proposed name of a save with its number (000 to 999): "Dmp%03d.EXT" (`variant` the
  // dump's extension), "VARIANT_%03d.cmd" ("all", "bse", "user"), "Age%03d.age", "msr%03d.msr".
  std::string (*numbered_name)(int number, std::string_view variant);
};

// The row of `kind`.
const FileKindRow& RowOfKind(FileKind kind);
// The kind whose extension is `extension` (case-insensitive); nothing for any other.
std::optional<FileKind> KindOfExtension(std::string_view extension);
// The kind of file a tab saves and loads; nothing for a tab without files.
std::optional<FileKind> KindOfTab(int tab);

// The file dialog's filter for an extension: "%s file(*.%s)|*.%s|all files(*.*)|*.*||".
std::string FileDialogFilter(std::string_view extension);

}  // namespace tamarack
