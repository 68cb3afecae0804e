// The core's texts end their lines in "\r\n"; the window's text views show them with "\n".
#pragma once

#include <QString>
#include <string_view>

#include "util/strings.h"

namespace tamarack::app {

inline QString ViewText(std::string_view text) { return QString::fromStdString(PlainLines(text)); }

}  // namespace tamarack::app
