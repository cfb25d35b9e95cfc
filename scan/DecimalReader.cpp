#include "scan/DecimalReader.h"

#include <charconv>
#include <system_error>

namespace scan {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digits from `pos` on; returns how many.
std::size_t SkipDigits(std::string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos - start;
}

}  // namespace

std::optional<double> ReadDecimal(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  // from_chars takes no "+": the sign is checked here and the number read without it.
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t number_start = pos;
  std::size_t digits = SkipDigits(text, pos);
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    digits += SkipDigits(text, pos);
  }
  if (digits == 0) return std::nullopt;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    if (SkipDigits(text, pos) == 0) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;

  double value = 0;
  const char* first = text.data() + number_start;
  const char* last = text.data() + pos;
  const std::from_chars_result result = std::from_chars(first, last, value);
  if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
  return negative ? -value : value;
}

std::string DecimalText(double value) {
  char buffer[64];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 15);
  if (result.ec != std::errc()) return {};
  std::string text(buffer, result.ptr);
  return text;
}

}  // namespace scan
