// The window's side of a job: every report of the worker hops to the window thread, where the
// tab that started the job renders it; a question blocks the worker until its dialog is answered
// (or until the job is asked to stop, so that a closing window never waits for a dialog).
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "app/window_post.h"
#include "device/device_session.h"
#include "job/job_host.h"
#include "job/job_runner.h"

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

  void Show(JobText where, const std::string& text) override;
  void Progress(const JobProgress& progress) override;
  void Message(MessageIcon icon, const std::string& text) override;
  Answer Ask(const JobQuestion& question) override;
  void SetBusy(bool busy) override;
  void Finished(RunState ended_by) override;

 private:
  template <typename Fn>
  void Post(Fn&& fn);

  WindowPost* post_;  // a child of the context
  const JobRunner& runner_;
};

// The window's status line belongs to the session's host (the main window's status board);
// a job's JobText::kStatusLine goes there too. Any thread.
void ShowStatusLine(const DeviceSession& session, const std::string& text);

}  // namespace tamarack::app
