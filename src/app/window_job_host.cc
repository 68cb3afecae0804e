#include "app/window_job_host.h"

#include <chrono>
#include <future>
#include <memory>
#include <mutex>

namespace tamarack::app {

namespace {

constexpr auto kStopCheckPeriod = std::chrono::milliseconds(100);

// A question in flight: answered once, by the dialog or by a stop request.
struct PendingAnswer {
  std::mutex mutex;
  bool settled = false;
  std::promise<Answer> promise;

  bool Settle(Answer a) {
    std::lock_guard lock(mutex);
    if (settled) return false;
    settled = true;
    promise.set_value(a);
    return true;
  }
  bool IsSettled() {
    std::lock_guard lock(mutex);
    return settled;
  }
};

}  // namespace

WindowJobHost::WindowJobHost(QObject* context, const JobRunner& runner)
    : post_(new WindowPost(context)), runner_(runner) {}

template <typename Fn>
void WindowJobHost::Post(Fn&& fn) {
  post_->Post(std::forward<Fn>(fn));
}

void ShowStatusLine(const DeviceSession& session, const std::string& text) {
  if (SessionHost* host = session.host()) host->ShowStatusLine(text);
}

void WindowJobHost::Show(JobText where, const std::string& text) {
  if (where == JobText::kStatusLine) {
    ShowStatusLine(runner_.session(), text);
    return;
  }
  Post([this, where, t = QString::fromStdString(text)] {
    if (on_show) on_show(where, t);
  });
}

void WindowJobHost::Progress(const JobProgress& progress) {
  Post([this, progress] {
    if (on_progress) on_progress(progress);
  });
}

void WindowJobHost::Message(MessageIcon icon, const std::string& text) {
  Post([this, icon, t = QString::fromStdString(text)] {
    if (on_message) on_message(icon, t);
  });
}

Answer WindowJobHost::Ask(const JobQuestion& question) {
  auto pending = std::make_shared<PendingAnswer>();
  std::future<Answer> answer = pending->promise.get_future();
  Post([this, pending, question] {
    // A question overtaken by a stop request is not shown any more.
    if (pending->IsSettled()) return;
    pending->Settle(on_ask ? on_ask(question) : StoppingAnswer(question.kind));
  });
  while (answer.wait_for(kStopCheckPeriod) != std::future_status::ready) {
    if (StopRequested(runner_.state())) {
      pending->Settle(StoppingAnswer(question.kind));
    }
  }
  return answer.get();
}

void WindowJobHost::SetBusy(bool busy) {
  Post([this, busy] {
    if (on_busy) on_busy(busy);
  });
}

void WindowJobHost::Finished(RunState ended_by) {
  Post([this, ended_by] {
    if (on_finished) on_finished(ended_by);
  });
}

}  // namespace tamarack::app
