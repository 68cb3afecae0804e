// The disc indicator left of the drive box: polls the selected drive on a timer (1 s without a
// disc, 5 s with one) on a second handle, shows one of three icons, and tells the window when
// a disc appears so that it selects the drive again. The poll runs off the window thread, so
// a slow drive never freezes the window.
#pragma once

#include <QLabel>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "app/window_post.h"
#include "device/device_session.h"
#include "shell/disc_indicator.h"

namespace tamarack::app {

class DiscIndicatorWidget : public QLabel {
  Q_OBJECT

 public:
  // `session` must outlive the widget. `busy` says whether a job runs (no poll then);
  // `reselect` runs on the window thread when a disc is seen for the first time.
  DiscIndicatorWidget(const DeviceSession& session, std::function<bool()> busy,
                      std::function<void()> reselect, QWidget* parent = nullptr);
  ~DiscIndicatorWidget() override;

  // On: show the icon and poll every second; off: hide it and send nothing.
  void SetEnabled(bool on);
  bool enabled() const { return enabled_; }
  // Drive selection read the TOC itself: the icon and the schedule follow it.
  void SetDiscPresent(bool present);

  DiscState state() const { return state_; }
  int period_ms() const { return timer_.interval(); }
  bool timer_active() const { return timer_.isActive(); }
  // Counts the polls sent (tests).
  int polls() const { return polls_; }

 private:
  void OnTick();
  void OnPolled(DiscState state, int selection);
  void Show(DiscState state);

  const DeviceSession& session_;
  std::function<bool()> busy_;
  std::function<void()> reselect_;
  QTimer timer_;
  DiscIndicatorSchedule schedule_;
  DiscState state_ = DiscState::kNoDisc;
  bool enabled_ = false;
  int polls_ = 0;
  WindowPost* post_ = new WindowPost(this);  // outlives the poll thread (joined first)
  std::thread poll_thread_;
  std::atomic<bool> polling_{false};
};

}  // namespace tamarack::app
