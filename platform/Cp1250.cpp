#include "platform/Cp1250.h"

namespace text {
namespace {

// Reverse table for U+0080..U+FFFF, built once.
struct ReverseTable {
  std::array<char, 0x10000> bytes{};
  ReverseTable() {
    bytes.fill(0);
    for (int byte = 0x80; byte < 0x100; ++byte) {
      bytes[kCp1250ToUnicode[static_cast<std::size_t>(byte)]] = static_cast<char>(byte);
    }
  }
};

char ByteOf(char32_t code_point) {
  static const ReverseTable table;
  if (code_point < 0x80) return static_cast<char>(code_point);
  if (code_point > 0xFFFF) return kSubstitute;
  const char byte = table.bytes[code_point];
  return byte == 0 ? kSubstitute : byte;
}

void AppendUtf8(char32_t code_point, std::string& out) {
  if (code_point < 0x80) {
    out.push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

}  // namespace

bool Utf8ToCp1250(std::string_view utf8, std::string& out) {
  out.clear();
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t code_point = 0;
    const std::size_t length = DecodeUtf8(utf8, pos, code_point);
    if (length == 0) return false;
    out.push_back(ByteOf(code_point));
    pos += length;
  }
  return true;
}

std::string Utf8ToCp1250OrEmpty(std::string_view utf8) {
  std::string out;
  if (!Utf8ToCp1250(utf8, out)) out.clear();
  return out;
}

std::string Cp1250ToUtf8(std::string_view cp1250) {
  std::string out;
  out.reserve(cp1250.size());
  for (const char c : cp1250) AppendUtf8(kCp1250ToUnicode[static_cast<unsigned char>(c)], out);
  return out;
}

std::u16string Cp1250ToUtf16(std::string_view cp1250) {
  std::u16string out;
  out.reserve(cp1250.size());
  for (const char c : cp1250) out.push_back(kCp1250ToUnicode[static_cast<unsigned char>(c)]);
  return out;
}

std::string Utf16ToCp1250(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      ++i;  // a surrogate pair is outside the Basic Multilingual Plane: never in cp1250
      out.push_back(kSubstitute);
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out.push_back(kSubstitute);
    } else {
      out.push_back(ByteOf(unit));
    }
  }
  return out;
}

}  // namespace text
