// The Env of Windows (Win32), built with mingw-w64 or MSVC.
#include <windows.h>
// After windows.h, which they need.
#include <io.h>
#include <malloc.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "platform/env.h"
#include "platform/windows/system_error_text.h"

namespace tamarack {

namespace {

std::string LastErrorText() { return SystemErrorText(::GetLastError()); }

// The sharing every file of ours allows: a log is read while it grows, a capture may be
// renamed or deleted by another program.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::time_t TimeOfFileTime(const FILETIME& t) {
  // 100 ns ticks since 1601-01-01.
  const std::uint64_t ticks = (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
  constexpr std::uint64_t kTicksTo1970 = 116444736000000000ull;
  return ticks < kTicksTo1970 ? 0 : static_cast<std::time_t>((ticks - kTicksTo1970) / 10000000u);
}

class WindowsWritableFile final : public WritableFile {
 public:
  explicit WindowsWritableFile(HANDLE h) : h_(h) {}
  ~WindowsWritableFile() override {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }

  std::size_t Write(std::span<const std::uint8_t> bytes, std::string* reason) override {
    const DWORD ask = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
    DWORD done = 0;
    if (!::WriteFile(h_, bytes.data(), ask, &done, nullptr)) {
      *reason = LastErrorText();
      return 0;
    }
    if (done == 0) *reason = SystemErrorText(ERROR_DISK_FULL);
    return done;
  }

  void StartWriteBack(std::uint64_t, std::uint64_t) override {}

  bool Sync(std::string* reason) override {
    if (::FlushFileBuffers(h_)) return true;
    // A console or a pipe has nothing to flush.
    if (::GetLastError() == ERROR_INVALID_HANDLE || ::GetLastError() == ERROR_INVALID_FUNCTION) {
      return true;
    }
    *reason = LastErrorText();
    return false;
  }

  bool Close(std::string* reason) override {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    if (::CloseHandle(h)) return true;
    *reason = LastErrorText();
    return false;
  }

 private:
  HANDLE h_;
};

class WindowsRandomAccessFile final : public RandomAccessFile {
 public:
  WindowsRandomAccessFile(HANDLE h, std::uint64_t size, bool regular)
      : h_(h), size_(size), regular_(regular) {}
  ~WindowsRandomAccessFile() override { ::CloseHandle(h_); }

  std::uint64_t size() const override { return size_; }
  bool regular() const override { return regular_; }

  std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> out,
                                    std::string* reason) const override {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD ask = out.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(out.size());
    DWORD done = 0;
    if (::ReadFile(h_, out.data(), ask, &done, &at)) return done;
    if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
    if (reason) *reason = LastErrorText();
    return std::nullopt;
  }

 private:
  HANDLE h_;
  std::uint64_t size_;
  bool regular_;
};

class WindowsEnv final : public Env {
 public:
  std::unique_ptr<WritableFile> OpenWritable(const std::string& path, WriteMode mode,
                                             std::string* reason) override {
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                   mode == WriteMode::kExisting ? OPEN_EXISTING : CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *reason = LastErrorText();
      return nullptr;
    }
    return std::make_unique<WindowsWritableFile>(h);
  }

  std::unique_ptr<RandomAccessFile> OpenRandomAccess(const std::string& path,
                                                     std::string* reason) override {
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *reason = LastErrorText();
      return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular = ::GetFileType(h) == FILE_TYPE_DISK &&
                         ::GetFileInformationByHandle(h, &info) &&
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    LARGE_INTEGER size{};
    if (!regular || !::GetFileSizeEx(h, &size)) size.QuadPart = 0;
    return std::make_unique<WindowsRandomAccessFile>(h, static_cast<std::uint64_t>(size.QuadPart),
                                                     regular);
  }

  std::optional<FileFacts> FactsOf(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    FileFacts facts;
    facts.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.regular = !facts.folder && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    facts.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    facts.modified = TimeOfFileTime(data.ftLastWriteTime);
    return facts;
  }

  bool Rename(const std::string& from, const std::string& to, std::string* reason) override {
    if (::MoveFileExA(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    *reason = LastErrorText();
    return false;
  }

  void Remove(const std::string& path) override { ::DeleteFileA(path.c_str()); }

  // MOVEFILE_WRITE_THROUGH already waits for the rename.
  void SyncFolder(const std::string&) override {}

  // Access rights on Windows are lists the file's attributes do not tell: try it.
  bool CanWriteIn(const std::string& folder) override {
    const std::string probe =
        folder + "\\.tamarack-write-test-" + std::to_string(::GetCurrentProcessId());
    const HANDLE h = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
  }

  std::string ProgramFolder() override {
    char path[MAX_PATH + 1] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "";
    std::string folder(path, n);
    const std::size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? "" : folder.substr(0, cut);
  }

  long ProcessId() override { return static_cast<long>(::GetCurrentProcessId()); }

  std::string KnownFolderPath(KnownFolder folder) override {
    char path[MAX_PATH + 1] = {};
    const int id = folder == KnownFolder::kAppData ? CSIDL_APPDATA : CSIDL_PERSONAL;
    if (::SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return "";
    return path;
  }

  void SetEnvironment(const std::string& name, const std::string& value) override {
    ::_putenv_s(name.c_str(), value.c_str());
  }

  // Windows has no file-size signal.
  void KeepRunningPastFileSizeLimit() override {}

  void LowerThisThreadPriority() override {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_LOWEST);
  }

  bool IsTerminal(StandardStream stream) override {
    static constexpr DWORD kHandles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(kHandles[static_cast<int>(stream)]), &mode) != 0;
  }

  std::optional<int> TerminalColumns() override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) {
      return std::nullopt;
    }
    return info.srWindow.Right - info.srWindow.Left + 1;
  }

  std::tm CalendarTimeOf(std::time_t t, bool utc) override {
    std::tm tm{};
    if (utc) {
      ::gmtime_s(&tm, &t);
    } else {
      ::localtime_s(&tm, &t);
    }
    return tm;
  }

  void* AllocateAligned(std::size_t alignment, std::size_t size, bool) override {
    return ::_aligned_malloc(size, alignment);
  }

  void FreeAligned(void* p) override { ::_aligned_free(p); }

  std::size_t PageSize() override {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwPageSize > 0 ? info.dwPageSize : 4096;
  }

  // No gettext here: the texts stay the sources' own.
  bool BindMessageCatalogue(const char*, const std::string&) override { return false; }
  const char* LookUpMessage(const char*, const char* text) override { return text; }
  bool SetMessagesLocale(const char*) override { return false; }

  std::string Cp932ToUtf8(std::string_view bytes) override {
    constexpr UINT kCp932 = 932;
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
      const auto b = static_cast<BYTE>(bytes[i]);
      if (b < 0x80) {
        out += static_cast<char>(b);
        ++i;
        continue;
      }
      // Windows gives 80h, A0h and FDh to FFh characters of their own (U+0080, private use);
      // they are not CP932, and iconv refuses them as the conversion promises.
      if (b == 0x80 || b == 0xA0 || b >= 0xFD) {
        out += "\xEF\xBF\xBD";
        ++i;
        continue;
      }
      const int n = ::IsDBCSLeadByteEx(kCp932, b) && i + 1 < bytes.size() ? 2 : 1;
      wchar_t wide[2] = {};
      const int w =
          ::MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, bytes.data() + i, n, wide, 2);
      char utf8[8] = {};
      const int u =
          w > 0 ? ::WideCharToMultiByte(CP_UTF8, 0, wide, w, utf8, sizeof utf8, nullptr, nullptr)
                : 0;
      if (u > 0) {
        out.append(utf8, static_cast<std::size_t>(u));
        i += static_cast<std::size_t>(n);
      } else {
        out += "\xEF\xBF\xBD";  // invalid or cut off: skip one byte
        ++i;
      }
    }
    return out;
  }

  void* LoadLibrarySymbol(const std::string& file, const char* symbol,
                          std::string* reason) override {
    const HMODULE module = ::LoadLibraryA(file.c_str());
    if (!module) {
      *reason = LastErrorText();
      return nullptr;
    }
    reason->clear();
    const FARPROC entry = ::GetProcAddress(module, symbol);
    void* p = nullptr;
    static_assert(sizeof p == sizeof entry);
    std::memcpy(&p, &entry, sizeof p);
    return p;
  }
};

}  // namespace

Env& Env::Default() {
  static WindowsEnv* env = new WindowsEnv;
  return *env;
}

}  // namespace tamarack
