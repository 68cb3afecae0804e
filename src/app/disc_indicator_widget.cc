#include "app/disc_indicator_widget.h"

#include <QPointer>
#include <QWidget>

#include "app/disc_icons.h"

namespace tamarack::app {

DiscIndicatorWidget::DiscIndicatorWidget(const DeviceSession& session, std::function<bool()> busy,
                                         std::function<void()> reselect, QWidget* parent)
    : QLabel(parent), session_(session), busy_(std::move(busy)), reselect_(std::move(reselect)) {
  setObjectName(QStringLiteral("discIndicator"));
  setFixedSize(24, 24);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &DiscIndicatorWidget::OnTick);
  Show(DiscState::kNoDisc);
  hide();
}

DiscIndicatorWidget::~DiscIndicatorWidget() {
  timer_.stop();
  if (poll_thread_.joinable()) poll_thread_.join();
}

void DiscIndicatorWidget::SetEnabled(bool on) {
  enabled_ = on;
  if (on) {
    Show(state_);
    show();
    timer_.start(DiscIndicatorSchedule::kPeriodWithoutDisc);
  } else {
    timer_.stop();
    hide();
  }
}

void DiscIndicatorWidget::SetDiscPresent(bool present) {
  schedule_.SetDiscKnown(present);
  if (!present) Show(DiscState::kNoDisc);
  if (enabled_ && !polling_) {
    timer_.start(present ? DiscIndicatorSchedule::kPeriodWithDisc
                         : DiscIndicatorSchedule::kPeriodWithoutDisc);
  }
}

void DiscIndicatorWidget::OnTick() {
  const QWidget* top = window();
  TickState tick;
  tick.enabled = enabled_;
  tick.window_minimised = top && top->isMinimized();
  tick.job_running = busy_ && busy_();
  tick.poll_running = polling_;
  const TickAction action = DiscIndicatorSchedule::OnTick(tick);
  if (!action.poll) {
    if (action.retry_ms > 0) timer_.start(action.retry_ms);
    return;
  }
  if (poll_thread_.joinable()) poll_thread_.join();
  polling_ = true;
  ++polls_;
  QPointer<DiscIndicatorWidget> self(this);
  poll_thread_ = std::thread([this, self, selection = schedule_.selection()] {
    const DiscState state = PollDisc(session_);
    post_->Post([this, self, state, selection] {
      if (self) OnPolled(state, selection);
    });
  });
}

void DiscIndicatorWidget::OnPolled(DiscState state, int selection) {
  polling_ = false;
  if (!enabled_) return;
  const PollAction action = schedule_.OnPoll(state, selection);
  if (!action.stale) Show(state);
  timer_.start(action.next_period_ms);
  if (action.reselect_drive && reselect_) reselect_();
}

void DiscIndicatorWidget::Show(DiscState state) {
  state_ = state;
  setPixmap(DiscIcon(state).pixmap(22, 22));
  static const char* const kTips[] = {"No Disc", "Data Disc", "Audio Disc"};
  setToolTip(QString::fromUtf8(kTips[static_cast<int>(state)]));
}

}  // namespace tamarack::app
