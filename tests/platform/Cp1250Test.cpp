#include "platform/Cp1250.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <iconv.h>
#endif

#include <string>

namespace {

using namespace text::literals;

#ifndef _WIN32
// glibc's iconv as the reference: UTF-8 of one cp1250 byte, or nothing when iconv refuses it.
std::optional<std::string> IconvToUtf8(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-8", "CP1250");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* in_ptr = in;
  char* out_ptr = out;
  size_t in_left = 1, out_left = sizeof out;
  const size_t result = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) return std::nullopt;
  return std::string(out, sizeof out - out_left);
}

TEST(Cp1250, EveryByteMatchesIconv) {
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    const std::string ours = text::Cp1250ToUtf8(std::string(1, static_cast<char>(byte)));
    const auto reference = IconvToUtf8(byte);
    if (text::IsUndefinedCp1250Byte(byte)) {
      ++undefined;
      EXPECT_FALSE(reference.has_value()) << "byte " << b;
      continue;
    }
    ASSERT_TRUE(reference.has_value()) << "byte " << b;
    EXPECT_EQ(ours, *reference) << "byte " << b;
  }
  EXPECT_EQ(undefined, 5);
}

#endif  // glibc's iconv is the reference where it exists

TEST(Cp1250, RoundTripThroughUtf8AndUtf16) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string back;
  ASSERT_TRUE(text::Utf8ToCp1250(text::Cp1250ToUtf8(all), back));
  EXPECT_EQ(back, all);
  EXPECT_EQ(text::Utf16ToCp1250(text::Cp1250ToUtf16(all)), all);
}

TEST(Cp1250, CompileTimeLiterals) {
  EXPECT_EQ("Stupně šedi"_cp,
            "Stupn\xEC \x9A"
            "edi");
  EXPECT_EQ("Učo"_cp, "U\xE8o");
  EXPECT_EQ("Průvodka"_cp, "Pr\xF9vodka");
  EXPECT_EQ(""_cp, "");
  static_assert("Zavést"_cp.size() == 6);
}

TEST(Cp1250, CharactersOutsideTheCodePageBecomeSubstitutes) {
  EXPECT_EQ(text::Utf8ToCp1250OrEmpty("a\xE2\x82\xAC"
                                      "b"),
            "a\x80"
            "b");                                                     // euro sign
  EXPECT_EQ(text::Utf8ToCp1250OrEmpty("\xE6\x97\xA5"), "?");          // CJK
  EXPECT_EQ(text::Utf8ToCp1250OrEmpty("x\xF0\x9F\x98\x80y"), "x?y");  // emoji, 4 bytes
  EXPECT_EQ(text::Utf16ToCp1250(u"\xD83D\xDE00|\xD800"), "?|?");
}

TEST(Cp1250, MalformedUtf8GivesTheEmptyText) {
  const char* cases[] = {
      "\xC0\xAF",              // overlong slash
      "\xE0\x80\xAF",          // overlong, three bytes
      "\xED\xA0\x80",          // surrogate
      "\xF4\x90\x80\x80",      // above U+10FFFF
      "\xF8\x88\x80\x80\x80",  // five-byte form
      "ok\xC3",                // truncated
      "\x80",                  // lone continuation byte
  };
  for (const char* bytes : cases) EXPECT_EQ(text::Utf8ToCp1250OrEmpty(bytes), "") << bytes;
}

}  // namespace
