// Decimal numbers as the resolution boxes hold them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scan {

// The number a text holds, or nothing. Accepted: leading spaces, an optional "+" or "-", digits
// with an optional "." and fraction digits (at least one digit in all), an optional exponent
// ("E" or "e", an optional sign, at least one digit), and nothing after it. The point is the
// decimal separator whatever the locale. The empty text, a text of spaces, a trailing space, a
// comma, any other character, and a number beyond the range of double are not numbers.
std::optional<double> ReadDecimal(std::string_view text);

// The shortest general decimal form of a value with at most 15 significant digits and a point as
// the separator: "200", "150.5", "0.001", "1e+20".
std::string DecimalText(double value);

}  // namespace scan
