#include "app/window_post.h"

#include <QMetaObject>

namespace tamarack::app {

WindowPost::WindowPost(QObject* context) : QObject(context) {}

void WindowPost::Post(std::function<void()> fn) {
  // Queued and announced under one lock, so that the call events and the queue keep one order.
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(fn));
  // By name: the call event is then Qt's own, made and read inside Qt.
  QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
}

void WindowPost::Drain() {
  // One function per call event: it then runs where a queued Qt call would have, in the order
  // of everything posted to the window thread, not only to this object. Unlocked while it
  // runs: a function may post again or open a dialog.
  std::function<void()> fn;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return;
    fn = std::move(queue_.front());
    queue_.pop_front();
  }
  fn();
}

}  // namespace tamarack::app
