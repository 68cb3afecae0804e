// A temporary folder for the files a test writes, removed with everything in it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace tamarack::testing {

class TempDir {
 public:
  // Made under the system's temporary folder with a random name after `prefix`; a name
  // another process made first is passed over (create_directory says so), so parallel
  // tests never share a folder. ok() is false when none could be made.
  explicit TempDir(const std::string& prefix = "tamarack-emu-") {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) return;
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937_64 random((std::uint64_t{seed()} << 32) ^ seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = prefix;
      for (int i = 0; i < 6; ++i) name += kLetters[letter(random)];
      const fs::path candidate = base / name;
      if (fs::create_directory(candidate, ec)) {
        path_ = candidate.string();
        return;
      }
      if (ec) return;  // not a name taken: the folder cannot be made at all
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  // `name` in the folder, joined with the system's separator as the programs join paths.
  std::string File(const std::string& name) const {
#ifdef _WIN32
    return path_ + "\\" + name;
#else
    return path_ + "/" + name;
#endif
  }

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(File(name), std::ios::binary) << text;
  }
  void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(File(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<std::uint8_t> Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  // Runs a command of the system's shell in the folder; true when it exits 0.
  bool Run(const std::string& command) const {
#ifdef _WIN32
    const std::string in_folder = "cd /d \"" + path_ + "\" && ";
#else
    const std::string in_folder = "cd '" + path_ + "' && ";
#endif
    return std::system((in_folder + command + " >tool.log 2>&1").c_str()) == 0;
  }

 private:
  std::string path_;
};

}  // namespace tamarack::testing
