#include "tools/virtual_scanner/TestPattern.h"

#include <algorithm>
#include <string>

namespace virtual_scanner {
namespace {

// Digits 0 to 9 in a 3 x 5 grid, one row per 3 bits, top row first.
constexpr std::uint16_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

std::vector<std::uint8_t> TestPatternDib(PixelFormat format, int width, int height, int page) {
  const bool grey = format == PixelFormat::kGray8;
  const std::size_t bits = grey ? 8 : 24;
  const std::size_t row = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  const std::size_t table = grey ? 256 * 4 : 0;
  const std::size_t header = 40;
  std::vector<std::uint8_t> dib(header + table + row * static_cast<std::size_t>(height), 0);
  Put32(dib, 0, 40);
  Put32(dib, 4, static_cast<std::uint32_t>(width));
  Put32(dib, 8, static_cast<std::uint32_t>(height));
  Put16(dib, 12, 1);
  Put16(dib, 14, static_cast<std::uint16_t>(bits));
  Put32(dib, 20, static_cast<std::uint32_t>(row * static_cast<std::size_t>(height)));
  Put32(dib, 24, 3937);  // 100 dpi in pixels per metre
  Put32(dib, 28, 3937);
  Put32(dib, 32, grey ? 256 : 0);
  for (std::size_t i = 0; i < table / 4; ++i) {
    dib[header + 4 * i] = dib[header + 4 * i + 1] = dib[header + 4 * i + 2] =
        static_cast<std::uint8_t>(i);
  }
  std::uint8_t* pixels = dib.data() + header + table;
  auto pixel = [&](int x, int y) {
    return pixels + static_cast<std::size_t>(height - 1 - y) * row +
           static_cast<std::size_t>(x) * (bits / 8);
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = pixel(x, y);
      if (grey) {
        p[0] = static_cast<std::uint8_t>(128 + ((x + y) & 63));
      } else {
        p[0] = static_cast<std::uint8_t>(x & 255);
        p[1] = static_cast<std::uint8_t>(y & 255);
        p[2] = 192;
      }
    }
  }
  const std::string number = std::to_string(page);
  const int cells_wide = static_cast<int>(number.size()) * 4 - 1;
  const int scale = std::max(1, std::min(width / (cells_wide + 2), height / 7) / 2);
  const int left = (width - cells_wide * scale) / 2;
  const int top = (height - 5 * scale) / 2;
  for (std::size_t d = 0; d < number.size(); ++d) {
    const auto& glyph = kDigits[number[d] - '0'];
    for (int gy = 0; gy < 5; ++gy) {
      for (int gx = 0; gx < 3; ++gx) {
        if ((glyph[gy] & (4 >> gx)) == 0) continue;
        for (int sy = 0; sy < scale; ++sy) {
          for (int sx = 0; sx < scale; ++sx) {
            const int x = left + (static_cast<int>(d) * 4 + gx) * scale + sx;
            const int y = top + gy * scale + sy;
            if (x < 0 || y < 0 || x >= width || y >= height) continue;
            std::fill_n(pixel(x, y), bits / 8, std::uint8_t{0});
          }
        }
      }
    }
  }
  return dib;
}

std::vector<std::uint8_t> BmpFile(const std::vector<std::uint8_t>& dib) {
  std::vector<std::uint8_t> file(14 + dib.size(), 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<std::uint32_t>(14 + dib.size()));
  const std::uint32_t colours = dib[32] | (dib[33] << 8);
  Put32(file, 10, 14 + 40 + colours * 4);
  std::copy(dib.begin(), dib.end(), file.begin() + 14);
  return file;
}

}  // namespace virtual_scanner
