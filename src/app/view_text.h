// The core's texts (UTF-8 std::string) in the window's QString and back. The core's texts end
// their lines in "\r\n"; the window's text views show them with "\n".
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack::app {

inline QString Text(const std::string& s) { return QString::fromStdString(s); }
inline std::string Std(const QString& s) { return s.toStdString(); }

inline QString ViewText(std::string_view text) { return QString::fromStdString(PlainLines(text)); }

// A cell or text of a decoder in the user's language: one of the catalogue's (a table's text
// marked TR_NOOP) translated, any other as it is.
inline QString CellText(const std::string& s) { return QString::fromUtf8(Tr(s.c_str())); }

}  // namespace tamarack::app
