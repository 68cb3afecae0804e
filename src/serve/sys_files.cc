#include "serve/sys_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tamarack::serve {

namespace {

std::string Failure(const char* what, const std::string& path, int error) {
  return std::string("cannot ") + what + " " + path + ": " + std::strerror(error);
}

class RealSysFiles final : public SysFiles {
 public:
  bool Exists(const std::string& path) override {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
  }

  std::vector<std::string> List(const std::string& dir) override {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      const auto status = it->symlink_status(ec);
      if (ec) break;
      if (std::filesystem::is_directory(status) || std::filesystem::is_symlink(status)) {
        names.push_back(it->path().filename().string());
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Read(const std::string& path, std::string* text) override {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failure("read", path, errno);
    text->clear();
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        const int e = errno;
        ::close(fd);
        return Failure("read", path, e);
      }
      if (n == 0) break;
      text->append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return "";
  }

  // One write() per value: configfs takes each write as one setting.
  std::string Write(const std::string& path, const std::string& text) override {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Failure("open", path, errno);
    ssize_t n;
    do {
      n = ::write(fd, text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    const int e = errno;
    ::close(fd);
    if (n < 0) return "cannot write \"" + text + "\" to " + path + ": " + std::strerror(e);
    if (static_cast<std::size_t>(n) != text.size()) {
      return "cannot write \"" + text + "\" to " + path + ": the write was cut short";
    }
    return "";
  }

  std::string MakeDir(const std::string& path) override {
    return ::mkdir(path.c_str(), 0755) == 0 ? "" : Failure("create", path, errno);
  }
  std::string RemoveDir(const std::string& path) override {
    return ::rmdir(path.c_str()) == 0 ? "" : Failure("remove", path, errno);
  }
  std::string Symlink(const std::string& target, const std::string& link) override {
    return ::symlink(target.c_str(), link.c_str()) == 0 ? "" : Failure("link", link, errno);
  }
  std::string Unlink(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 ? "" : Failure("remove", path, errno);
  }
};

}  // namespace

std::unique_ptr<SysFiles> MakeRealSysFiles() { return std::make_unique<RealSysFiles>(); }

}  // namespace tamarack::serve
