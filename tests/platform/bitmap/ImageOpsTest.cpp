#include "platform/bitmap/ImageOps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/bitmap/Bmp.h"
#include "tests/platform/bitmap/BitmapTestSupport.h"

namespace {

using platform::Bitmap;
using platform::BmpStatus;
using platform::PixelFormat;
using namespace bitmap_test;

// An 8-bit page with a palette of distinct colours (entry i: red i, green 255 - i, blue i / 2).
Bitmap PalettePage(int width, int height) {
  Bitmap page = GreyPage(width, height, 3);
  platform::Palette palette{};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    palette[i] =
        platform::PaletteEntry{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                               static_cast<std::uint8_t>(i / 2), 0};
  }
  page.SetPalette(palette);
  return page;
}

void ExpectGreyOfBlue(const Bitmap& source, const Bitmap& grey) {
  ASSERT_EQ(grey.Format(), PixelFormat::k8Bit);
  ASSERT_EQ(grey.Width(), source.Width());
  ASSERT_EQ(grey.Height(), source.Height());
  EXPECT_EQ(grey.GetPalette(), platform::GreyPalette());
  for (int y = 0; y < source.Height(); ++y) {
    for (int x = 0; x < source.Width(); ++x) {
      ASSERT_EQ(grey.Row(y)[x], ColourAt(source, x, y).blue) << x << "," << y;
    }
    for (std::size_t pad = grey.RowBytes(); pad < grey.Stride(); ++pad)
      ASSERT_EQ(grey.Row(y)[pad], 0);
  }
}

// A grey A4 page at 200 dpi, as saved: 8 bits, the 256-entry grey table, each pixel the blue
// byte of the delivered pixel (not a mix of the three).
TEST(GreyFromBlue, A4PageFileHoldsTheBlueBytes) {
  TempFolder folder;
  const Bitmap page = PatternPage(1654, 2339);
  Bitmap grey;
  ASSERT_TRUE(platform::GreyFromBlue(page, &grey));
  ExpectGreyOfBlue(page, grey);
  const std::string path = folder.File("1001.bmp");
  ASSERT_TRUE(platform::SaveBmp(grey, path));
  const Bytes file = ReadFileBytes(path);
  EXPECT_EQ(U16(file, 28), 8);
  EXPECT_EQ(U32(file, 46), 256u);
  for (std::size_t i = 0; i < 256; ++i) {
    ASSERT_EQ(file[54 + 4 * i], i);
    ASSERT_EQ(file[55 + 4 * i], i);
    ASSERT_EQ(file[56 + 4 * i], i);
    ASSERT_EQ(file[57 + 4 * i], 0);
  }
  Bitmap loaded;
  ASSERT_EQ(platform::LoadBmp(path, &loaded), BmpStatus::kOk);
  ExpectGreyOfBlue(page, loaded);
}

// Rows are done 16 pixels at a time where the processor allows, the rest one by one.
TEST(GreyFromBlue, EveryWidthAroundTheBlockSize) {
  for (int width = 1; width <= 50; ++width) {
    SCOPED_TRACE(testing::Message() << "width " << width);
    const Bitmap page = PatternPage(width, 3, static_cast<unsigned>(width));
    Bitmap grey;
    ASSERT_TRUE(platform::GreyFromBlue(page, &grey));
    ExpectGreyOfBlue(page, grey);
  }
}

TEST(GreyFromBlue, PaletteImageGivesTheBlueOfItsEntries) {
  const Bitmap page = PalettePage(7, 5);
  Bitmap grey;
  ASSERT_TRUE(platform::GreyFromBlue(page, &grey));
  ExpectGreyOfBlue(page, grey);
  // The same as converting to 24 bits first, as the page handler describes it.
  Bitmap colour, grey_of_colour;
  ASSERT_TRUE(platform::ConvertTo24Bit(page, &colour));
  ASSERT_TRUE(platform::GreyFromBlue(colour, &grey_of_colour));
  ASSERT_EQ(grey.PixelBlockSize(), grey_of_colour.PixelBlockSize());
  EXPECT_EQ(0, std::memcmp(grey.PixelBlock(), grey_of_colour.PixelBlock(), grey.PixelBlockSize()));
}

TEST(GreyFromBlue, GreyPaletteImageKeepsItsPixels) {
  platform::Palette tinted = platform::GreyPalette();  // blue i, red and green elsewhere
  for (std::size_t i = 0; i < 256; ++i) tinted[i].red = static_cast<std::uint8_t>(255 - i);
  for (const platform::Palette& palette : {platform::GreyPalette(), tinted}) {
    Bitmap page = GreyPage(9, 4, 11);
    page.SetPalette(palette);
    Bitmap grey;
    ASSERT_TRUE(platform::GreyFromBlue(page, &grey));
    ExpectGreyOfBlue(page, grey);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(0, std::memcmp(grey.Row(y), page.Row(y), 9));
  }
}

TEST(GreyFromBlue, InPlaceAndImageWithoutPixels) {
  Bitmap page = PatternPage(3, 3);
  Bitmap reference;
  ASSERT_TRUE(page.CopyTo(&reference));
  ASSERT_TRUE(platform::GreyFromBlue(page, &page));
  ExpectGreyOfBlue(reference, page);

  Bitmap empty;
  ASSERT_TRUE(empty.Create(0, 5, PixelFormat::k24Bit));
  ASSERT_TRUE(platform::GreyFromBlue(empty, &empty));
  EXPECT_EQ(empty.Format(), PixelFormat::k24Bit);  // left unchanged
  EXPECT_EQ(empty.Height(), 5);
}

TEST(ConvertTo24Bit, MapsPaletteAndCopiesColour) {
  const Bitmap paletted = PalettePage(5, 3);
  Bitmap colour;
  ASSERT_TRUE(platform::ConvertTo24Bit(paletted, &colour));
  ASSERT_EQ(colour.Format(), PixelFormat::k24Bit);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(ColourAt(colour, x, y), ColourAt(paletted, x, y));
    EXPECT_EQ(colour.Row(y)[15], 0) << "padding";
  }
  const Bitmap pattern = PatternPage(4, 2);
  ASSERT_TRUE(platform::ConvertTo24Bit(pattern, &colour));
  EXPECT_EQ(0, std::memcmp(colour.PixelBlock(), pattern.PixelBlock(), pattern.PixelBlockSize()));
}

TEST(ImageOps, OutOfMemoryLeavesTheResultAsItWas) {
  const Bitmap page = PatternPage(64, 64);
  const Bitmap grey_page = GreyPage(64, 64);
  Bitmap result = GreyPage(2, 2);
  AllocationLimit limit(1000);
  EXPECT_FALSE(platform::GreyFromBlue(page, &result));
  EXPECT_FALSE(platform::ConvertTo24Bit(grey_page, &result));
  EXPECT_FALSE(platform::ComposeDuplex(grey_page, grey_page, &result));
  EXPECT_EQ(result.Width(), 2);
  EXPECT_EQ(result.Format(), PixelFormat::k8Bit);
}

// The composite as the pair rule describes it, pixel by pixel: front at the top left, back at the
// top of the right half from column W, white everywhere else.
void ExpectComposite(const Bitmap& front, const Bitmap& back, const Bitmap& composite) {
  const int fw = front.HasPixels() ? front.Width() : 0, fh = front.HasPixels() ? front.Height() : 0;
  const int bw = back.HasPixels() ? back.Width() : 0, bh = back.HasPixels() ? back.Height() : 0;
  const int w = std::max(fw, bw), h = std::max(fh, bh);
  ASSERT_EQ(composite.Width(), 2 * w);
  ASSERT_EQ(composite.Height(), h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < 2 * w; ++x) {
      Rgb expected = kWhite;
      if (x < w && x < fw && y < fh) expected = ColourAt(front, x, y);
      if (x >= w && x - w < bw && y < bh) expected = ColourAt(back, x - w, y);
      ASSERT_EQ(ColourAt(composite, x, y), expected) << x << "," << y;
    }
    for (std::size_t pad = composite.RowBytes(); pad < composite.Stride(); ++pad) {
      ASSERT_EQ(composite.Row(y)[pad], 0) << "padding of row " << y;
    }
  }
}

TEST(ComposeDuplex, PlacesBothPagesOnWhite) {
  Bitmap none;
  Bitmap other_palette = GreyPage(6, 4);
  platform::Palette inverted{};
  for (std::size_t i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(255 - i);
    inverted[i] = platform::PaletteEntry{v, v, v, 0};
  }
  other_palette.SetPalette(inverted);
  struct Case {
    const char* name;
    Bitmap front, back;
    PixelFormat format;
  };
  Case cases[] = {
      {"grey pages of one size", GreyPage(6, 4, 1), GreyPage(6, 4, 2), PixelFormat::k8Bit},
      {"back page taller (10 and 12 rows)", GreyPage(5, 10), GreyPage(5, 12, 7),
       PixelFormat::k8Bit},
      {"front page taller and wider", GreyPage(9, 8), GreyPage(4, 3, 7), PixelFormat::k8Bit},
      {"back page wider", GreyPage(3, 5), GreyPage(7, 5, 7), PixelFormat::k8Bit},
      {"colour pages", PatternPage(5, 3, 1), PatternPage(7, 2, 2), PixelFormat::k24Bit},
      {"front missing, grey back", Bitmap{}, GreyPage(5, 4), PixelFormat::k8Bit},
      {"front missing, colour back", Bitmap{}, PatternPage(5, 4), PixelFormat::k24Bit},
      {"grey front, colour back", GreyPage(4, 6), PatternPage(5, 4), PixelFormat::k24Bit},
      {"colour front, grey back", PatternPage(5, 4), GreyPage(3, 6), PixelFormat::k24Bit},
      {"front with another palette", std::move(other_palette), GreyPage(6, 4), PixelFormat::k24Bit},
      {"back page without pixels", GreyPage(3, 2), Bitmap{}, PixelFormat::k24Bit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap composite;
    ASSERT_TRUE(platform::ComposeDuplex(c.front, c.back, &composite));
    EXPECT_EQ(composite.Format(), c.format);
    if (c.format == PixelFormat::k8Bit) {
      EXPECT_EQ(composite.GetPalette(), platform::GreyPalette());
    }
    ExpectComposite(c.front, c.back, composite);
  }
}

// The pair as the page handler makes it: the front read back from its page file, the composite
// saved and read again.
TEST(ComposeDuplex, ThroughPageFiles) {
  TempFolder folder;
  const Bitmap front = GreyPage(1000, 100, 5);
  const Bitmap back = GreyPage(990, 120, 9);
  ASSERT_TRUE(platform::SaveBmp(front, folder.File("1001.bmp")));
  Bitmap loaded_front;
  ASSERT_EQ(platform::LoadBmp(folder.File("1001.bmp"), &loaded_front), BmpStatus::kOk);
  Bitmap composite;
  ASSERT_TRUE(platform::ComposeDuplex(loaded_front, back, &composite));
  ASSERT_TRUE(platform::SaveBmp(composite, folder.File("1001-1002.dib")));
  Bitmap reread;
  ASSERT_EQ(platform::LoadBmp(folder.File("1001-1002.dib"), &reread), BmpStatus::kOk);
  EXPECT_EQ(reread.Format(), PixelFormat::k8Bit);
  ExpectComposite(front, back, reread);
}

TEST(ComposeDuplex, ResultMayBeTheBackPage) {
  const Bitmap front = GreyPage(4, 4, 1);
  Bitmap back = PatternPage(3, 5);
  Bitmap back_copy;
  ASSERT_TRUE(back.CopyTo(&back_copy));
  ASSERT_TRUE(platform::ComposeDuplex(front, back, &back));
  ExpectComposite(front, back_copy, back);
}

TEST(ComposeDuplex, RefusesACompositeWiderThanTheLargest) {
  Bitmap wide;
  ASSERT_TRUE(wide.Create(Bitmap::kMaxDimension / 2 + 1, 1, PixelFormat::k8Bit));
  Bitmap result = GreyPage(2, 2);
  EXPECT_FALSE(platform::ComposeDuplex(wide, GreyPage(1, 1), &result));
  EXPECT_EQ(result.Width(), 2);
  // The largest pages still pair: two 65,535-pixel pages side by side.
  Bitmap widest_page;
  ASSERT_TRUE(widest_page.Create(65535, 1, PixelFormat::k8Bit));
  ASSERT_TRUE(platform::ComposeDuplex(widest_page, widest_page, &result));
  EXPECT_EQ(result.Width(), 131070);
}

}  // namespace
