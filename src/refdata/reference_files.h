// The reference data files around the dialog: the folder and the file it opens with, the name
// proposed for a new capture, the two file lists with their hidden sort keys, and deletion.
// Paths join with "/" where the original joined with "\\".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "util/message_catalogue.h"

namespace tamarack {

// The file name's stem when the disc has no volume label.
inline constexpr std::string_view kNoLabelName = "NewName";
inline constexpr std::string_view kDeleteQuestion = TR_NOOP("このファイルを削除しますか?");

// The data folder the dialog opens with: `folder` when it names an existing folder, else
// `program_folder`.
std::string ResolveDataFolder(const std::string& folder, const std::string& program_folder);

// The volume label as a file name's stem: blanks at either end dropped, every character that
// cannot stand in a file name here ("/", control characters) and a name of only dots replaced
// by "_"; "NewName" for an empty label.
std::string LabelStem(std::string_view label);

// The name proposed for a new file in `folder` (without the folder): "STEM.dat" when no such
// file exists there, else "STEM%03d.dat" with the first of 000 to 9999 that does not; nothing
// when all exist. `label` goes through LabelStem.
std::optional<std::string> ProposeFileName(const std::string& folder, std::string_view label);

// `name` in the folder of `file`: the path a list entry stands for.
std::string SiblingPath(const std::string& file, const std::string& name);

// "%d B" below 1024 bytes, else "%d KB" with the size / 1024.
std::string FileSizeText(std::uint64_t bytes);

// One row of a file list: three shown columns and two hidden sort keys.
struct ReferenceFileEntry {
  std::string name;      // "名前(*.dat)"
  std::string date;      // "日付": "%04d/%2d/%2d %2d:%02d:%02d", local time
  std::string size;      // "ｻｲｽﾞ": FileSizeText
  std::string time_key;  // "%04d%02d%02d%02d%02d%02d"
  std::string size_key;  // the size in bytes, "%llu"
  std::uint64_t bytes = 0;
};

// The ".dat" files (any case of the extension; folders skipped) in the folder of `check_file`,
// in name order; empty when that folder does not exist (or the path names none).
std::vector<ReferenceFileEntry> ListReferenceFiles(const std::string& check_file);

enum class FileListColumn { kName, kDate, kSize };

// The name column by its text, the date by the hidden time key, the size by the byte count.
void SortReferenceFiles(std::vector<ReferenceFileEntry>& entries, FileListColumn column,
                        bool descending);

// Deletes the entry `name` beside `check_file`. False with the system's reason; a name that is
// not a plain file name is refused.
bool DeleteReferenceFile(const std::string& check_file, const std::string& name,
                         std::string* error);

}  // namespace tamarack
