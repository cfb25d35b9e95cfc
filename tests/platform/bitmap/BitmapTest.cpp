#include "platform/bitmap/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "tests/platform/bitmap/BitmapTestSupport.h"

namespace {

using platform::Bitmap;
using platform::PixelFormat;
using namespace bitmap_test;

TEST(Bitmap, CreateGivesZeroedRowsPaddedToFourBytesStoredBottomUp) {
  struct Case {
    int width, height;
    PixelFormat format;
    std::size_t stride;
  };
  for (const Case& c : {Case{1, 3, PixelFormat::k8Bit, 4}, Case{5, 2, PixelFormat::k8Bit, 8},
                        Case{8, 2, PixelFormat::k8Bit, 8}, Case{1, 2, PixelFormat::k24Bit, 4},
                        Case{3, 2, PixelFormat::k24Bit, 12}, Case{5, 4, PixelFormat::k24Bit, 16}}) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " stride " << c.stride);
    Bitmap image;
    ASSERT_TRUE(image.Create(c.width, c.height, c.format));
    EXPECT_EQ(image.Width(), c.width);
    EXPECT_EQ(image.Height(), c.height);
    EXPECT_EQ(image.Format(), c.format);
    EXPECT_EQ(image.Stride(), c.stride);
    EXPECT_EQ(image.PixelBlockSize(), c.stride * static_cast<std::size_t>(c.height));
    // Row 0 is the top row, stored last, as in a bottom-up BMP.
    EXPECT_EQ(image.Row(0), image.PixelBlock() + (c.height - 1) * c.stride);
    EXPECT_EQ(image.Row(c.height - 1), image.PixelBlock());
    for (std::size_t i = 0; i < image.PixelBlockSize(); ++i) ASSERT_EQ(image.PixelBlock()[i], 0);
  }
}

TEST(Bitmap, EightBitsStartWithTheGreyPalette) {
  Bitmap image;
  ASSERT_TRUE(image.Create(2, 2, PixelFormat::k8Bit));
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    EXPECT_EQ(image.GetPalette()[static_cast<std::size_t>(i)],
              (platform::PaletteEntry{v, v, v, 0}));
  }
  EXPECT_EQ(image.GetPalette(), platform::GreyPalette());
}

TEST(Bitmap, CreateForOverwriteZeroesOnlyThePadding) {
  Bitmap image;
  ASSERT_TRUE(image.CreateForOverwrite(5, 3, PixelFormat::k24Bit));
  for (int y = 0; y < 3; ++y) EXPECT_EQ(image.Row(y)[15], 0) << "row " << y;  // 15 of 16 used
}

TEST(Bitmap, RefusesBadDimensionsAndStaysEmpty) {
  for (const auto& [w, h] :
       {std::pair{-1, 1}, std::pair{1, -1}, std::pair{Bitmap::kMaxDimension + 1, 1},
        std::pair{1, Bitmap::kMaxDimension + 1}}) {
    Bitmap image;
    ASSERT_TRUE(image.Create(4, 4, PixelFormat::k8Bit));
    EXPECT_FALSE(image.Create(w, h, PixelFormat::k24Bit)) << w << "x" << h;
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_EQ(image.PixelBlock(), nullptr);
  }
}

TEST(Bitmap, ZeroWidthOrHeightHoldsNoPixels) {
  Bitmap image;
  ASSERT_TRUE(image.Create(0, 7, PixelFormat::k24Bit));
  EXPECT_FALSE(image.HasPixels());
  EXPECT_EQ(image.Height(), 7);
  EXPECT_EQ(image.PixelBlockSize(), 0u);
  ASSERT_TRUE(image.Create(9, 0, PixelFormat::k8Bit));
  EXPECT_FALSE(image.HasPixels());
  EXPECT_EQ(image.PixelBlockSize(), 0u);
}

TEST(Bitmap, AllocationFailureIsAResult) {
  AllocationLimit limit(1000);
  Bitmap image;
  EXPECT_TRUE(image.Create(10, 10, PixelFormat::k8Bit));  // 12 x 10 bytes
  EXPECT_FALSE(image.Create(100, 100, PixelFormat::k24Bit));
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.PixelBlock(), nullptr);
}

// The largest page in 24 bits needs 12.9 GB: the real allocator either gives it (the system
// commits pages lazily) or refuses, and both are handled without a crash.
TEST(Bitmap, LargestPageIsGivenOrRefusedCleanly) {
  Bitmap image;
  if (!image.Create(65535, 65535, PixelFormat::k24Bit)) {
    EXPECT_EQ(image.PixelBlock(), nullptr);
    EXPECT_EQ(image.Width(), 0);
    return;
  }
  EXPECT_EQ(image.Stride(), 196608u);
  EXPECT_EQ(image.PixelBlockSize(), std::size_t{196608} * 65535);
  image.Row(0)[0] = 1;
  image.Row(65534)[3 * 65534 + 2] = 2;
  EXPECT_EQ(image.Row(0)[0], 1);
  EXPECT_EQ(image.PixelBlock()[3 * 65534 + 2], 2);
}

TEST(Bitmap, CopyAndMoveKeepPixelsAndPalette) {
  Bitmap image = GreyPage(7, 3);
  platform::Palette palette = platform::GreyPalette();
  palette[5] = platform::PaletteEntry{1, 2, 3, 0};
  image.SetPalette(palette);
  Bitmap copy;
  ASSERT_TRUE(image.CopyTo(&copy));
  ASSERT_EQ(copy.PixelBlockSize(), image.PixelBlockSize());
  EXPECT_EQ(0, std::memcmp(copy.PixelBlock(), image.PixelBlock(), image.PixelBlockSize()));
  EXPECT_EQ(copy.GetPalette(), palette);
  Bitmap moved = std::move(copy);
  EXPECT_EQ(moved.Width(), 7);
  EXPECT_EQ(copy.Width(), 0);  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(copy.PixelBlock(), nullptr);
}

}  // namespace
