// The image work on scanned pages: 24-bit conversion, the grey conversion that keeps the blue
// byte, and the two-sided composite. Each builds its result in a new bitmap and moves it into
// *result only on success, so result may be the source itself; on failure (memory) it returns
// false and leaves *result as it was.
#pragma once

#include "platform/bitmap/Bitmap.h"

namespace platform {

// The image in 24 bits per pixel: an 8-bit image through its palette, a 24-bit one copied.
bool ConvertTo24Bit(const Bitmap& source, Bitmap* result);

// The grey page: an 8-bit image with the grey palette in which each pixel is the blue byte of
// the source pixel in 24 bits (the first byte of a 24-bit pixel; for an 8-bit source, the blue
// of its palette entry), not a weighted mix of red, green and blue. An image without rows or
// columns is copied unchanged.
bool GreyFromBlue(const Bitmap& source, Bitmap* result);

// The two-sided composite: W = the wider page's width, H = the taller page's height; a 2W x H
// image on white (255 in every byte) with the front page in the top-left corner and the back page
// at the top of the right half (from column W). front may be a bitmap without pixels (a front page
// that could not be read), leaving the left half white.
//
// Pixel format: 8 bits when the back page is 8-bit with a white palette entry 255 and the front
// page is empty or 8-bit with the same palette; otherwise 24 bits, both pages taken through their
// palettes. So two grey pages give a grey composite, and pages of different forms (the colour
// mode changed between the two sides) are both shown as they are. False when W or H exceeds
// Bitmap::kMaxDimension (2W for the width) or the memory cannot be had.
bool ComposeDuplex(const Bitmap& front, const Bitmap& back, Bitmap* result);

}  // namespace platform
