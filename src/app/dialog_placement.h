// Where the window's modeless dialogs open: beside the main window, always wholly on the
// screen that holds it (its available area, without panels), whatever the window's size.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace tamarack::app {

// The top-left corner of a dialog frame of `dialog` size: right of `window`'s frame at its
// top, else left of it, else as far right as `available` lets it lie over the window and
// `clear_top` pixels below the frame's top (the rows it must not cover); then moved inside
// `available` (its top-left when the dialog is larger than the area).
QPoint PlaceBesideWindow(QSize dialog, const QRect& window, const QRect& available,
                         int clear_top = 0);

// `frame` moved the least so that it lies inside `available`.
QPoint KeepInside(const QRect& frame, const QRect& available);

// The available area of the screen that holds `window` (its centre), else of its own screen.
QRect AvailableAreaOf(const QWidget* window);

// Moves `dialog` beside `window` by PlaceBesideWindow, counting the window system's frame as
// the window's own; over the window it leaves `keep_clear` (a widget of the window, e.g. its
// tool row) and what lies above it uncovered.
void MoveBesideWindow(QWidget* dialog, const QWidget* window, const QWidget* keep_clear = nullptr);

}  // namespace tamarack::app
