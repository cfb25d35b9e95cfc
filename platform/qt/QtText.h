// cp1250 texts of the core to Qt's UTF-16 strings and back, with the one table of
// platform/Cp1250.h.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

QString ToQString(std::string_view cp1250);
// Characters cp1250 lacks become "?".
std::string FromQString(const QString& text);
// A label's text: the core's CR LF line breaks as Qt's LF.
QString ToDisplayText(std::string_view cp1250);

}  // namespace platform
