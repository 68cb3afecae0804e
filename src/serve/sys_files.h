// The few file system operations serving needs in configfs and sysfs, behind an interface so
// that tests can record their order. Errors come back as text ("" on success).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tamarack::serve {

class SysFiles {
 public:
  virtual ~SysFiles() = default;
  virtual bool Exists(const std::string& path) = 0;
  // The subdirectories and symbolic links of `dir` (attribute files left out), sorted; empty
  // when `dir` cannot be read.
  virtual std::vector<std::string> List(const std::string& dir) = 0;
  virtual std::string Read(const std::string& path, std::string* text) = 0;
  virtual std::string Write(const std::string& path, const std::string& text) = 0;
  virtual std::string MakeDir(const std::string& path) = 0;
  virtual std::string RemoveDir(const std::string& path) = 0;
  virtual std::string Symlink(const std::string& target, const std::string& link) = 0;
  virtual std::string Unlink(const std::string& path) = 0;
};

// The machine's file system; each error names the path and the system's reason.
std::unique_ptr<SysFiles> MakeRealSysFiles();

}  // namespace tamarack::serve
