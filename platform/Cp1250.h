// Central European Windows code page (cp1250): the one text encoding of the core.
//
// All texts of the program are single-byte cp1250 strings, as the run log, the multipart body and
// the tar names carry them. Czech literals are written in UTF-8 source and converted at compile
// time with the _cp literal:  "Stupně šedi"_cp  is a std::string_view of cp1250 bytes.
// Toolkits and the file system receive UTF-16 or UTF-8 converted with the same table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Unicode code point of every cp1250 byte. The five bytes cp1250 leaves undefined
// (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1 control of the same value, as Windows does.
inline constexpr std::array<char16_t, 256> kCp1250ToUnicode = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x0009, 0x000A, 0x000B,
    0x000C, 0x000D, 0x000E, 0x000F, 0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F, 0x0020, 0x0021, 0x0022, 0x0023,
    0x0024, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B,
    0x003C, 0x003D, 0x003E, 0x003F, 0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053,
    0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B,
    0x006C, 0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F, 0x20AC, 0x0081, 0x201A, 0x0083,
    0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122, 0x0161, 0x203A,
    0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB,
    0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103,
    0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171,
    0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// The byte a character without a cp1250 byte becomes.
inline constexpr char kSubstitute = '?';

// True for the five bytes cp1250 does not define.
constexpr bool IsUndefinedCp1250Byte(unsigned char byte) {
  return byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
}

// The cp1250 byte of a code point, or -1 when cp1250 has none.
constexpr int UnicodeToCp1250(char32_t code_point) {
  if (code_point < 0x80) return static_cast<int>(code_point);
  for (int byte = 0x80; byte < 0x100; ++byte) {
    if (kCp1250ToUnicode[static_cast<std::size_t>(byte)] == code_point) return byte;
  }
  return -1;
}

// Decodes one well-formed UTF-8 sequence (1 to 4 bytes, no overlong forms, no surrogates, at most
// U+10FFFF) at text[pos]. Returns its length and stores the code point, or returns 0 when the
// bytes there are not well-formed UTF-8.
constexpr std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& code_point) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const std::size_t left = text.size() - pos;
  if (left == 0) return 0;
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    code_point = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1Fu, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0Fu, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07u, minimum = 0x10000;
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    value = (value << 6) | (byte(i) & 0x3Fu);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  code_point = value;
  return length;
}

// Converts well-formed UTF-8 to cp1250. Characters cp1250 lacks become kSubstitute.
// Returns false (and leaves `out` partly filled) on malformed UTF-8.
bool Utf8ToCp1250(std::string_view utf8, std::string& out);
// Converts well-formed UTF-8 to cp1250, or gives the empty text on malformed UTF-8.
std::string Utf8ToCp1250OrEmpty(std::string_view utf8);
std::string Cp1250ToUtf8(std::string_view cp1250);
std::u16string Cp1250ToUtf16(std::string_view cp1250);
// UTF-16 to cp1250; unpaired surrogates and characters cp1250 lacks become kSubstitute.
std::string Utf16ToCp1250(std::u16string_view utf16);

namespace detail {

template <std::size_t N>
struct Utf8Literal {
  char bytes[N] = {};
  consteval Utf8Literal(const char (&literal)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = literal[i];
  }
  constexpr std::string_view View() const { return std::string_view(bytes, N - 1); }
};

struct Cp1250Buffer {
  std::array<char, 1024> bytes{};
  std::size_t size = 0;
};

consteval Cp1250Buffer ConvertLiteral(std::string_view utf8) {
  Cp1250Buffer out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t code_point = 0;
    const std::size_t length = DecodeUtf8(utf8, pos, code_point);
    if (length == 0) throw "literal is not well-formed UTF-8";
    const int byte = UnicodeToCp1250(code_point);
    if (byte < 0) throw "literal holds a character that cp1250 lacks";
    if (out.size >= out.bytes.size()) throw "literal too long";
    out.bytes[out.size++] = static_cast<char>(byte);
    pos += length;
  }
  return out;
}

template <Utf8Literal kLiteral>
inline constexpr Cp1250Buffer kConverted = ConvertLiteral(kLiteral.View());

}  // namespace detail

namespace literals {
// "Zatím nic k odeslání."_cp: the cp1250 bytes of a UTF-8 literal, converted at compile time.
template <detail::Utf8Literal kLiteral>
constexpr std::string_view operator""_cp() {
  return std::string_view(detail::kConverted<kLiteral>.bytes.data(),
                          detail::kConverted<kLiteral>.size);
}

// Texts are built by joining std::string with _cp literals; these make that read naturally
// wherever the literals are in use.
inline std::string operator+(std::string left, std::string_view right) {
  left.append(right);
  return left;
}
inline std::string operator+(std::string_view left, const std::string& right) {
  std::string joined(left);
  joined += right;
  return joined;
}
inline std::string operator+(const char* left, std::string_view right) {
  std::string joined(left);
  joined.append(right);
  return joined;
}
}  // namespace literals

}  // namespace text
