#include "app/dialog_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace tamarack::app {

namespace {

// The start of a span of `length` inside [low, high]: `at` moved the least, `low` when it
// does not fit.
int Inside(int at, int length, int low, int high) {
  return std::max(low, std::min(at, high - length + 1));
}

bool FitsAcross(int left, int width, const QRect& available) {
  return left >= available.left() && left + width - 1 <= available.right();
}

}  // namespace

QPoint KeepInside(const QRect& frame, const QRect& available) {
  return {Inside(frame.left(), frame.width(), available.left(), available.right()),
          Inside(frame.top(), frame.height(), available.top(), available.bottom())};
}

QPoint PlaceBesideWindow(QSize dialog, const QRect& window, const QRect& available, int clear_top) {
  int left = window.right() + 1;
  int top = window.top();
  if (!FitsAcross(left, dialog.width(), available)) {
    if (FitsAcross(window.left() - dialog.width(), dialog.width(), available)) {
      left = window.left() - dialog.width();
    } else {
      top += clear_top;  // over the window: below the rows it must leave in view
    }
  }
  return KeepInside(QRect(QPoint(left, top), dialog), available);
}

QRect AvailableAreaOf(const QWidget* window) {
  const QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center());
  if (!screen) screen = window->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

void MoveBesideWindow(QWidget* dialog, const QWidget* window, const QWidget* keep_clear) {
  const QWidget* main = window->window();
  const int clear_top = keep_clear ? keep_clear->mapTo(main, QPoint(0, keep_clear->height())).y() +
                                         (main->geometry().top() - main->frameGeometry().top())
                                   : 0;
  // Before the dialog is shown its frame is unknown: take the main window's decorations.
  const QSize decorations = main->frameGeometry().size() - main->geometry().size();
  const QSize frame =
      dialog->isVisible() ? dialog->frameGeometry().size() : dialog->size() + decorations;
  const QRect available = AvailableAreaOf(main);
  const QPoint at = available.isEmpty()
                        ? main->frameGeometry().topRight() + QPoint(1, 0)
                        : PlaceBesideWindow(frame, main->frameGeometry(), available, clear_top);
  dialog->move(at);
}

}  // namespace tamarack::app
