#include "upload/TarHeader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace upload {
namespace {

// Checks `bytes` at `offset`, then erases them so the final check finds stray bytes.
void ExpectField(TarBlock& block, std::size_t offset, std::string_view bytes) {
  EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(block.data() + offset), bytes.size()),
            bytes)
      << "at offset " << offset;
  std::memset(block.data() + offset, 0, bytes.size());
}

void ExpectAllZero(const TarBlock& block) {
  const auto stray = std::find_if(block.begin(), block.end(), [](unsigned char b) { return b; });
  EXPECT_EQ(stray, block.end()) << "non-zero byte at offset " << (stray - block.begin());
}

// The checksum as every tar reader computes it.
unsigned StandardChecksum(TarBlock block) {
  std::memset(block.data() + 148, ' ', 8);
  unsigned sum = 0;
  for (const unsigned char byte : block) sum += byte;
  return sum;
}

TEST(TarHeaderTest, EveryFieldAtItsOffsetAndNothingElse) {
  TarBlock block = BuildTarHeader("1001.bmp", 70000);
  const unsigned checksum = StandardChecksum(block);
  char expected_checksum[8];
  std::snprintf(expected_checksum, sizeof expected_checksum, "%06o", checksum);

  ExpectField(block, 0, "1001.bmp");
  ExpectField(block, 100,
              std::string_view("010777\0"
                               "0000000\0"
                               "0000000\0\0",
                               24));
  ExpectField(block, 124, "00000210560");  // 70000
  ExpectField(block, 135, std::string_view("\0", 1));
  ExpectField(block, 136, "10357264367");
  ExpectField(block, 147, std::string_view("\0", 1));
  ExpectField(block, 148, std::string_view(expected_checksum, 6));
  ExpectField(block, 154, std::string_view("\0\0", 2));  // no trailing space
  ExpectField(block, 156, "0");
  ExpectAllZero(block);
}

TEST(TarHeaderTest, SizesAndChecksumsInOctal) {
  struct Case {
    std::string name;
    std::uint32_t size;
    std::string_view size_field;
  };
  const Case cases[] = {
      {"a", 0, "00000000000"},
      {"1001.bmp", 512, "00000001000"},
      {"1001-1002.bmp", 65536, "00000200000"},
      {"x.bmp", 0xFFFFFFFFu, "37777777777"},
      // High bytes count as unsigned: a cp1250 name with š and ž.
      {"\x9a\x9e\xff.bmp", 1, "00000000001"},
      {std::string(99, '\xff'), 0x7FFFFFFFu, "17777777777"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TarBlock block = BuildTarHeader(c.name, c.size);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(block.data() + 124), 11),
              c.size_field);
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%06o", StandardChecksum(block));
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(block.data() + 148), 8),
              std::string(checksum, 6) + std::string(2, '\0'));
  }
}

TEST(TarHeaderTest, LongNameIsCutTo99BytesAndEndsWithNul) {
  const std::string name(120, 'n');
  const TarBlock block = BuildTarHeader(name, 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data())), std::string(99, 'n'));
  EXPECT_EQ(block[99], 0);
}

TEST(TarHeaderTest, MemberNames) {
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {"/home/u/sken_tmp1001/1001.bmp", "1001.bmp"},
      {"1001.bmp", "1001.bmp"},
      {"/s/1001-1002.dib", "1001-1002.bmp"},
      {"/s/1001-1002.DIB", "1001-1002.bmp"},
      {"/s/1001-1002.DiB", "1001-1002.bmp"},
      {"/s/page.dibx", "page.dibx"},
      {"/s/dib", "dib"},
      {"/s/.dib", ".bmp"},
      {"/folder.dib/1001.txt", "1001.txt"},
      {"/s/\x9alutý.BMP", "\x9alutý.BMP"},
      {"/s/" + std::string(120, 'a'), std::string(99, 'a')},
      // The extension is replaced on the whole name before it is cut.
      {"/s/" + std::string(116, 'b') + ".dib", std::string(99, 'b')},
      {"/s/" + std::string(95, 'c') + ".DIB", std::string(95, 'c') + ".bmp"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TarMemberName(c.path), c.expected) << c.path;
  }
}

}  // namespace
}  // namespace upload
