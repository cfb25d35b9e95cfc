// The integer reader (page numbers, the person number) against a plain reference reading of the
// same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "ui/IntegerReader.h"

namespace {

// Leading spaces, a sign, then decimal digits in [-2^31, 2^31) or a hexadecimal prefix and
// digits below 2^32 (two's complement), nothing after.
std::optional<std::int32_t> Reference(std::string_view text) {
  std::size_t at = text.find_first_not_of(' ');
  if (at == std::string_view::npos) return std::nullopt;
  text.remove_prefix(at);
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  for (const std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (text.starts_with(prefix)) {
      base = 16;
      text.remove_prefix(prefix.size());
      break;
    }
  }
  if (text.empty()) return std::nullopt;
  const std::string digits(text);
  if (digits.find_first_not_of(base == 16 ? "0123456789abcdefABCDEF" : "0123456789") !=
      std::string::npos) {
    return std::nullopt;
  }
  // Leading zeros do not count against the limits.
  const std::size_t significant = digits.find_first_not_of('0');
  if (significant != std::string::npos && digits.size() - significant > 12) return std::nullopt;
  const long long value = std::strtoll(digits.c_str(), nullptr, base);
  if (base == 16) {
    if (value > 0xFFFFFFFFLL) return std::nullopt;
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }
  const long long signed_value = negative ? -value : value;
  if (signed_value < INT32_MIN || signed_value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(signed_value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> value = ui::ReadInteger(text);
  if (value != Reference(text)) std::abort();
  if (value && ui::ReadInteger(std::to_string(*value)) != value) std::abort();
  return 0;
}
