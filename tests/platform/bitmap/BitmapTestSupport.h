// Helpers of the bitmap tests: a temporary folder, raw file bytes, hand-made BMP images and a
// colour reader that does not use the code under test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/bitmap/Bitmap.h"

namespace bitmap_test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("prelavka-bitmap-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The cp1250 path of a file in the folder (name in cp1250).
  std::string File(const std::string& name) const {
    return platform::Cp1250Path(path_) + platform::kPathSeparator + name;
  }

 private:
  std::filesystem::path path_;
};

inline Bytes ReadFileBytes(const std::string& cp1250_path) {
  std::ifstream in(platform::NativePath(cp1250_path), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& cp1250_path, const Bytes& bytes) {
  std::ofstream out(platform::NativePath(cp1250_path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t U32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b.at(at)) | static_cast<std::uint32_t>(b.at(at + 1)) << 8 |
         static_cast<std::uint32_t>(b.at(at + 2)) << 16 |
         static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}
inline std::uint16_t U16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
inline void SetU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void SetU16(Bytes& b, std::size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

// A BMP file written by hand from the format's description: `rows` are the stored rows in file
// order, each already padded; `table` the colour table bytes. Field values can be changed after.
struct BmpLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bits = 24;
  std::uint32_t info_size = 40;
  std::uint32_t colours_used = 0;
  Bytes table;
  Bytes pixels;
  std::uint8_t padding_fill = 0;
};

inline Bytes MakeBmpFile(const BmpLayout& layout) {
  Bytes b(14 + layout.info_size, 0);
  b[0] = 'B';
  b[1] = 'M';
  const auto offset = static_cast<std::uint32_t>(14 + layout.info_size + layout.table.size());
  SetU32(b, 2, static_cast<std::uint32_t>(offset + layout.pixels.size()));
  SetU32(b, 10, offset);
  SetU32(b, 14, layout.info_size);
  SetU32(b, 18, static_cast<std::uint32_t>(layout.width));
  SetU32(b, 22, static_cast<std::uint32_t>(layout.height));
  SetU16(b, 26, 1);
  SetU16(b, 28, layout.bits);
  SetU32(b, 34, static_cast<std::uint32_t>(layout.pixels.size()));
  SetU32(b, 46, layout.colours_used);
  b.insert(b.end(), layout.table.begin(), layout.table.end());
  b.insert(b.end(), layout.pixels.begin(), layout.pixels.end());
  return b;
}

// The same image as a packed DIB: the file without its 14-byte file header.
inline Bytes DibOf(const Bytes& file) { return Bytes(file.begin() + 14, file.end()); }

struct Rgb {
  std::uint8_t red, green, blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "rgb(" << int{c.red} << "," << int{c.green} << "," << int{c.blue} << ")";
}
inline constexpr Rgb kWhite{255, 255, 255};

// The colour of pixel (x, y), y from the top, read through the palette in 8 bits.
inline Rgb ColourAt(const platform::Bitmap& image, int x, int y) {
  const std::uint8_t* row = image.Row(y);
  if (image.Format() == platform::PixelFormat::k8Bit) {
    const platform::PaletteEntry& e = image.GetPalette()[row[x]];
    return Rgb{e.red, e.green, e.blue};
  }
  const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
  return Rgb{p[2], p[1], p[0]};
}

// A 24-bit page whose every pixel differs in each channel from its neighbours.
inline platform::Bitmap PatternPage(int width, int height, unsigned seed = 1) {
  platform::Bitmap page;
  EXPECT_TRUE(page.Create(width, height, platform::PixelFormat::k24Bit));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = page.Row(y);
    for (int x = 0; x < width; ++x) {
      const unsigned v = static_cast<unsigned>(x) * 7u + static_cast<unsigned>(y) * 13u + seed;
      row[3 * x] = static_cast<std::uint8_t>(v);               // blue
      row[3 * x + 1] = static_cast<std::uint8_t>(v * 3u + 1);  // green
      row[3 * x + 2] = static_cast<std::uint8_t>(v * 5u + 2);  // red
    }
  }
  return page;
}

// An 8-bit grey page with the grey palette; pixel = (x * 3 + y * 5 + seed) mod 256.
inline platform::Bitmap GreyPage(int width, int height, unsigned seed = 0) {
  platform::Bitmap page;
  EXPECT_TRUE(page.Create(width, height, platform::PixelFormat::k8Bit));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      page.Row(y)[x] = static_cast<std::uint8_t>(static_cast<unsigned>(x * 3 + y * 5) + seed);
    }
  }
  return page;
}

// Restores the allocation limit at the end of a scope.
class AllocationLimit {
 public:
  explicit AllocationLimit(std::size_t bytes) {
    platform::SetBitmapAllocationLimitForTesting(bytes);
  }
  ~AllocationLimit() {
    platform::SetBitmapAllocationLimitForTesting(std::numeric_limits<std::size_t>::max());
  }
};

}  // namespace bitmap_test
