#include "ui/IntegerReader.h"

namespace ui {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Length of the hexadecimal prefix at the start of `digits`, or 0 when there is none.
std::size_t HexPrefixLength(std::string_view digits) {
  if (digits.starts_with("0x") || digits.starts_with("0X")) return 2;
  if (!digits.empty() && (digits[0] == '$' || digits[0] == 'x' || digits[0] == 'X')) return 1;
  return 0;
}

}  // namespace

std::optional<std::int32_t> ReadInteger(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  std::string_view digits = text.substr(pos);

  if (const std::size_t prefix = HexPrefixLength(digits); prefix > 0) {
    digits.remove_prefix(prefix);
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
      const int digit = HexDigitValue(c);
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<std::uint64_t>(digit);
      if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }

  if (digits.empty()) return std::nullopt;
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > limit) return std::nullopt;
  }
  if (negative) return static_cast<std::int32_t>(0 - static_cast<std::int64_t>(value));
  return static_cast<std::int32_t>(value);
}

}  // namespace ui
