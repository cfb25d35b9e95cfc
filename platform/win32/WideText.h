// cp1250 texts of the core to the wide (UTF-16) texts of the Win32 API and back.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/Cp1250.h"

namespace platform::win32 {

inline std::wstring Wide(std::string_view cp1250) {
  const std::u16string utf16 = text::Cp1250ToUtf16(cp1250);
  return std::wstring(utf16.begin(), utf16.end());
}

// Characters without a cp1250 byte become "?".
inline std::string Narrow(std::wstring_view wide) {
  return text::Utf16ToCp1250(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

// The text of a window (a control's text, a window's caption), cp1250.
inline std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Narrow(text);
}

}  // namespace platform::win32
