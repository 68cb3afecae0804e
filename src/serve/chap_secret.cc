#include "serve/chap_secret.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "util/strings.h"

namespace tamarack::serve {

namespace {

constexpr std::string_view kSecretAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// Bytes from this value on would make the first characters of the alphabet likelier.
constexpr unsigned kFairBytes = 256 / kSecretAlphabet.size() * kSecretAlphabet.size();

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// Reads the whole of a small file; "" or why not.
std::string ReadSecretFile(int fd, const std::string& path, std::string* text) {
  char buffer[1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SystemError("cannot read", path);
    if (n == 0) return "";
    text->append(buffer, static_cast<std::size_t>(n));
    if (text->size() > 4096) return path + " is too long for a CHAP secret";
  }
}

std::string ReadExisting(int fd, const std::string& path, ChapSecret* chap) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return SystemError("cannot read", path);
  if (!S_ISREG(st.st_mode)) return path + " is not a file";
  std::string error = CheckSecretFileMode(st.st_mode, path);
  if (!error.empty()) return error;
  std::string text;
  if (!(error = ReadSecretFile(fd, path, &text)).empty()) return error;
  chap->secret = ChapSecretOfFileText(text, &error);
  if (!error.empty()) return path + ": " + error;
  chap->made = false;
  return "";
}

std::string MakeNew(const std::string& path, ChapSecret* chap) {
  std::string secret;
  const int random = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (random < 0) return SystemError("cannot open", "/dev/urandom");
  while (secret.size() < kMadeChapSecret) {
    std::uint8_t bytes[64];
    const ssize_t n = ::read(random, bytes, sizeof bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(random);
      return "cannot read /dev/urandom";
    }
    secret += ChapSecretOfRandomBytes(std::span(bytes, static_cast<std::size_t>(n)));
  }
  ::close(random);
  secret.resize(kMadeChapSecret);

  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (!ec) std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    if (ec) return "cannot make the folder " + folder.string() + ": " + ec.message();
  }
  // O_EXCL: never through a link someone put in its place, never over another file.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return SystemError("cannot create", path);
  const std::string line = secret + "\n";
  const bool written = ::fchmod(fd, 0600) == 0 &&
                       ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
                       ::fsync(fd) == 0;
  std::string error = written ? "" : SystemError("cannot write", path);
  ::close(fd);
  if (!written) {
    ::unlink(path.c_str());
    return error;
  }
  chap->secret = secret;
  chap->made = true;
  return "";
}

}  // namespace

std::string CheckChapSecret(std::string_view secret) {
  if (secret.size() < kMinChapSecret || secret.size() > kMaxChapSecret) {
    return StrFormat("a CHAP secret has %zu to %zu characters, this one %zu", kMinChapSecret,
                     kMaxChapSecret, secret.size());
  }
  for (char c : secret) {
    if (c <= ' ' || c > '~') {
      return "a CHAP secret holds only printable ASCII characters, no spaces";
    }
  }
  // The kernel's target takes an auth string that begins with "NULL" for one not set: the
  // ACL would refuse every login with it.
  if (secret.starts_with(kUnsetChapPrefix)) {
    return "a CHAP secret cannot begin with \"NULL\": the kernel's iSCSI target takes such a "
           "secret for none set";
  }
  return "";
}

std::string ChapSecretOfFileText(std::string_view text, std::string* error) {
  if (text.ends_with("\n")) text.remove_suffix(1);
  if (text.ends_with("\r")) text.remove_suffix(1);
  if (text.find('\n') != std::string_view::npos) {
    *error = "the file holds more than one line; a CHAP secret is one line";
    return "";
  }
  *error = CheckChapSecret(text);
  return error->empty() ? std::string(text) : "";
}

std::string ChapSecretOfRandomBytes(std::span<const std::uint8_t> bytes) {
  std::string secret;
  for (std::uint8_t b : bytes) {
    if (secret.size() == kMadeChapSecret) break;
    if (b >= kFairBytes) continue;
    const char c = kSecretAlphabet[b % kSecretAlphabet.size()];
    // Never a secret the target would take for none: the byte is skipped like an unfair one.
    if (secret.size() == kUnsetChapPrefix.size() - 1 && kUnsetChapPrefix.starts_with(secret) &&
        c == kUnsetChapPrefix.back()) {
      continue;
    }
    secret += c;
  }
  return secret;
}

std::string CheckSecretFileMode(unsigned mode, const std::string& path) {
  if ((mode & 077) == 0) return "";
  return StrFormat(
      "%s can be read or written by others than its owner (mode %04o), so it cannot hold the "
      "CHAP secret: make it private with \"chmod 600 %s\"",
      path.c_str(), mode & 07777, path.c_str());
}

std::string DefaultChapSecretPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && *config == '/') {
    folder = config;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    folder = std::string(home) + "/.config";
  } else {
    folder = ".";
  }
  return folder + "/tamarack/iscsi-chap-secret";
}

std::string LoadOrMakeChapSecret(const std::string& path, ChapSecret* chap) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    std::string error = ReadExisting(fd, path, chap);
    ::close(fd);
    return error;
  }
  if (errno != ENOENT) return SystemError("cannot open", path);
  return MakeNew(path, chap);
}

}  // namespace tamarack::serve
