// The pages the virtual scanner delivers: packed DIBs (BITMAPINFOHEADER, colour table, bottom-up
// rows) with the page number drawn large in black in the middle.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/virtual_scanner/Script.h"

namespace virtual_scanner {

// Grey pages: 8 bits with a 256-entry grey table, pixel (x, y) = 128 + ((x + y) & 63).
// Colour pages: 24 bits, pixel (x, y) = blue x & 255, green y & 255, red 192.
// (x, y) counts from the top-left corner; the digits' pixels are 0.
std::vector<std::uint8_t> TestPatternDib(PixelFormat format, int width, int height, int page);

// A BMP file of the DIB (the 14-byte file header in front).
std::vector<std::uint8_t> BmpFile(const std::vector<std::uint8_t>& dib);

}  // namespace virtual_scanner
