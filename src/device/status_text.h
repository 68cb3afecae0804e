// A line of text written by worker threads and read by the window: the StatusLine and the
// LastErrorText of the session.
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace tamarack {

// Thread-safe. The observer, when set, is called after every Set() on the writing thread
// (the window forwards it to its own thread); it must not call Set() itself.
class StatusText {
 public:
  void Set(std::string text) {
    std::function<void(const std::string&)> observer;
    {
      std::lock_guard lock(mutex_);
      text_ = std::move(text);
      observer = observer_;
    }
    if (observer) observer(Get());
  }
  void Clear() { Set(std::string()); }
  std::string Get() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  void SetObserver(std::function<void(const std::string&)> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
  std::function<void(const std::string&)> observer_;
};

}  // namespace tamarack
