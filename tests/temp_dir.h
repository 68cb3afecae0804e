// A temporary folder for the files a test writes, removed with everything in it.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace tamarack::testing {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "tamarack-emu-") {
    // mkdtemp replaces the six trailing X of its template.
    const std::string tmpl =
        (std::filesystem::temp_directory_path() / (prefix + std::string(6, 'X'))).string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data())) path_ = buf.data();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

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
  // Runs a shell command in the folder; true when it exits 0.
  bool Run(const std::string& command) const {
    return std::system(("cd '" + path_ + "' && " + command + " >tool.log 2>&1").c_str()) == 0;
  }

 private:
  std::string path_;
};

}  // namespace tamarack::testing
