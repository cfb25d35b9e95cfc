// BMP files and packed DIBs: the uncompressed Windows bitmap format.
//
// A BMP file is a 14-byte BITMAPFILEHEADER, a BITMAPINFOHEADER (40 bytes, or the larger V4/V5
// forms of 108 and 124 bytes, of which the first 40 are read), the colour table (4-byte entries,
// blue, green, red, reserved) and the pixel rows, each padded to a multiple of 4 bytes, bottom row
// first unless the height is negative. All fields are little-endian. A packed DIB (what a TWAIN
// source hands over in a native transfer, in a global memory block) is the same without the file
// header, the pixels following the colour table at once.
//
// Readers take 1, 4, 8, 24 and 32 bits per pixel without compression (BI_RGB). 1-, 4- and 8-bit
// images become 8-bit bitmaps with their colour table in the palette (entries the table does not
// give are black); 24- and 32-bit images become 24-bit bitmaps (the fourth byte is dropped).
// Every header field is checked against what the bytes at hand can hold before a pixel is read
// or memory for it is taken; what cannot be read is refused with a status.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/bitmap/Bitmap.h"

namespace platform {

enum class BmpStatus {
  kOk,
  kCannotOpen,   // the file cannot be opened or its size read
  kReadError,    // the system failed a read
  kTruncated,    // fewer bytes than the headers, colour table or pixel rows need
  kNotBmp,       // no "BM" signature
  kBadHeader,    // a field no valid bitmap has (planes, header size, offsets, colour count, ...)
  kUnsupported,  // a valid bitmap this reader does not take (compression, 16 bits, OS/2 header)
  kTooLarge,     // width or height above Bitmap::kMaxDimension
  kOutOfMemory,  // the pixels do not fit in memory
};

// A short English name of the status for log lines ("truncated").
std::string_view BmpStatusName(BmpStatus status);

// The 14-byte file header, the 40-byte info header and, for 8 bits, the 256-entry colour table
// that SaveBmp writes before the pixel block of the image. Sizes that do not fit in the 32-bit
// fields (a file beyond 4 GiB) are written as 0: bfSize is advisory and biSizeImage may be 0 for
// uncompressed bitmaps; readers take the rows from the dimensions.
std::vector<std::uint8_t> BmpHeaderBytes(const Bitmap& image);

// Writes the image to path (cp1250) as an uncompressed bottom-up BMP file, 8 bits with the
// palette as colour table, or 24 bits. False when the file cannot be created or a write or the
// close fails; then error_number (when given) holds the system's errno and the partial file is
// removed, so no half-written page is left to be sent.
bool SaveBmp(const Bitmap& image, std::string_view path, int* error_number = nullptr);

// Reads a BMP file (path in cp1250) into image. On any status other than kOk the image is left
// empty (0 x 0).
BmpStatus LoadBmp(std::string_view path, Bitmap* image);

// Reads a packed DIB of size bytes at data (BITMAPINFOHEADER, colour table, pixels); the size
// bounds every read. On any status other than kOk the image is left empty.
BmpStatus LoadDib(const void* data, std::size_t size, Bitmap* image);

}  // namespace platform
