#include "platform/bitmap/Bmp.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>

#include "platform/Cp1250.h"
#include "tests/platform/bitmap/BitmapTestSupport.h"

namespace {

using platform::Bitmap;
using platform::BmpStatus;
using platform::PixelFormat;
using namespace bitmap_test;
using namespace text::literals;

void ExpectSamePixels(const Bitmap& a, const Bitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  ASSERT_EQ(a.Format(), b.Format());
  for (int y = 0; y < a.Height(); ++y) {
    ASSERT_EQ(0, std::memcmp(a.Row(y), b.Row(y), a.RowBytes())) << "row " << y;
  }
  if (a.Format() == PixelFormat::k8Bit) {
    EXPECT_EQ(a.GetPalette(), b.GetPalette());
  }
}

// Loads the bytes both as a file and, without the file header, as a packed DIB in a block of
// exactly their size (so AddressSanitizer sees any read past it).
struct Loaded {
  BmpStatus file_status;
  Bitmap from_file;
  BmpStatus dib_status;
  Bitmap from_dib;
};
Loaded LoadBoth(const TempFolder& folder, const Bytes& file) {
  Loaded loaded;
  const std::string path = folder.File("in.bmp");
  WriteFileBytes(path, file);
  loaded.file_status = platform::LoadBmp(path, &loaded.from_file);
  const Bytes dib = file.size() >= 14 ? DibOf(file) : Bytes{};
  auto block = std::make_unique<std::uint8_t[]>(dib.size());
  if (!dib.empty()) std::memcpy(block.get(), dib.data(), dib.size());
  loaded.dib_status = platform::LoadDib(block.get(), dib.size(), &loaded.from_dib);
  return loaded;
}

TEST(BmpSave, EightBitFileMatchesTheFormatByteByByte) {
  TempFolder folder;
  Bitmap image = GreyPage(5, 3);
  platform::Palette palette = platform::GreyPalette();
  palette[7] = platform::PaletteEntry{0x11, 0x22, 0x33, 0};
  image.SetPalette(palette);
  const std::string path = folder.File("1001.bmp");
  ASSERT_TRUE(platform::SaveBmp(image, path));
  Bytes b = ReadFileBytes(path);

  const std::size_t stride = 8, offset = 14 + 40 + 1024;
  ASSERT_EQ(b.size(), offset + 3 * stride);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(U32(b, 2), b.size());     // bfSize
  EXPECT_EQ(U32(b, 6), 0u);           // bfReserved1, bfReserved2
  EXPECT_EQ(U32(b, 10), offset);      // bfOffBits
  EXPECT_EQ(U32(b, 14), 40u);         // biSize
  EXPECT_EQ(U32(b, 18), 5u);          // biWidth
  EXPECT_EQ(U32(b, 22), 3u);          // biHeight: positive, bottom-up
  EXPECT_EQ(U16(b, 26), 1);           // biPlanes
  EXPECT_EQ(U16(b, 28), 8);           // biBitCount
  EXPECT_EQ(U32(b, 30), 0u);          // biCompression BI_RGB
  EXPECT_EQ(U32(b, 34), 3 * stride);  // biSizeImage
  EXPECT_EQ(U32(b, 46), 256u);        // biClrUsed
  EXPECT_EQ(U32(b, 50), 0u);          // biClrImportant
  for (std::size_t i = 0; i < 256; ++i) {
    const std::size_t at = 54 + 4 * i;
    const platform::PaletteEntry& e = palette[i];
    ASSERT_EQ((std::array{b[at], b[at + 1], b[at + 2], b[at + 3]}),
              (std::array<std::uint8_t, 4>{e.blue, e.green, e.red, 0}))
        << "colour table entry " << i;
  }
  // Rows bottom first, each padded with zeros to 8 bytes.
  for (int file_row = 0; file_row < 3; ++file_row) {
    const int y = 2 - file_row;
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(b[offset + file_row * stride + x], image.Row(y)[x]) << x << "," << y;
    }
    for (std::size_t pad = 5; pad < stride; ++pad)
      EXPECT_EQ(b[offset + file_row * stride + pad], 0);
  }
}

TEST(BmpSave, TwentyFourBitFileMatchesTheFormatByteByByte) {
  TempFolder folder;
  const Bitmap image = PatternPage(5, 2);
  const std::string path = folder.File("1002.bmp");
  ASSERT_TRUE(platform::SaveBmp(image, path));
  Bytes b = ReadFileBytes(path);

  const std::size_t stride = 16, offset = 54;
  ASSERT_EQ(b.size(), offset + 2 * stride);
  EXPECT_EQ(U32(b, 2), b.size());
  EXPECT_EQ(U32(b, 10), offset);
  EXPECT_EQ(U32(b, 14), 40u);
  EXPECT_EQ(U32(b, 18), 5u);
  EXPECT_EQ(U32(b, 22), 2u);
  EXPECT_EQ(U16(b, 26), 1);
  EXPECT_EQ(U16(b, 28), 24);
  EXPECT_EQ(U32(b, 30), 0u);
  EXPECT_EQ(U32(b, 34), 2 * stride);
  EXPECT_EQ(U32(b, 46), 0u);  // no colour table
  for (int file_row = 0; file_row < 2; ++file_row) {
    const Rgb first = ColourAt(image, 0, 1 - file_row);
    const std::size_t at = offset + file_row * stride;
    EXPECT_EQ((Rgb{b[at + 2], b[at + 1], b[at]}), first) << "blue, green, red order";
    EXPECT_EQ(b[at + 15], 0) << "padding";
  }
}

TEST(BmpSave, RoundTripsEveryWidthAndBothFormats) {
  TempFolder folder;
  const std::string path = folder.File("page.bmp");
  for (int width = 1; width <= 9; ++width) {
    for (int height : {1, 2, 5}) {
      for (bool grey : {true, false}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << (grey ? " grey" : " colour"));
        const Bitmap image = grey ? GreyPage(width, height, 9) : PatternPage(width, height, 4);
        ASSERT_TRUE(platform::SaveBmp(image, path));
        Bitmap loaded;
        ASSERT_EQ(platform::LoadBmp(path, &loaded), BmpStatus::kOk);
        ExpectSamePixels(image, loaded);
      }
    }
  }
}

TEST(BmpSave, EmptyImageRoundTrips) {
  TempFolder folder;
  const std::string path = folder.File("empty.bmp");
  Bitmap image;
  ASSERT_TRUE(image.Create(0, 4, PixelFormat::k24Bit));
  ASSERT_TRUE(platform::SaveBmp(image, path));
  EXPECT_EQ(ReadFileBytes(path).size(), 54u);
  Bitmap loaded;
  ASSERT_EQ(platform::LoadBmp(path, &loaded), BmpStatus::kOk);
  EXPECT_EQ(loaded.Width(), 0);
  EXPECT_EQ(loaded.Height(), 4);
}

TEST(BmpSave, PathIsCp1250) {
  TempFolder folder;
  const std::string path = folder.File(std::string("stránka čtvrtá.bmp"_cp));
  const Bitmap image = GreyPage(3, 3);
  ASSERT_TRUE(platform::SaveBmp(image, path));
  EXPECT_TRUE(platform::FileExists(path));
  Bitmap loaded;
  ASSERT_EQ(platform::LoadBmp(path, &loaded), BmpStatus::kOk);
  ExpectSamePixels(image, loaded);
}

TEST(BmpSave, MissingFolderFailsWithItsError) {
  TempFolder folder;
  const std::string path = folder.File("gone") + platform::kPathSeparator + "1001.bmp";
  int error = 0;
  EXPECT_FALSE(platform::SaveBmp(GreyPage(2, 2), path, &error));
  EXPECT_EQ(error, ENOENT);
}

#ifndef _WIN32
// A write that fails half-way (the file size limit stands in for a full disk) is a result, and
// no partial page is left behind.
TEST(BmpSave, FailedWriteRemovesThePartialFile) {
  TempFolder folder;
  const std::string path = folder.File("1001.bmp");
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int error = 0;
  const bool saved = platform::SaveBmp(PatternPage(100, 100), path, &error);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(error, EFBIG);
  EXPECT_FALSE(platform::FileExists(path));
}
#endif

// Sizes beyond the 32-bit fields: written as 0 (the rows follow from the dimensions). Needs the
// memory the system lends lazily; skipped where it is refused.
TEST(BmpSave, HeaderSizesOfTheLargestPages) {
  Bitmap grey;
  if (grey.Create(65535, 65535, PixelFormat::k8Bit)) {
    const Bytes h = platform::BmpHeaderBytes(grey);
    EXPECT_EQ(U32(h, 2), 1078u + 65536u * 65535u);
    EXPECT_EQ(U32(h, 34), 65536u * 65535u);
  }
  grey.Clear();
  Bitmap colour;
  if (colour.Create(65535, 65535, PixelFormat::k24Bit)) {
    const Bytes h = platform::BmpHeaderBytes(colour);
    EXPECT_EQ(U32(h, 2), 0u);
    EXPECT_EQ(U32(h, 34), 0u);
    EXPECT_EQ(U32(h, 22), 65535u);
  }
}

// Forms other writers and TWAIN sources produce, each read from a file and from a DIB block.
TEST(BmpLoad, ReadsOtherFormsAndOrders) {
  TempFolder folder;
  struct Case {
    const char* name;
    BmpLayout layout;
    int width, height;
    PixelFormat format;
    std::vector<std::vector<Rgb>> top_rows;  // expected colours, top row first
  };
  const Rgb k0{0, 0, 0}, kR{200, 10, 20}, kG{5, 150, 6}, kB{7, 8, 250};
  const Bytes bw_table{0, 0, 0, 0, 255, 255, 255, 0};  // entry 0 black, 1 white
  const std::vector<Case> cases = {
      {"24-bit top-down",
       {2, -2, 24, 40, 0, {}, {20, 10, 200, 6, 150, 5, 0, 0, /**/ 250, 8, 7, 0, 0, 0, 0, 0}},
       2,
       2,
       PixelFormat::k24Bit,
       {{kR, kG}, {kB, k0}}},
      {"24-bit bottom-up, padding not zero",
       {1, 2, 24, 40, 0, {}, {250, 8, 7, 0xAA, /**/ 20, 10, 200, 0xBB}},
       1,
       2,
       PixelFormat::k24Bit,
       {{kR}, {kB}}},
      {"8-bit, two-entry table, top-down",
       {3, -1, 8, 40, 2, {20, 10, 200, 0, 250, 8, 7, 0}, {1, 0, 1, 0}},
       3,
       1,
       PixelFormat::k8Bit,
       {{kB, kR, kB}}},
      {"8-bit index beyond the table is black",
       {1, 1, 8, 40, 1, {20, 10, 200, 0}, {9, 0, 0, 0}},
       1,
       1,
       PixelFormat::k8Bit,
       {{k0}}},
      {"1-bit black and white",
       {10,
        2,
        1,
        40,
        0,
        bw_table,
        {0b00000000, 0b01000000, 0, 0, /**/ 0b10100000, 0b11000000, 0, 0}},
       10,
       2,
       PixelFormat::k8Bit,
       {{kWhite, k0, kWhite, k0, k0, k0, k0, k0, kWhite, kWhite},
        {k0, k0, k0, k0, k0, k0, k0, k0, k0, kWhite}}},
      {"4-bit",
       {3, 1, 4, 40, 3, {0, 0, 0, 0, 20, 10, 200, 0, 6, 150, 5, 0}, {0x12, 0x00, 0, 0}},
       3,
       1,
       PixelFormat::k8Bit,
       {{kR, kG, k0}}},
      {"32-bit",
       {2, 1, 32, 40, 0, {}, {20, 10, 200, 0xFF, 250, 8, 7, 0x80}},
       2,
       1,
       PixelFormat::k24Bit,
       {{kR, kB}}},
      {"24-bit with an optional colour table",
       {1, 1, 24, 40, 2, {1, 2, 3, 0, 4, 5, 6, 0}, {6, 150, 5, 0}},
       1,
       1,
       PixelFormat::k24Bit,
       {{kG}}},
      {"V5 header",
       {1, 1, 24, 124, 0, {}, {7, 8, 250, 0}},
       1,
       1,
       PixelFormat::k24Bit,
       {{Rgb{250, 8, 7}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded loaded = LoadBoth(folder, MakeBmpFile(c.layout));
    for (const auto& [status, image] :
         {std::pair<BmpStatus, const Bitmap*>{loaded.file_status, &loaded.from_file},
          std::pair<BmpStatus, const Bitmap*>{loaded.dib_status, &loaded.from_dib}}) {
      ASSERT_EQ(status, BmpStatus::kOk) << platform::BmpStatusName(status);
      ASSERT_EQ(image->Width(), c.width);
      ASSERT_EQ(image->Height(), c.height);
      ASSERT_EQ(image->Format(), c.format);
      for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
          EXPECT_EQ(ColourAt(*image, x, y), c.top_rows[y][x]) << x << "," << y;
        }
        for (std::size_t pad = image->RowBytes(); pad < image->Stride(); ++pad) {
          EXPECT_EQ(image->Row(y)[pad], 0) << "padding of row " << y;
        }
      }
    }
  }
}

// Headers a broken or hostile writer could produce: each is refused before any pixel is read,
// and without taking memory beyond what the bytes at hand can fill.
TEST(BmpLoad, RefusesHostileHeaders) {
  TempFolder folder;
  // A valid 8-bit 4 x 2 image with a 256-entry table: 1078 header bytes, 8 pixel bytes.
  BmpLayout base_spec{4, 2, 8, 40, 256, Bytes(1024, 0x40), Bytes(8, 1)};
  const Bytes base = MakeBmpFile(base_spec);
  const auto with = [&base](auto change) {
    Bytes b = base;
    change(b);
    return b;
  };
  const auto cut = [&base](std::size_t size) {
    return Bytes(base.begin(), base.begin() + static_cast<std::ptrdiff_t>(size));
  };
  struct Case {
    const char* name;
    Bytes bytes;
    BmpStatus file_status;
    bool dib_refused;  // false where only the file header is wrong
  };
  const std::vector<Case> cases = {
      {"empty", {}, BmpStatus::kTruncated, true},
      {"one byte", {'B'}, BmpStatus::kTruncated, true},
      {"signature", with([](Bytes& b) { b[1] = 'N'; }), BmpStatus::kNotBmp, false},
      {"file header cut", cut(10), BmpStatus::kTruncated, true},
      {"info header cut", cut(14 + 30), BmpStatus::kTruncated, true},
      {"colour table cut", cut(14 + 40 + 500), BmpStatus::kTruncated, true},
      {"last pixel missing", cut(base.size() - 1), BmpStatus::kTruncated, true},
      {"info size 0", with([](Bytes& b) { SetU32(b, 14, 0); }), BmpStatus::kBadHeader, true},
      {"info size 41", with([](Bytes& b) { SetU32(b, 14, 41); }), BmpStatus::kBadHeader, true},
      {"info size huge", with([](Bytes& b) { SetU32(b, 14, 0xFFFFFFF0); }), BmpStatus::kBadHeader,
       true},
      {"OS/2 core header", with([](Bytes& b) { SetU32(b, 14, 12); }), BmpStatus::kUnsupported,
       true},
      {"negative width", with([](Bytes& b) { SetU32(b, 18, 0xFFFFFFFF); }), BmpStatus::kBadHeader,
       true},
      {"width 2^31-1", with([](Bytes& b) { SetU32(b, 18, 0x7FFFFFFF); }), BmpStatus::kTooLarge,
       true},
      {"width beyond the largest", with([](Bytes& b) { SetU32(b, 18, 131071); }),
       BmpStatus::kTooLarge, true},
      {"height 2^31-1", with([](Bytes& b) { SetU32(b, 22, 0x7FFFFFFF); }), BmpStatus::kTooLarge,
       true},
      {"height -2^31", with([](Bytes& b) { SetU32(b, 22, 0x80000000); }), BmpStatus::kBadHeader,
       true},
      {"height -131071", with([](Bytes& b) { SetU32(b, 22, static_cast<std::uint32_t>(-131071)); }),
       BmpStatus::kTooLarge, true},
      {"65535 x 65535 in a small file",
       with([](Bytes& b) { SetU32(b, 18, 65535), SetU32(b, 22, 65535); }), BmpStatus::kTruncated,
       true},
      // 17 GB of rows: beyond what a 32-bit size_t counts.
      {"131070 x 131070 top-down in a small file", with([](Bytes& b) {
         SetU32(b, 18, 131070), SetU32(b, 22, static_cast<std::uint32_t>(-131070));
       }),
       sizeof(std::size_t) < 8 ? BmpStatus::kTooLarge : BmpStatus::kTruncated, true},
      {"planes 0", with([](Bytes& b) { SetU16(b, 26, 0); }), BmpStatus::kBadHeader, true},
      {"planes 2", with([](Bytes& b) { SetU16(b, 26, 2); }), BmpStatus::kBadHeader, true},
      {"bit count 0", with([](Bytes& b) { SetU16(b, 28, 0); }), BmpStatus::kBadHeader, true},
      {"bit count 7", with([](Bytes& b) { SetU16(b, 28, 7); }), BmpStatus::kBadHeader, true},
      {"bit count 48", with([](Bytes& b) { SetU16(b, 28, 48); }), BmpStatus::kBadHeader, true},
      {"bit count 16", with([](Bytes& b) { SetU16(b, 28, 16); }), BmpStatus::kUnsupported, true},
      {"RLE8", with([](Bytes& b) { SetU32(b, 30, 1); }), BmpStatus::kUnsupported, true},
      {"bit fields", with([](Bytes& b) { SetU32(b, 30, 3); }), BmpStatus::kUnsupported, true},
      {"PNG inside", with([](Bytes& b) { SetU32(b, 30, 5); }), BmpStatus::kUnsupported, true},
      {"compression unknown", with([](Bytes& b) { SetU32(b, 30, 0x12345678); }),
       BmpStatus::kBadHeader, true},
      {"257 colours", with([](Bytes& b) { SetU32(b, 46, 257); }), BmpStatus::kBadHeader, true},
      {"2^32-1 colours", with([](Bytes& b) { SetU32(b, 46, 0xFFFFFFFF); }), BmpStatus::kBadHeader,
       true},
      {"4 bits with 17 colours", with([](Bytes& b) { SetU16(b, 28, 4), SetU32(b, 46, 17); }),
       BmpStatus::kBadHeader, true},
      {"24 bits with 2^32-1 colours",
       with([](Bytes& b) { SetU16(b, 28, 24), SetU32(b, 46, 0xFFFFFFFF); }), BmpStatus::kBadHeader,
       true},
      {"pixel offset 0", with([](Bytes& b) { SetU32(b, 10, 0); }), BmpStatus::kBadHeader, false},
      {"pixel offset inside the colour table", with([](Bytes& b) { SetU32(b, 10, 54 + 1020); }),
       BmpStatus::kBadHeader, false},
      {"pixel offset beyond the file", with([](Bytes& b) { SetU32(b, 10, 5000); }),
       BmpStatus::kBadHeader, false},
      {"pixel offset 2^32-1", with([](Bytes& b) { SetU32(b, 10, 0xFFFFFFFF); }),
       BmpStatus::kBadHeader, false},
      {"rows run past the end", with([](Bytes& b) { SetU32(b, 10, 1078 + 4); }),
       BmpStatus::kTruncated, false},
      {"more rows than the file holds", with([](Bytes& b) { SetU32(b, 22, 3); }),
       BmpStatus::kTruncated, true},
      {"wider than the file holds", with([](Bytes& b) { SetU32(b, 18, 5); }), BmpStatus::kTruncated,
       true},
  };
  // Any allocation beyond what the small files could fill would show as kOutOfMemory.
  AllocationLimit limit(4096);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded loaded = LoadBoth(folder, c.bytes);
    EXPECT_EQ(loaded.file_status, c.file_status) << platform::BmpStatusName(loaded.file_status);
    EXPECT_EQ(loaded.from_file.Width(), 0);
    EXPECT_EQ(loaded.from_file.PixelBlock(), nullptr);
    if (c.dib_refused) {
      EXPECT_NE(loaded.dib_status, BmpStatus::kOk);
      EXPECT_NE(loaded.dib_status, BmpStatus::kOutOfMemory);
      EXPECT_EQ(loaded.from_dib.PixelBlock(), nullptr);
    } else {
      EXPECT_EQ(loaded.dib_status, BmpStatus::kOk);
    }
  }
}

TEST(BmpLoad, MissingFileOrFolderCannotBeOpened) {
  TempFolder folder;
  Bitmap image;
  EXPECT_EQ(platform::LoadBmp(folder.File("1001.bmp"), &image), BmpStatus::kCannotOpen);
  EXPECT_EQ(platform::LoadBmp(folder.File(""), &image), BmpStatus::kCannotOpen);
}

TEST(BmpLoad, FailedLoadEmptiesTheImage) {
  TempFolder folder;
  Bitmap image = GreyPage(4, 4);
  const std::string path = folder.File("bad.bmp");
  WriteFileBytes(path, Bytes{'B', 'M', 0, 0});
  EXPECT_EQ(platform::LoadBmp(path, &image), BmpStatus::kTruncated);
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.PixelBlock(), nullptr);
}

TEST(DibLoad, NullBlockAndOutOfMemoryAreResults) {
  Bitmap image;
  EXPECT_EQ(platform::LoadDib(nullptr, 100, &image), BmpStatus::kTruncated);
  const Bytes dib = DibOf(MakeBmpFile(BmpLayout{64, 64, 24, 40, 0, {}, Bytes(64 * 192, 3)}));
  {
    AllocationLimit limit(1000);
    EXPECT_EQ(platform::LoadDib(dib.data(), dib.size(), &image), BmpStatus::kOutOfMemory);
    EXPECT_EQ(image.PixelBlock(), nullptr);
  }
  ASSERT_EQ(platform::LoadDib(dib.data(), dib.size(), &image), BmpStatus::kOk);
  EXPECT_EQ(image.Row(10)[5], 3);
}

}  // namespace
