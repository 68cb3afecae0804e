// The disc indicator's three icons: no disc, data disc, audio disc. Drawn, so they read well
// at any size and need no image files.
#pragma once

#include <QIcon>

#include "shell/disc_indicator.h"

namespace tamarack::app {

QIcon DiscIcon(DiscState state);

}  // namespace tamarack::app
