#include "bench/archive/Corpus.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace bench {
namespace {

class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

 private:
  std::uint32_t state_;
};

using Grey = std::vector<std::uint8_t>;  // kPageWidth * kPageHeight, top row first

void FillRect(Grey& page, int x, int y, int w, int h, std::uint8_t value) {
  for (int row = std::max(y, 0); row < std::min(y + h, kPageHeight); ++row) {
    for (int col = std::max(x, 0); col < std::min(x + w, kPageWidth); ++col) {
      page[static_cast<std::size_t>(row) * kPageWidth + static_cast<std::size_t>(col)] = value;
    }
  }
}

void Line(Grey& page, int x0, int y0, int x1, int y1, int thickness, std::uint8_t value) {
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    const int x = x0 + (x1 - x0) * i / std::max(steps, 1);
    const int y = y0 + (y1 - y0) * i / std::max(steps, 1);
    FillRect(page, x, y, thickness, thickness, value);
  }
}

// Words of letters, each letter two or three strokes, like printed or written text.
void TextLine(Grey& page, Random& random, int x, int y, int width, std::uint8_t ink) {
  const int end = x + width;
  while (x < end - 60) {
    const int letters = 3 + random.Below(7);
    for (int i = 0; i < letters && x < end - 14; ++i, x += 14) {
      const int strokes = 2 + random.Below(2);
      for (int s = 0; s < strokes; ++s) {
        const int kind = random.Below(4);
        if (kind == 0) Line(page, x + random.Below(10), y, x + random.Below(10), y + 20, 2, ink);
        if (kind == 1) Line(page, x, y + random.Below(20), x + 10, y + random.Below(20), 2, ink);
        if (kind == 2) Line(page, x, y + 20, x + 10, y, 2, ink);
        if (kind == 3) Line(page, x, y, x + 10, y + 20, 2, ink);
      }
    }
    x += 14 + random.Below(20);
  }
}

Grey DrawPage(int index) {
  Random random(static_cast<std::uint32_t>(index));
  Grey page(static_cast<std::size_t>(kPageWidth) * kPageHeight, 242);
  // Heading and instructions.
  for (int line = 0; line < 6; ++line) TextLine(page, random, 120, 120 + line * 40, 1400, 30);
  // The answer grid: rows of numbered questions with five boxes each, in two columns.
  for (int column = 0; column < 2; ++column) {
    for (int row = 0; row < 40; ++row) {
      const int y = 420 + row * 46;
      const int x = 140 + column * 720;
      TextLine(page, random, x, y + 8, 90, 40);
      for (int box = 0; box < 5; ++box) {
        const int bx = x + 130 + box * 90;
        FillRect(page, bx, y, 36, 3, 60);
        FillRect(page, bx, y + 33, 36, 3, 60);
        FillRect(page, bx, y, 3, 36, 60);
        FillRect(page, bx + 33, y, 3, 36, 60);
        const int mark = random.Below(9);
        if (mark == 0) {  // a cross
          Line(page, bx + 4, y + 4, bx + 30, y + 30, 4, 25);
          Line(page, bx + 30, y + 4, bx + 4, y + 30, 4, 25);
        } else if (mark == 1) {  // a filled box
          FillRect(page, bx + 5, y + 5, 26, 26, 35);
        }
      }
    }
  }
  // A handwritten note at the bottom.
  for (int line = 0; line < 3; ++line) TextLine(page, random, 160, 2300 - 160 + line * 40, 900, 50);
  // Paper noise: none, then up to about one grey level.
  const int noise = index % 4;  // per mille of pixels changed: 0, 333, 666, 1000
  if (noise > 0) {
    for (std::uint8_t& pixel : page) {
      const std::uint32_t r = random.Next();
      if (static_cast<int>(r % 1000) < noise * 333) {
        const int delta = (r >> 10) & 1 ? 1 : -1;
        pixel = static_cast<std::uint8_t>(std::clamp(pixel + delta, 0, 255));
      }
    }
  }
  return page;
}

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// BITMAPFILEHEADER and BITMAPINFOHEADER of a bottom-up bitmap.
std::vector<std::uint8_t> BmpHeader(int bits, std::uint32_t palette_entries, std::uint32_t stride) {
  const std::uint32_t offset = 14 + 40 + 4 * palette_entries;
  const std::uint32_t image = stride * kPageHeight;
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  PutLittleEndian(out, offset + image, 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, offset, 4);
  PutLittleEndian(out, 40, 4);
  PutLittleEndian(out, kPageWidth, 4);
  PutLittleEndian(out, kPageHeight, 4);
  PutLittleEndian(out, 1, 2);
  PutLittleEndian(out, static_cast<std::uint32_t>(bits), 2);
  PutLittleEndian(out, 0, 4);  // BI_RGB
  PutLittleEndian(out, image, 4);
  PutLittleEndian(out, 7874, 4);  // 200 dpi in pixels per metre
  PutLittleEndian(out, 7874, 4);
  PutLittleEndian(out, palette_entries, 4);
  PutLittleEndian(out, 0, 4);
  return out;
}

std::vector<std::uint8_t> GreyBmp(const Grey& page) {
  const std::uint32_t stride = (kPageWidth + 3) & ~3u;
  std::vector<std::uint8_t> out = BmpHeader(8, 256, stride);
  for (std::uint32_t i = 0; i < 256; ++i) PutLittleEndian(out, i * 0x010101u, 4);
  for (int row = kPageHeight - 1; row >= 0; --row) {
    const auto* line = page.data() + static_cast<std::size_t>(row) * kPageWidth;
    out.insert(out.end(), line, line + kPageWidth);
    out.resize(out.size() + (stride - kPageWidth), 0);
  }
  return out;
}

// Colour: cream paper, black print, blue ink for the marks and the handwriting.
std::vector<std::uint8_t> ColourBmp(const Grey& page) {
  const std::uint32_t stride = (kPageWidth * 3 + 3) & ~3u;
  std::vector<std::uint8_t> out = BmpHeader(24, 0, stride);
  for (int row = kPageHeight - 1; row >= 0; --row) {
    const auto* line = page.data() + static_cast<std::size_t>(row) * kPageWidth;
    for (int x = 0; x < kPageWidth; ++x) {
      const int g = line[x];
      const bool ink = g < 55 && g != 30 && g != 40;
      out.push_back(static_cast<std::uint8_t>(ink ? 150 : std::min(255, g - 12)));  // blue
      out.push_back(static_cast<std::uint8_t>(ink ? 60 : g));                       // green
      out.push_back(static_cast<std::uint8_t>(ink ? 40 : std::min(255, g + 6)));    // red
    }
    out.resize(out.size() + (stride - kPageWidth * 3), 0);
  }
  return out;
}

bool Complete(const std::string& path, std::uintmax_t size) {
  std::error_code error;
  return std::filesystem::file_size(path, error) == size && !error;
}

void Save(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::fclose(file);
}

}  // namespace

std::vector<std::string> WriteCorpus(const std::string& folder, int grey_pages, int colour_pages) {
  std::vector<std::string> paths;
  for (int i = 0; i < grey_pages; ++i) {
    const std::string path = folder + "/" + std::to_string(1001 + i) + ".bmp";
    const std::uintmax_t size = 1078 + std::uintmax_t{(kPageWidth + 3) & ~3} * kPageHeight;
    if (!Complete(path, size)) Save(path, GreyBmp(DrawPage(i)));
    paths.push_back(path);
  }
  for (int i = 0; i < colour_pages; ++i) {
    const std::string path = folder + "/" + std::to_string(2001 + i) + ".bmp";
    const std::uintmax_t size = 54 + std::uintmax_t{(kPageWidth * 3 + 3) & ~3} * kPageHeight;
    if (!Complete(path, size)) Save(path, ColourBmp(DrawPage(1000 + i)));
    paths.push_back(path);
  }
  return paths;
}

}  // namespace bench
