// The files the save and load tool buttons write and read (one kind per tab: dumps, command
// sets, ageing settings, measurements; their rows in shell/file_kinds.h): the data folder, the
// default names, the command files' options, writer and reader. Every write replaces the file
// atomically; each other kind's format is its feature's.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "shell/file_kinds.h"
#include "shell/settings_data.h"
#include "shell/settings_format.h"
#include "util/message_catalogue.h"

namespace tamarack {

// The command save option dialog and its three choices, in the order of CommandFileContent.
inline constexpr const char* kCommandSaveOptionTitle = TR_NOOP("保存オプション(コマンド)");
inline constexpr const char* kCommandSaveOptionGroup = TR_NOOP("保存オプションを選択します");
const char* CommandSaveOptionLabel(CommandFileContent content);
// The name part of a command file's default name: "all", "bse", "user".
const char* CommandSaveOptionName(CommandFileContent content);

// Makes the data folder ("Directory=") known before a save or load: an empty one becomes
// `documents` (persist/user_folders.h: DocumentsFolder). Returns the folder.
const std::string& EnsureDataFolder(std::string* directory, const std::string& documents);
// The folder of a saved file, without a trailing separator (a successful save's new data
// folder); "." for a bare name.
std::string FolderOfFile(const std::string& path);

// The proposed path of a save: the kind's numbered name (FileKindRow::numbered_name, `variant`
// the dump's extension or the command file's content) in `folder`, with the smallest number
// from 000 to 999 whose file `exists` says is not there (999 when all are). The default
// `exists` asks the file system. The control data window proposes its dumps' names here too.
std::string DefaultTabFilePath(FileKind kind, const std::string& folder, std::string_view variant,
                               const std::function<bool(const std::string&)>& exists = {});

// Writers: false with the system's reason in `error` when the file could not be written (an
// old file of that name stays whole).
bool SaveCommandFile(const std::string& path, const SettingsData& settings,
                     CommandFileContent content, std::string* error);

// Readers. A command or ageing file runs through the settings reader over `settings`: its
// lines replace their settings, every other setting stays. False when it cannot be read.
bool LoadSettingsLinesFile(const std::string& path, SettingsData* settings, std::string* error);

}  // namespace tamarack
