// A text of the window in the user's language (util/message_catalogue.h) as a QString.
#pragma once

#include <QString>

#include "util/message_catalogue.h"

namespace tamarack::app {

inline QString UiText(const char* source) { return QString::fromUtf8(Tr(source)); }

}  // namespace tamarack::app
