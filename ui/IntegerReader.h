// Reading a 32-bit integer from a text, as the scan folder's page numbers and the person number
// are read.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ui {

// The integer a text holds, or nothing. Accepted: any number of leading spaces (only the space
// character), an optional "+" or "-", then either decimal digits whose signed value lies in
// [-2147483648, 2147483647], or "$", "x", "X", "0x" or "0X" followed by hexadecimal digits
// (either case) whose value is below 2^32, taken as a 32-bit two's-complement value ("$FFFFFFFF"
// is -1) before the sign applies. Nothing may follow the digits. The empty text, a sign or a
// prefix without digits are not integers.
std::optional<std::int32_t> ReadInteger(std::string_view text);

}  // namespace ui
