// In-memory bitmaps: 8 bits per pixel with a 256-entry palette, or 24 bits per pixel.
//
// Pixel rows are held exactly as an uncompressed bottom-up BMP file holds them: the bottom row
// first, each row padded with zero bytes to a multiple of 4 bytes. Row(y) counts from the top
// (row 0 is the top row), so callers never see the storage order; a BMP save or load moves the
// whole pixel block in one piece. A 24-bit pixel is blue, green, red; an 8-bit pixel is an index
// into the palette.
//
// Memory: a 65,535 x 65,535 page needs 12.9 GB in 24 bits. Every size is computed in size_t with
// overflow checks, and a failed allocation is a result (Create gives false), never a crash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace platform {

enum class PixelFormat { k8Bit, k24Bit };

// One palette entry as a BMP colour table holds it (RGBQUAD order is blue, green, red, reserved).
struct PaletteEntry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t flags = 0;
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
using Palette = std::array<PaletteEntry, 256>;

// The grey palette of grey page files: entry i = red i, green i, blue i, flags 0.
const Palette& GreyPalette();

// Bytes per pixel row in memory and in a BMP file: width * bits rounded up to whole 4-byte
// words. False when the width is negative or the result does not fit in size_t.
bool BmpRowStride(std::int64_t width, int bits_per_pixel, std::size_t* stride);

class Bitmap {
 public:
  // Widths and heights up to this are accepted: two pages of 65,535 pixels side by side.
  static constexpr int kMaxDimension = 2 * 65535;

  Bitmap() = default;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  ~Bitmap() = default;

  // Makes a width x height bitmap of the format with every byte zero (black in 24 bits, palette
  // index 0 in 8 bits) and, in 8 bits, the grey palette. A width or height of 0 gives a bitmap
  // without pixels. False, leaving the bitmap empty (0 x 0, 24 bits), when a dimension is
  // negative or above kMaxDimension, or when the memory cannot be had.
  bool Create(int width, int height, PixelFormat format);
  // As Create, but the pixel bytes are left unset (only row padding is zeroed): for callers that
  // write every pixel at once.
  bool CreateForOverwrite(int width, int height, PixelFormat format);
  // Back to 0 x 0, 24 bits, no memory held.
  void Clear();
  // A deep copy; false (target unchanged) when the memory cannot be had.
  bool CopyTo(Bitmap* target) const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  PixelFormat Format() const { return format_; }
  int BitsPerPixel() const { return format_ == PixelFormat::k8Bit ? 8 : 24; }
  int BytesPerPixel() const { return format_ == PixelFormat::k8Bit ? 1 : 3; }
  bool HasPixels() const { return width_ > 0 && height_ > 0; }

  // Row y (0 = top) of Width() * BytesPerPixel() pixel bytes. y must be in [0, Height()).
  std::uint8_t* Row(int y) {
    return pixels_.get() + static_cast<std::size_t>(height_ - 1 - y) * stride_;
  }
  const std::uint8_t* Row(int y) const {
    return pixels_.get() + static_cast<std::size_t>(height_ - 1 - y) * stride_;
  }
  // Bytes used by a row's pixels, without padding.
  std::size_t RowBytes() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(BytesPerPixel());
  }
  // Distance between rows, padding included.
  std::size_t Stride() const { return stride_; }
  // The whole pixel block in BMP order (bottom row first, rows padded): Stride() * Height()
  // bytes; null when the bitmap has no pixels.
  const std::uint8_t* PixelBlock() const { return pixels_.get(); }
  std::uint8_t* PixelBlock() { return pixels_.get(); }
  std::size_t PixelBlockSize() const { return stride_ * static_cast<std::size_t>(height_); }

  // The palette of an 8-bit bitmap (kept, unused, in 24 bits).
  const Palette& GetPalette() const { return palette_; }
  void SetPalette(const Palette& palette) { palette_ = palette; }

 private:
  struct FreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  bool Allocate(int width, int height, PixelFormat format, bool zero_fill);

  std::unique_ptr<std::uint8_t[], FreeDeleter> pixels_;
  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::k24Bit;
  std::size_t stride_ = 0;
  Palette palette_{};
};

// Test seam: pixel allocations larger than max_bytes fail as if memory had run out. The default
// (SIZE_MAX) limits nothing. Not for production code.
void SetBitmapAllocationLimitForTesting(std::size_t max_bytes);

}  // namespace platform
