#include "upload/PersonNumber.h"

#include <gtest/gtest.h>

#include "ui/IntegerReader.h"

namespace upload {
namespace {

TEST(PersonNumberTest, ChecksAndFieldValue) {
  struct Case {
    std::string typed;
    bool cover_sheet;
    PersonNumberCheck check;
    std::string field;
  };
  using enum PersonNumberCheck;
  const Case cases[] = {
      {"123456", false, kAccepted, "123456"},
      {"   123456", false, kAccepted, "   123456"},  // sent with its spaces
      {"123456 ", false, kNotANumber, ""},
      {"\t123", false, kNotANumber, ""},
      {"-42", false, kAccepted, "-42"},
      {"+42", false, kAccepted, "+42"},
      {"$1E240", false, kAccepted, "$1E240"},
      {"0x1e240", false, kAccepted, "0x1e240"},
      {"X1E240", false, kAccepted, "X1E240"},
      {"$FFFFFFFF", false, kAccepted, "$FFFFFFFF"},
      {"$100000000", false, kNotANumber, ""},
      {"2147483647", false, kAccepted, "2147483647"},
      {"2147483648", false, kNotANumber, ""},
      {"-2147483648", false, kAccepted, "-2147483648"},
      {"-2147483649", false, kNotANumber, ""},
      {"12a", false, kNotANumber, ""},
      {"$", false, kNotANumber, ""},
      {"-", false, kNotANumber, ""},
      {" ", false, kNotANumber, ""},
      {"", false, kMissing, ""},
      // With a cover sheet Edit2 is neither checked nor sent.
      {"", true, kAccepted, "pl"},
      {"abc", true, kAccepted, "pl"},
      {"123456", true, kAccepted, "pl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.typed + "\"");
    EXPECT_EQ(CheckPersonNumber(c.typed, c.cover_sheet, ui::ReadInteger(c.typed)), c.check);
    if (c.check == kAccepted) {
      EXPECT_EQ(PersonNumberField(c.typed, c.cover_sheet), c.field);
    }
  }
}

}  // namespace
}  // namespace upload
