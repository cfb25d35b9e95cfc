// The decimal reader of the resolution boxes against the C library's reading of the same text,
// and DecimalText read back.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "scan/DecimalReader.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Spaces, a sign, digits with an optional point and fraction (a digit in all), an optional
// exponent with digits: the number's text without the leading spaces, or nothing.
std::optional<std::string> Grammar(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  const std::size_t start = at;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  std::size_t digits = 0;
  while (at < text.size() && IsDigit(text[at])) ++at, ++digits;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && IsDigit(text[at])) ++at, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    std::size_t exponent_digits = 0;
    while (at < text.size() && IsDigit(text[at])) ++at, ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  return std::string(text.substr(start));
}

void CheckText(double value) {
  if (!std::isfinite(value)) return;
  const std::string text = scan::DecimalText(value);
  if (text.empty() || text.size() > 24) std::abort();
  const std::optional<double> back = scan::ReadDecimal(text);
  // A subnormal value may not read back (below the range the reader takes), nor one whose 15
  // digits round up beyond the largest double.
  if (!back) {
    if (std::fabs(value) < DBL_MIN || std::fabs(value) > 1.797693134862315e308) return;
    std::abort();
  }
  if (std::fabs(*back - value) > std::fabs(value) * 1e-14) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<double> value = scan::ReadDecimal(text);
  const std::optional<std::string> number = Grammar(text);
  if (!number) {
    if (value) std::abort();
  } else {
    errno = 0;
    const double expected = std::strtod(number->c_str(), nullptr);
    const bool out_of_range = errno == ERANGE;
    if (out_of_range && std::fabs(expected) >= DBL_MIN) {
      if (value) std::abort();  // beyond the range of double
    } else if (out_of_range) {
      if (value && *value != expected) std::abort();  // underflow: either answer
    } else if (!value || *value != expected) {
      std::abort();
    }
  }
  if (value) CheckText(*value);
  if (size >= 8) {
    double raw;
    std::memcpy(&raw, data, sizeof(raw));
    CheckText(raw);
  }
  return 0;
}
