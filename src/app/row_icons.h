// The small icons of decoded list rows (DecodedRow::icon): 0 a flag, 1 a number, 3 a text,
// 4 a heading, 13 a capability present, 14 one absent. Drawn, so they need no image files.
#pragma once

#include <QIcon>

namespace tamarack::app {

// The icon of a row; a null icon for numbers without one.
QIcon RowIcon(int icon);

}  // namespace tamarack::app
