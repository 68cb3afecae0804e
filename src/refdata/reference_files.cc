#include "refdata/reference_files.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/env.h"
#include "util/strings.h"

namespace tamarack {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxSuffix = 9999;

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

bool IsDatName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return ext == ".dat";
}

// Empty for a path without a folder: no folder is listed then.
std::string FolderOf(const std::string& file) { return fs::path(file).parent_path().string(); }

}  // namespace

std::string ResolveDataFolder(const std::string& folder, const std::string& program_folder) {
  std::error_code ec;
  if (!folder.empty() && fs::is_directory(folder, ec)) return folder;
  return program_folder;
}

std::string LabelStem(std::string_view label) {
  const std::size_t first = label.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string(kNoLabelName);
  label = label.substr(first, label.find_last_not_of(' ') - first + 1);
  std::string stem;
  for (char c : label) {
    const auto u = static_cast<unsigned char>(c);
    stem += (kNotInFileNames.find(c) != std::string_view::npos || u < 0x20 || u == 0x7F) ? '_' : c;
  }
  if (stem.find_first_not_of('.') == std::string::npos) stem.assign(stem.size(), '_');
  return stem;
}

std::optional<std::string> ProposeFileName(const std::string& folder, std::string_view label) {
  const std::string stem = LabelStem(label);
  const fs::path dir(folder);
  std::string name = stem + ".dat";
  if (!Exists(dir / name)) return name;
  for (int n = 0; n <= kMaxSuffix; ++n) {
    name = StrFormat("%s%03d.dat", stem.c_str(), n);
    if (!Exists(dir / name)) return name;
  }
  return std::nullopt;
}

std::string SiblingPath(const std::string& file, const std::string& name) {
  return (fs::path(FolderOf(file)) / name).string();
}

std::string FileSizeText(std::uint64_t bytes) {
  if (bytes < 1024) return StrFormat("%llu B", static_cast<unsigned long long>(bytes));
  return StrFormat("%llu KB", static_cast<unsigned long long>(bytes / 1024));
}

std::vector<ReferenceFileEntry> ListReferenceFiles(const std::string& check_file) {
  std::vector<ReferenceFileEntry> out;
  std::error_code ec;
  const fs::path folder(FolderOf(check_file));
  if (folder.empty() || !fs::is_directory(folder, ec)) return out;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!IsDatName(name)) continue;
    const std::optional<FileFacts> facts = Env::Default().FactsOf(it->path().string());
    if (!facts || !facts->regular) continue;
    const std::tm t = Env::Default().CalendarTimeOf(facts->modified, false);
    ReferenceFileEntry e;
    e.name = name;
    e.bytes = facts->size;
    e.date = StrFormat("%04d/%2d/%2d %2d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                       t.tm_hour, t.tm_min, t.tm_sec);
    e.time_key = StrFormat("%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                           t.tm_hour, t.tm_min, t.tm_sec);
    e.size = FileSizeText(e.bytes);
    e.size_key = StrFormat("%llu", static_cast<unsigned long long>(e.bytes));
    out.push_back(std::move(e));
  }
  SortReferenceFiles(out, FileListColumn::kName, false);
  return out;
}

void SortReferenceFiles(std::vector<ReferenceFileEntry>& entries, FileListColumn column,
                        bool descending) {
  auto less = [column](const ReferenceFileEntry& a, const ReferenceFileEntry& b) {
    switch (column) {
      case FileListColumn::kName:
        return a.name < b.name;
      case FileListColumn::kDate:
        return a.time_key < b.time_key;
      case FileListColumn::kSize:
        return a.bytes < b.bytes;
    }
    return false;
  };
  std::stable_sort(entries.begin(), entries.end(),
                   [&](const ReferenceFileEntry& a, const ReferenceFileEntry& b) {
                     return descending ? less(b, a) : less(a, b);
                   });
}

bool DeleteReferenceFile(const std::string& check_file, const std::string& name,
                         std::string* error) {
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(kNotInFileNames) != std::string::npos) {
    *error = std::error_code(EINVAL, std::generic_category()).message();
    return false;
  }
  std::error_code ec;
  if (!fs::remove(SiblingPath(check_file, name), ec)) {
    *error = ec ? ec.message() : std::error_code(ENOENT, std::generic_category()).message();
    return false;
  }
  return true;
}

}  // namespace tamarack
