// The person number ("UČO") of a send: the checks before sending and the form field value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace upload {

enum class PersonNumberCheck {
  kAccepted,
  kMissing,     // Edit2 empty and no cover sheet
  kNotANumber,  // no cover sheet and Edit2 does not read as a 32-bit integer
};

// The checks on Edit2, in their order: an empty text without a cover sheet is missing; otherwise
// without a cover sheet the text must read as an integer. `as_integer` is Edit2's text read with
// the program's integer reader (nothing when it is not an integer). With a cover sheet
// (CheckBox1) Edit2 is not checked at all.
PersonNumberCheck CheckPersonNumber(std::string_view typed, bool cover_sheet,
                                    std::optional<std::int32_t> as_integer);

// The value of the form field "quco": "pl" with a cover sheet, else Edit2 exactly as typed.
std::string PersonNumberField(std::string_view typed, bool cover_sheet);

}  // namespace upload
