#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/twain/MemoryBlock.h"
#include "platform/twain/NativeImage.h"

namespace platform {
namespace {

TEST(MemoryBlock, AllocatesZeroFilledBlocksThatLockAndFree) {
  OwnedBlock block(MemoryAlloc(300));
  ASSERT_NE(block.get(), nullptr);
  EXPECT_EQ(MemorySize(block.get()), 300u);
  {
    LockedBlock outer(block.get());
    LockedBlock inner(block.get());
    ASSERT_TRUE(outer.valid());
    EXPECT_EQ(outer.data(), inner.data());
    EXPECT_EQ(outer.size(), 300u);
    for (std::uint8_t byte : outer.bytes()) EXPECT_EQ(byte, 0);
  }
  EXPECT_EQ(MemoryLock(nullptr), nullptr);
  EXPECT_EQ(MemorySize(nullptr), 0u);
  MemoryFree(nullptr);
}

// Only our own blocks carry a mark. Windows' global memory functions take any pointer for a
// fixed block (GlobalLock gives it back), so there a foreign handle cannot be told apart.
#ifndef _WIN32
TEST(MemoryBlock, RefusesHandlesItDidNotMake) {
  alignas(16) std::uint8_t foreign[64] = {};
  std::memset(foreign, 0x5A, sizeof(foreign));
  EXPECT_EQ(MemoryLock(foreign), nullptr);
  EXPECT_EQ(MemorySize(foreign), 0u);
  LockedBlock locked(foreign);
  EXPECT_FALSE(locked.valid());
  MemoryFree(foreign);  // ignored, not freed
}
#endif

// A BITMAPINFOHEADER followed by room for a colour table and rows.
std::vector<std::uint8_t> Dib(std::int32_t width, std::int32_t height, std::uint16_t bits,
                              std::uint32_t compression, std::size_t size) {
  std::vector<std::uint8_t> dib(size, 0);
  auto put = [&](std::size_t at, auto value) {
    if (at + sizeof(value) <= dib.size()) std::memcpy(dib.data() + at, &value, sizeof(value));
  };
  put(0, std::uint32_t{40});
  put(4, width);
  put(8, height);
  put(12, std::uint16_t{1});
  put(14, bits);
  put(16, compression);
  return dib;
}

TEST(LooksLikeDib, AcceptsOnlyHeadersWhoseRowsFit) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool dib;
  };
  const Case cases[] = {
      {"grey 3x2, rows padded to 4", Dib(3, 2, 8, 0, 40 + 1024 + 8), true},
      {"grey 3x2, one byte short", Dib(3, 2, 8, 0, 40 + 1024 + 7), false},
      {"colour 5x3 top-down", Dib(5, -3, 24, 0, 40 + 16 * 3), true},
      {"colour 5x3, rows missing", Dib(5, 3, 24, 0, 40 + 16 * 2), false},
      {"1-bit 9x1", Dib(9, 1, 1, 0, 40 + 8 + 4), true},
      {"zero width", Dib(0, 3, 24, 0, 4000), false},
      {"zero height", Dib(3, 0, 24, 0, 4000), false},
      {"7 bits per pixel", Dib(3, 3, 7, 0, 4000), false},
      {"RLE8", Dib(3, 3, 8, 1, 4000), false},
      {"header cut short", Dib(3, 3, 24, 0, 39), false},
      {"huge height", Dib(3, 0x7FFFFFFF, 24, 0, 4000), false},
      {"most negative height", Dib(3, INT32_MIN, 24, 0, 4000), false},
      {"garbage", std::vector<std::uint8_t>(64, 0xA5), false},
  };
  for (const Case& c : cases) EXPECT_EQ(LooksLikeDib(c.bytes), c.dib) << c.what;
}

TEST(NativeImage, GivesTheDibOfABlockAndFreesIt) {
  const auto dib = Dib(2, 2, 24, 0, 40 + 16);
  MemoryHandle handle = MemoryAlloc(dib.size());
  {
    LockedBlock locked(handle);
    std::memcpy(locked.data(), dib.data(), dib.size());
  }
  NativeImage image(handle);  // owns the handle: the sanitizer build catches a leak
  ASSERT_EQ(image.dib().size(), dib.size());
  EXPECT_EQ(image.dib()[0], 40);

  MemoryHandle garbage = MemoryAlloc(64);
  NativeImage not_an_image(garbage);
  EXPECT_TRUE(not_an_image.dib().empty());

  NativeImage nothing(nullptr);
  EXPECT_TRUE(nothing.dib().empty());
}

}  // namespace
}  // namespace platform
