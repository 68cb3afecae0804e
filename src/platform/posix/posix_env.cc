// The Env of Linux and other POSIX systems.
#include <dlfcn.h>
#include <fcntl.h>
#include <iconv.h>
#include <libintl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/env.h"

namespace tamarack {

namespace {

std::string Reason(int error_number) { return std::strerror(error_number); }

class PosixWritableFile final : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  std::size_t Write(std::span<const std::uint8_t> bytes, std::string* reason) override {
    for (;;) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n > 0) return static_cast<std::size_t>(n);
      *reason = Reason(n < 0 ? errno : ENOSPC);
      return 0;
    }
  }

  void StartWriteBack([[maybe_unused]] std::uint64_t offset,
                      [[maybe_unused]] std::uint64_t length) override {
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(length),
                      SYNC_FILE_RANGE_WRITE);
#endif
  }

  bool Sync(std::string* reason) override {
    if (::fsync(fd_) == 0) return true;
    *reason = Reason(errno);
    return false;
  }

  bool Close(std::string* reason) override {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) == 0) return true;
    *reason = Reason(errno);
    return false;
  }

 private:
  int fd_;
};

class PosixRandomAccessFile final : public RandomAccessFile {
 public:
  PosixRandomAccessFile(int fd, std::uint64_t size, bool regular)
      : fd_(fd), size_(size), regular_(regular) {}
  ~PosixRandomAccessFile() override { ::close(fd_); }

  std::uint64_t size() const override { return size_; }
  bool regular() const override { return regular_; }

  std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> out,
                                    std::string* reason) const override {
    for (;;) {
      const ssize_t n = ::pread(fd_, out.data(), out.size(), static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n >= 0) return static_cast<std::size_t>(n);
      if (reason) *reason = Reason(errno);
      return std::nullopt;
    }
  }

 private:
  int fd_;
  std::uint64_t size_;
  bool regular_;
};

class PosixEnv final : public Env {
 public:
  std::unique_ptr<WritableFile> OpenWritable(const std::string& path, WriteMode mode,
                                             std::string* reason) override {
    // An existing FIFO no process reads would block open() for good (and the signals that
    // should stop the job with it): opened without blocking, it fails at once instead, and the
    // writes block again.
    const int flags = mode == WriteMode::kExisting ? O_WRONLY | O_CLOEXEC | O_NONBLOCK
                                                   : O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
      *reason = errno == ENXIO ? std::string("no process reads the FIFO") : Reason(errno);
      return nullptr;
    }
    if (mode == WriteMode::kExisting) {
      const int status = ::fcntl(fd, F_GETFL);
      if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        *reason = Reason(errno);
        ::close(fd);
        return nullptr;
      }
    }
    return std::make_unique<PosixWritableFile>(fd);
  }

  std::unique_ptr<RandomAccessFile> OpenRandomAccess(const std::string& path,
                                                     std::string* reason) override {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. It changes
    // nothing for the reads of a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      *reason = Reason(errno);
      if (fd >= 0) ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixRandomAccessFile>(fd, static_cast<std::uint64_t>(st.st_size),
                                                   S_ISREG(st.st_mode));
  }

  std::optional<FileFacts> FactsOf(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileFacts{S_ISREG(st.st_mode), S_ISDIR(st.st_mode),
                     static_cast<std::uint64_t>(st.st_size), st.st_mtime};
  }

  bool Rename(const std::string& from, const std::string& to, std::string* reason) override {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    *reason = Reason(errno);
    return false;
  }

  void Remove(const std::string& path) override { ::unlink(path.c_str()); }

  void SyncFolder(const std::string& folder) override {
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
  }

  bool CanWriteIn(const std::string& folder) override {
    return ::access(folder.c_str(), W_OK) == 0;
  }

  std::string ProgramFolder() override {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || !self.has_parent_path()) return "";
    return self.parent_path().string();
  }

  long ProcessId() override { return static_cast<long>(::getpid()); }

  std::string KnownFolderPath(KnownFolder) override { return ""; }

  void SetEnvironment(const std::string& name, const std::string& value) override {
    ::setenv(name.c_str(), value.c_str(), 1);
  }

  void KeepRunningPastFileSizeLimit() override { ::signal(SIGXFSZ, SIG_IGN); }

  void LowerThisThreadPriority() override {
#if defined(__linux__)
    // On Linux the nice value belongs to the thread, addressed by its thread id.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, tid, 19);
#endif
  }

  bool IsTerminal(StandardStream stream) override {
    static constexpr int kFds[] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
    return ::isatty(kFds[static_cast<int>(stream)]) == 1;
  }

  std::optional<int> TerminalColumns() override {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::nullopt;
    return static_cast<int>(size.ws_col);
  }

  std::tm CalendarTimeOf(std::time_t t, bool utc) override {
    std::tm tm{};
    if (utc) {
      gmtime_r(&t, &tm);
    } else {
      localtime_r(&t, &tm);
    }
    return tm;
  }

  void* AllocateAligned(std::size_t alignment, std::size_t size, bool huge_pages) override {
    void* p = std::aligned_alloc(alignment, size);
#ifdef MADV_HUGEPAGE
    if (p && huge_pages) ::madvise(p, size, MADV_HUGEPAGE);
#else
    (void)huge_pages;
#endif
    return p;
  }

  void FreeAligned(void* p) override { std::free(p); }

  std::size_t PageSize() override {
    static const std::size_t page = [] {
      const long p = ::sysconf(_SC_PAGESIZE);
      return p > 0 ? static_cast<std::size_t>(p) : std::size_t{4096};
    }();
    return page;
  }

  bool BindMessageCatalogue(const char* domain, const std::string& folder) override {
    ::bindtextdomain(domain, folder.c_str());
    ::bind_textdomain_codeset(domain, "UTF-8");
    return true;
  }

  const char* LookUpMessage(const char* domain, const char* text) override {
    return ::dgettext(domain, text);
  }

  bool SetMessagesLocale(const char* name) override {
    return std::setlocale(LC_MESSAGES, name) != nullptr;
  }

  std::string Cp932ToUtf8(std::string_view bytes) override {
    constexpr const char* kReplacement = "\xEF\xBF\xBD";
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      for (char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80) {
          out += c;
        } else {
          out += kReplacement;
        }
      }
      return out;
    }
    std::string in(bytes);
    char* inp = in.data();
    std::size_t inleft = in.size();
    char buf[1024];
    while (inleft > 0) {
      char* outp = buf;
      std::size_t outleft = sizeof buf;
      const std::size_t rc = iconv(cd, &inp, &inleft, &outp, &outleft);
      out.append(buf, sizeof buf - outleft);
      if (rc == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        out += kReplacement;  // invalid or cut off: skip one byte
        ++inp;
        --inleft;
      }
    }
    iconv_close(cd);
    return out;
  }

  void* LoadLibrarySymbol(const std::string& file, const char* symbol,
                          std::string* reason) override {
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = ::dlerror();
      *reason = why ? why : "unknown reason";
      return nullptr;
    }
    reason->clear();
    return ::dlsym(handle, symbol);
  }
};

}  // namespace

Env& Env::Default() {
  static PosixEnv* env = new PosixEnv;
  return *env;
}

}  // namespace tamarack
