// The wheel changes no setting the user did not give focus to: over a combo box, number box
// or slider without focus it scrolls the area under the pointer instead, and such controls
// never take focus from the wheel. One filter for the whole program.
#pragma once

class QWidget;

namespace tamarack::app {

// Installs the filter on the application, once; later calls do nothing.
void InstallWheelGuard();

// Whether `w` is a setting the wheel would change (combo box, number box, slider that is
// not a scroll bar).
bool IsWheelSetting(const QWidget* w);

}  // namespace tamarack::app
