// An environment variable set for one scope of a test, what was there before put back.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace tamarack::testing {

class ScopedEnvironment {
 public:
  // Windows cannot hold an empty value: there "" removes the variable.
  ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    Set(name_, value);
  }
  ~ScopedEnvironment() {
    if (old_) {
      Set(name_, *old_);
    } else {
      Unset(name_);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  static void Set(const std::string& name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), value.c_str());
#else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
  }
  static void Unset(const std::string& name) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), "");
#else
    ::unsetenv(name.c_str());
#endif
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace tamarack::testing
