#include "app/wheel_guard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QWheelEvent>
#include <cstdlib>

namespace tamarack::app {

namespace {

// The scroll bar of the nearest area around `w` that can move the way the wheel turned.
QScrollBar* WheelScrollBarFor(QWidget* w, const QWheelEvent& wheel) {
  const bool sideways = std::abs(wheel.angleDelta().x()) > std::abs(wheel.angleDelta().y());
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    auto* area = qobject_cast<QAbstractScrollArea*>(p);
    if (!area) continue;
    QScrollBar* bar = sideways ? area->horizontalScrollBar() : area->verticalScrollBar();
    if (bar && bar->maximum() > bar->minimum()) return bar;
    if (p->isWindow()) break;
  }
  return nullptr;
}

class WheelGuard final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Polish && event->type() != QEvent::Wheel) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || !IsWheelSetting(w)) return false;
    if (event->type() == QEvent::Polish) {
      // The wheel would give it focus before any filter saw the turn.
      if ((w->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus) w->setFocusPolicy(Qt::StrongFocus);
      return false;
    }
    if (w->hasFocus()) return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (QScrollBar* bar = WheelScrollBarFor(w, *wheel)) QCoreApplication::sendEvent(bar, wheel);
    return true;  // the setting keeps its value
  }
};

}  // namespace

bool IsWheelSetting(const QWidget* w) {
  if (qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w)) return true;
  return qobject_cast<const QAbstractSlider*>(w) && !qobject_cast<const QScrollBar*>(w);
}

void InstallWheelGuard() {
  static QObject* installed = nullptr;
  if (!qApp || installed) return;
  installed = new WheelGuard(qApp);
  qApp->installEventFilter(installed);
}

}  // namespace tamarack::app
