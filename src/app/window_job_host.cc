#include "app/window_job_host.h"

#include <chrono>
#include <future>
#include <memory>
#include <mutex>

#include "device/status_board.h"
#include "job/verdict_text.h"

namespace tamarack::app {

namespace {

constexpr auto kStopCheckPeriod = std::chrono::milliseconds(100);
// How long after a message a job's closing reports (its last progress, its summary) may come.
constexpr auto kClosingReports = std::chrono::milliseconds(500);

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

void WindowJobHost::PostHeldMessage() {
  if (!held_) return;
  Post([this, icon = held_->icon, t = QString::fromStdString(held_->text)] {
    if (on_message) on_message(icon, t);
  });
  held_.reset();
}

void ShowStatusLine(const DeviceSession& session, const std::string& text) {
  if (SessionHost* host = session.host()) host->ShowStatusLine(text);
}

void ClearStatusLineIf(const DeviceSession& session, const std::string& text) {
  auto* board = dynamic_cast<StatusBoard*>(session.host());
  if (board && !text.empty() && board->status_line.Get() == text) board->status_line.Clear();
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
  // A job's closing reports follow its closing message at once; a run that goes on for longer
  // shows the message now.
  if (held_ && std::chrono::steady_clock::now() - held_->at > kClosingReports) PostHeldMessage();
  Post([this, progress] {
    if (on_progress) on_progress(progress);
  });
}

void WindowJobHost::Message(MessageIcon icon, const std::string& text) {
  PostHeldMessage();
  if (closing_verdict) {
    held_ = HeldMessage{icon, text, std::chrono::steady_clock::now()};
    return;
  }
  Post([this, icon, t = QString::fromStdString(text)] {
    if (on_message) on_message(icon, t);
  });
}

Answer WindowJobHost::Ask(const JobQuestion& question) {
  PostHeldMessage();
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
  if (held_) {
    Post([this, t = QString::fromStdString(held_->text)] {
      if (!on_message) return;
      const JobVerdict* verdict = closing_verdict ? closing_verdict() : nullptr;
      if (!verdict) {
        on_message(MessageIcon::kInformation, t);
        return;
      }
      QString text = t;
      const QString lines = closing_lines ? closing_lines() : QString();
      if (!lines.isEmpty()) text += QStringLiteral("\r\n\r\n") + lines;
      text += QStringLiteral("\r\n\r\n") + QString::fromStdString(VerdictLines(*verdict));
      on_message(VerdictIcon(KindOf(*verdict)), text);
    });
    held_.reset();
  }
  Post([this, ended_by] {
    if (on_finished) on_finished(ended_by);
  });
}

}  // namespace tamarack::app
