// The UTF-8 and cp1250 conversions: the server's page and file names come through here.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Cp1250.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string cp1250;
  if (text::Utf8ToCp1250(bytes, cp1250)) {
    // Well-formed UTF-8 gives one byte per character, never more bytes than went in.
    if (cp1250.size() > bytes.size()) std::abort();
  }
  // Every cp1250 text survives the trip through UTF-8 and UTF-16.
  std::string back;
  if (!text::Utf8ToCp1250(text::Cp1250ToUtf8(bytes), back) || back != bytes) std::abort();
  if (text::Utf16ToCp1250(text::Cp1250ToUtf16(bytes)) != bytes) std::abort();
  std::u16string utf16(size / 2, u'\0');
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    utf16[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  if (text::Utf16ToCp1250(utf16).size() > utf16.size()) std::abort();
  return 0;
}
