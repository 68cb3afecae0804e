// Hands functions from any thread to the window thread, in order.
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace tamarack::app {

// A queued Qt call does the same, but Qt is not built with ThreadSanitizer: the lock inside Qt
// that orders a post before its run is invisible to it, and the tsan build would report every
// hand-off as a race. This queue's own mutex shows the order, so the data handed over stays
// checked.
class WindowPost final : public QObject {
  Q_OBJECT

 public:
  // Lives on the calling thread (the window thread) and is destroyed with `context`; posts not
  // yet run then are dropped. Posting after that is not allowed, as for `context` itself.
  explicit WindowPost(QObject* context);

  // Any thread: `fn` runs on the window thread, after everything posted before it.
  void Post(std::function<void()> fn);

 private:
  Q_INVOKABLE void Drain();

  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace tamarack::app
