#include "upload/PersonNumber.h"

namespace upload {

PersonNumberCheck CheckPersonNumber(std::string_view typed, bool cover_sheet,
                                    std::optional<std::int32_t> as_integer) {
  if (cover_sheet) return PersonNumberCheck::kAccepted;
  if (typed.empty()) return PersonNumberCheck::kMissing;
  if (!as_integer) return PersonNumberCheck::kNotANumber;
  return PersonNumberCheck::kAccepted;
}

std::string PersonNumberField(std::string_view typed, bool cover_sheet) {
  return cover_sheet ? std::string("pl") : std::string(typed);
}

}  // namespace upload
