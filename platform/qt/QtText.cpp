#include "platform/qt/QtText.h"

#include <QStringView>

#include "platform/Cp1250.h"

namespace platform {

QString ToQString(std::string_view cp1250) {
  const std::u16string utf16 = text::Cp1250ToUtf16(cp1250);
  return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string FromQString(const QString& text) {
  const QStringView view(text);
  return text::Utf16ToCp1250(
      std::u16string_view(view.utf16(), static_cast<std::size_t>(view.size())));
}

QString ToDisplayText(std::string_view cp1250) {
  QString display = ToQString(cp1250);
  display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return display;
}

}  // namespace platform
