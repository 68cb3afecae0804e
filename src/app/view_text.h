// The core's texts (UTF-8 std::string) in the window's QString and back. The core's texts end
// their lines in "\r\n"; the window's text views show them with "\n".
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "util/strings.h"

namespace tamarack::app {

inline QString Text(const std::string& s) { return QString::fromStdString(s); }
inline std::string Std(const QString& s) { return s.toStdString(); }

inline QString ViewText(std::string_view text) { return QString::fromStdString(PlainLines(text)); }

}  // namespace tamarack::app
