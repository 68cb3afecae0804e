// The window's side of a job: every report of the worker hops to the window thread, where the
// tab that started the job renders it; a question blocks the worker until its dialog is answered
// (or until the job is asked to stop, so that a closing window never waits for a dialog).
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "app/window_post.h"
#include "device/device_session.h"
#include "job/job_host.h"
#include "job/job_runner.h"
#include "job/job_verdict.h"

namespace tamarack::app {

// One per tab (or dialog) that starts jobs; lives as long as `context`, the object whose
// thread and lifetime the reports follow. Every callback runs on the window thread; unset ones
// are skipped (a question without `on_ask` gets the stopping answer).
class WindowJobHost final : public JobHost {
 public:
  WindowJobHost(QObject* context, const JobRunner& runner);

  std::function<void(JobText, const QString&)> on_show;
  std::function<void(const JobProgress&)> on_progress;
  std::function<void(MessageIcon, const QString&)> on_message;
  std::function<Answer(const JobQuestion&)> on_ask;
  std::function<void(bool)> on_busy;
  std::function<void(RunState)> on_finished;
  // Set by a tab whose job keeps a verdict: the job's last message, when no question, message
  // or later progress followed it, is its closing message and says how the job ended:
  // `closing_lines` (if set), then the verdict's lines, with the verdict's icon. Both are called on
  // the window thread before on_finished, when the job's result is complete.
  std::function<const JobVerdict*()> closing_verdict;
  std::function<QString()> closing_lines;

  void Show(JobText where, const std::string& text) override;
  void Progress(const JobProgress& progress) override;
  void Message(MessageIcon icon, const std::string& text) override;
  Answer Ask(const JobQuestion& question) override;
  void SetBusy(bool busy) override;
  void Finished(RunState ended_by) override;

 private:
  template <typename Fn>
  void Post(Fn&& fn);
  // A question or another message (or progress a while later): the message held back is not
  // the job's last (a job's closing texts and progress may follow its closing message).
  void PostHeldMessage();

  struct HeldMessage {
    MessageIcon icon;
    std::string text;
    std::chrono::steady_clock::time_point at;
  };

  WindowPost* post_;  // a child of the context
  const JobRunner& runner_;
  std::optional<HeldMessage> held_;  // the worker's, as are the reports
};

// The window's status line belongs to the session's host (the main window's status board);
// a job's JobText::kStatusLine goes there too. Any thread.
void ShowStatusLine(const DeviceSession& session, const std::string& text);
// Empties the status line when it still shows `text` (a job's last words, not since replaced).
void ClearStatusLineIf(const DeviceSession& session, const std::string& text);

}  // namespace tamarack::app
